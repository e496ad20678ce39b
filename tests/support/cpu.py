#!/usr/bin/env python3
"""CPU time used over 10 seconds by the Wine processes of one prefix.

  cpu.py WINEPREFIX

Prints one line: the milliseconds used by the program (the processes named
pivotwright*), by all the prefix's processes, how many there were, and the
four that used the most.  With no program found the first number is huge,
so that a check on it fails.
"""
import os, sys, time
prefix = sys.argv[1].encode()
tick = os.sysconf("SC_CLK_TCK")
def wine_processes():
    found = {}
    for pid in os.listdir("/proc"):
        if not pid.isdigit(): continue
        try:
            env = open(f"/proc/{pid}/environ", "rb").read().split(b"\0")
            if b"WINEPREFIX=" + prefix not in env: continue
            fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
            name = open(f"/proc/{pid}/comm").read().strip()
            found[pid] = (name, int(fields[11]) + int(fields[12]))
        except OSError:
            pass
    return found
before = wine_processes()
time.sleep(10)
after = wine_processes()
total = program = 0
found = 0
by_name = {}
for pid, (name, t) in after.items():
    used = t - before.get(pid, (name, t))[1]
    total += used
    by_name[name] = by_name.get(name, 0) + used
    if "pivotwright" in name:
        program += used
        found += 1
if not found: program = 10**9  # no program to measure: the check fails
top = sorted(by_name.items(), key=lambda x: -x[1])[:4]
print(f"{program * 1000 // tick} {total * 1000 // tick} {len(after)}",
      ", ".join(f"{n} {u * 1000 // tick} ms" for n, u in top))

"""What the Linux program shows and writes for the browser tests' keys.

    python3 tests/web/reference.py PROGRAM SCENARIOS OUT

runs PROGRAM in a 90 x 30 tmux window of its own for each scenario of
SCENARIOS (tests/web/scenarios.json), types each step's keys, and records
in OUT/<scenario>/ the screen once the program has settled (step-0.json is
the main screen before any key, step-N.json the screen after step N, in
the shape of tests/support/screen.py's JSON, with the cursor) and the files
it wrote.
Exits non-zero when a screen never settles or never shows its text.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import screen as capture_screen  # noqa: E402  (tests/support/screen.py)

SETTLE_S = 0.4      # unchanged this long: the program is waiting for a key
TIMEOUT_S = 60


class Tmux:
    """A tmux server of its own for one scenario (a server just killed may
    still hold its socket's name for a moment)."""

    def __init__(self, name):
        self.socket = f"pw-web-ref-{os.getpid()}-{name}"

    def __call__(self, *args, check=True):
        env = dict(os.environ, LANG="C.UTF-8")
        done = subprocess.run(["tmux", "-u", "-L", self.socket, *args], env=env,
                              capture_output=True, text=True)
        if check and done.returncode != 0:
            raise SystemExit(f"tmux {' '.join(args)}: {done.stderr.strip()}")
        return done.stdout

    def capture(self):
        return self("capture-pane", "-t", "ref", "-p", "-e")

    def cursor(self):
        y, x, shown = self("display", "-t", "ref", "-p", "#{cursor_y},#{cursor_x},#{cursor_flag}").split(",")
        return {"row": int(y), "col": int(x), "shown": shown.strip() == "1"}

    def type(self, keys):
        # Enter and Backspace by name, everything else as literal text.
        named = {"\r": "Enter", "\x7f": "BSpace"}
        run = ""
        for ch in keys:
            if ch in named:
                if run:
                    self("send-keys", "-t", "ref", "-l", run)
                    run = ""
                self("send-keys", "-t", "ref", named[ch])
            else:
                run += ch
        if run:
            self("send-keys", "-t", "ref", "-l", run)


def settle(tmux, until):
    """The capture once it shows `until` (when given) and has not changed
    for SETTLE_S."""
    end = time.monotonic() + TIMEOUT_S
    last, since = None, time.monotonic()
    while time.monotonic() < end:
        now = tmux.capture()
        if now != last:
            last, since = now, time.monotonic()
        elif time.monotonic() - since >= SETTLE_S and (not until or until in now):
            return now
        time.sleep(0.05)
    raise SystemExit(f"the screen never settled{' on ' + repr(until) if until else ''}:\n{last}")


def record(program, scenario, out):
    folder = tempfile.mkdtemp(prefix="pw-web-ref.")
    tmux = Tmux(scenario["name"])
    try:
        tmux("new-session", "-d", "-s", "ref", "-x", "90", "-y", "30",
             f"cd '{folder}' && '{program}'; sleep 3600")
        tmux("set-option", "-t", "ref", "status", "off")
        steps = [{"keys": "", "until": "Select an action"}] + scenario["steps"]
        for i, step in enumerate(steps):
            if step["keys"]:
                tmux.type(step["keys"])
            cells = capture_screen.full_screen(capture_screen.parse(settle(tmux, step.get("until"))))
            screen = {"rows": [[{"ch": ch, "fg": fg, "bg": bg} for ch, fg, bg in row] for row in cells]}
            screen["cursor"] = tmux.cursor()
            with open(os.path.join(out, f"step-{i}.json"), "w", encoding="utf-8") as f:
                json.dump(screen, f, ensure_ascii=False)
        for name in scenario["files"]:
            shutil.copyfile(os.path.join(folder, name), os.path.join(out, name))
    finally:
        tmux("kill-server", check=False)
        shutil.rmtree(folder, ignore_errors=True)


def main():
    if len(sys.argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    program, scenarios, out = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    with open(scenarios, encoding="utf-8") as f:
        plan = json.load(f)
    for scenario in plan["scenarios"]:
        folder = os.path.join(out, scenario["name"])
        os.makedirs(folder, exist_ok=True)
        record(program, scenario, folder)
        print(f"reference: {scenario['name']}: {len(scenario['steps']) + 1} screens, "
              f"{len(scenario['files'])} files")
    return 0


if __name__ == "__main__":
    sys.exit(main())

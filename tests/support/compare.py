#!/usr/bin/env python3
"""Runs two builds of the program on the same input and compares what they do.

  compare.py keys [--enter lf|cr] SETUP
      The keys that type an action-3 set-up (a folder with typed.txt, or the
      typed.txt itself): "3", then each entry and Enter, up to the outer
      radius.
  compare.py piped --first CMD --second CMD [options] CASEFILE...
      Types each case's keys into both programs, each in a fresh empty
      folder, and compares the output, every file written and the exit
      status byte for byte.
  compare.py cli --first CMD --second CMD [--rel R] [--abs A] [options] CASEFILE...
      Runs both programs with each case's arguments (standard input empty):
      exit status and standard error compared exactly, standard output with
      its numbers to a tolerance, every file written byte for byte.
  compare.py run --first CMD --keep DIR CASEFILE...
      Runs one program over piped cases and keeps what it did, to compare
      with something else later (see `dirs`).
  compare.py dirs DIR_A DIR_B
      Every file of two folders, byte for byte.

CMD is a launcher and program as shell words: "build/pivotwright",
"wine build-windows/pivotwright.exe", "qemu-aarch64 -L /usr/aarch64-linux-gnu
build-arm/pivotwright".  Paths in case files are taken from the current
folder.  Every difference is reported on standard output; the exit status is
0 when nothing differs, 1 when something does, 2 for a wrong call or case
file.

Piped case files: one case a line, its name and then its keys as words
(quoted where they hold blanks; # starts a comment).  In the keys \\n is
Enter (sent as LF, or CR with --enter cr), \\r CR, \\t Tab, \\\\ a backslash,
\\xHH any byte; other characters go as UTF-8.  A word @PATH stands for the
keys of the set-up in PATH (as `keys` gives them); when PATH has a *, the
line gives one case per set-up found, with {setup} in the name replaced by
the set-up folder's name.

Argument case files: one argument vector a line, as shell words.
"""

import argparse
import glob
import os
import re
import shlex
import signal
import subprocess
import sys
import tempfile
import time

# The prompts of action 3 in the order they are asked, by the labels of
# typed.txt; the pivot to spindle distance is asked only when the arm length
# is left empty.
SETUP_LABELS = ("arm length", "pivot to spindle distance", "overhang", "offset",
                "inner recorded radius", "outer recorded radius")
TYPED_LINE = re.compile(r'^([^:"]+): "([^"]*)"')

# Numbers in standard output: -1.5e-3, 0.408, 12, .5
NUMBER = re.compile(rb"[-+]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][-+]?[0-9]+)?")

# At most this many differences are described per output or file.
SHOWN_DIFFERENCES = 5


class CaseError(Exception):
    """A case file or set-up that cannot be read as one."""


# ---- keys ---------------------------------------------------------------------

def setup_entries(path):
    """The texts typed for an action-3 set-up, by label, from its typed.txt."""
    typed = os.path.join(path, "typed.txt") if os.path.isdir(path) else path
    try:
        with open(typed, encoding="utf-8") as f:
            lines = f.read().splitlines()
    except OSError as e:
        raise CaseError(f"{typed}: {e.strerror}") from e
    entries = {}
    for number, line in enumerate(lines, 1):
        m = TYPED_LINE.match(line)
        if not m:
            raise CaseError(f"{typed}:{number}: not a 'label: \"text\"' line: {line!r}")
        entries[m.group(1)] = m.group(2)
    missing = [label for label in SETUP_LABELS if label not in entries]
    if missing:
        raise CaseError(f"{typed}: no line for {', '.join(missing)}")
    return entries


def setup_keys(path, enter=b"\n"):
    """The keys that pick action 3 and type the set-up, ending with the Enter
    after the outer radius."""
    e = setup_entries(path)
    typed = ["3", e["arm length"]]
    if not e["arm length"]:
        typed.append(e["pivot to spindle distance"])
    typed += [e["overhang"], e["offset"], e["inner recorded radius"], e["outer recorded radius"]]
    return b"".join(t.encode("utf-8") + enter for t in typed)


ESCAPES = {"n": None, "r": b"\r", "t": b"\t", "\\": b"\\"}


def decode_keys(word, enter):
    """The bytes of a keys word: \\n is `enter`, \\r \\t \\\\ \\xHH as in C."""
    out = bytearray()
    i = 0
    while i < len(word):
        c = word[i]
        if c != "\\":
            out += c.encode("utf-8")
            i += 1
            continue
        code = word[i + 1:i + 2]
        if code in ESCAPES:
            out += enter if code == "n" else ESCAPES[code]
            i += 2
        elif code == "x" and re.fullmatch(r"[0-9A-Fa-f]{2}", word[i + 2:i + 4]):
            out.append(int(word[i + 2:i + 4], 16))
            i += 4
        else:
            raise CaseError(f"unknown escape \\{code} in {word!r}")
    return bytes(out)


def case_words(line):
    """The words of a piped case line; backslashes are kept for decode_keys."""
    lexer = shlex.shlex(line, posix=True)
    lexer.whitespace_split = True
    lexer.escape = ""
    lexer.commenters = "#"
    try:
        return list(lexer)
    except ValueError as e:
        raise CaseError(f"{e}: {line!r}") from e


def expand_case(words, enter):
    """[(name, keys)] for one case line: one case, or one per set-up found."""
    name, parts = words[0], words[1:]
    patterns = [p[1:] for p in parts if p.startswith("@") and "*" in p]
    if len(patterns) > 1:
        raise CaseError(f"{name}: more than one @PATH with a *")
    if not patterns:
        return [(name, b"".join(key_part(p, None, enter) for p in parts))]
    if "{setup}" not in name:
        raise CaseError(f"{name}: an @PATH with a * needs {{setup}} in the name")
    found = sorted(p for p in glob.glob(patterns[0]) if os.path.exists(os.path.join(p, "typed.txt"))
                   or os.path.basename(p) == "typed.txt")
    if not found:
        raise CaseError(f"{name}: no set-up matches {patterns[0]}")
    cases = []
    for setup in found:
        folder = os.path.dirname(setup) if os.path.basename(setup) == "typed.txt" else setup
        keys = b"".join(key_part(p, setup, enter) for p in parts)
        cases.append((name.replace("{setup}", os.path.basename(os.path.normpath(folder))), keys))
    return cases


def key_part(word, setup, enter):
    if word.startswith("@"):
        return setup_keys(setup if "*" in word else word[1:], enter)
    return decode_keys(word, enter)


def read_lines(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read().splitlines()
    except OSError as e:
        raise CaseError(f"{path}: {e.strerror}") from e


def read_piped_cases(paths, enter):
    cases = []
    for path in paths:
        for number, line in enumerate(read_lines(path), 1):
            try:
                words = case_words(line)
                if words:
                    cases += expand_case(words, enter)
            except CaseError as e:
                raise CaseError(f"{path}:{number}: {e}") from e
    check_names([n for n, _ in cases])
    return cases


def read_cli_cases(paths):
    cases = []
    for path in paths:
        for number, line in enumerate(read_lines(path), 1):
            try:
                argv = shlex.split(line, comments=True)
            except ValueError as e:
                raise CaseError(f"{path}:{number}: {e}: {line!r}") from e
            if argv:
                cases.append((f"{path}:{number}", argv))
    return cases


def check_names(names):
    seen = set()
    for n in names:
        if n in seen:
            raise CaseError(f"two cases are named {n}")
        if not re.fullmatch(r"[A-Za-z0-9._+-]+", n):
            raise CaseError(f"case name {n!r}: use letters, digits and . _ + - only")
        seen.add(n)


# ---- running ------------------------------------------------------------------

class Run:
    """What one program did: its exit status (None when it timed out), its
    output and error streams, the files it wrote and how long it took."""

    def __init__(self, status, out, err, files, seconds):
        self.status, self.out, self.err, self.files, self.seconds = status, out, err, files, seconds


def files_in(folder):
    """{relative path: bytes} of every file under folder."""
    found = {}
    for top, dirs, names in os.walk(folder):
        dirs.sort()
        for n in sorted(names):
            path = os.path.join(top, n)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


def run_program(command, folder, keys, stdin_kind, timeout, out_path=None, err_path=None):
    """Runs command in folder (made empty here) with keys on its standard
    input: through a pipe, from a file, or empty (keys None).  Standard
    output and error go to files, or to pipes when no path is given."""
    os.makedirs(folder)
    opened = []
    try:
        if keys is None:
            given = {"stdin": subprocess.DEVNULL}
        elif stdin_kind == "file":
            keys_file = tempfile.TemporaryFile()
            opened.append(keys_file)
            keys_file.write(keys)
            keys_file.seek(0)
            given = {"stdin": keys_file}
        else:
            given = {"input": keys}
        streams = []
        for path in (out_path, err_path):
            if path is None:
                streams.append(subprocess.PIPE)
            else:
                streams.append(open(path, "w+b"))
                opened.append(streams[-1])
        start = time.monotonic()
        try:
            p = subprocess.run(command, cwd=folder, stdout=streams[0], stderr=streams[1],
                               timeout=timeout, check=False, **given)
            status, out, err = p.returncode, p.stdout, p.stderr
        except subprocess.TimeoutExpired as t:
            status, out, err = None, t.stdout, t.stderr
        seconds = time.monotonic() - start
        captured = []
        for got, stream in ((out, streams[0]), (err, streams[1])):
            if stream is subprocess.PIPE:
                captured.append(got or b"")
            else:
                stream.seek(0)
                captured.append(stream.read())
        return Run(status, captured[0], captured[1], files_in(folder), seconds)
    except OSError as e:
        raise CaseError(f"cannot run {shlex.join(command)}: {e.strerror}") from e
    finally:
        for f in opened:
            f.close()


# ---- comparing ------------------------------------------------------------------

def shown(data, at, width=24):
    """Up to `width` bytes of data each side of byte `at`, printable, with
    that byte in [brackets]."""
    def text(piece):
        return repr(piece)[2:-1]
    before = data[max(0, at - width):at]
    after = data[at + 1:at + 1 + width]
    return ("..." if at > width else "") + text(before) + "[" + text(data[at:at + 1]) + "]" + \
        text(after) + ("..." if at + 1 + width < len(data) else "")


def where(data, at):
    line = data.count(b"\n", 0, at) + 1
    column = at - (data.rfind(b"\n", 0, at) + 1) + 1
    return f"byte {at + 1} (line {line}, column {column})"


def side_by_side(names, a, at_a, b, at_b):
    width = max(len(n) for n in names)
    return (f"      {names[0]:<{width}}  {shown(a, at_a)}\n"
            f"      {names[1]:<{width}}  {shown(b, at_b)}")


def byte_difference(what, names, a, b):
    """None when a == b, else where they part, with the bytes around."""
    if a == b:
        return None
    at = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
    return (f"{what} differs: {names[0]} {len(a)} bytes, {names[1]} {len(b)} bytes; first at "
            f"{where(a if at < len(a) else b, at)}:\n" + side_by_side(names, a, at, b, at))


def tokens(data):
    """data as (is_number, bytes, offset) pieces: numbers and the text between."""
    pieces, at = [], 0
    for m in NUMBER.finditer(data):
        if m.start() > at:
            pieces.append((False, data[at:m.start()], at))
        pieces.append((True, m.group(), m.start()))
        at = m.end()
    if at < len(data):
        pieces.append((False, data[at:], at))
    return pieces


def numbers_close(x, y, rel, abs_tol):
    if x == y:
        return True
    return abs(x - y) <= max(rel * max(abs(x), abs(y)), abs_tol)


def numeric_differences(names, a, b, rel, abs_tol):
    """The places where a and b differ: text other than the numbers, or
    numbers further apart than the tolerance."""
    ta, tb = tokens(a), tokens(b)
    found = []
    for (na, xa, oa), (nb, xb, ob) in zip(ta, tb):
        if na and nb:
            if numbers_close(float(xa), float(xb), rel, abs_tol):
                continue
            x, y = float(xa), float(xb)
            ratio = abs(x - y) / max(abs(x), abs(y))
            found.append(f"number at {where(a, oa)}: {names[0]} {xa.decode()}, "
                         f"{names[1]} {xb.decode()} (relative difference {ratio:.3g})")
        elif na != nb or xa != xb:
            # where the two pieces part, past what they have in common
            k = next((i for i in range(min(len(xa), len(xb))) if xa[i] != xb[i]), min(len(xa), len(xb)))
            found.append(f"text at {where(a, oa + k)}:\n" + side_by_side(names, a, oa + k, b, ob + k))
            break  # past a difference in the text the pieces no longer line up
    else:
        if len(ta) != len(tb):
            longer, name = (ta, names[0]) if len(ta) > len(tb) else (tb, names[1])
            rest = longer[min(len(ta), len(tb))]
            found.append(f"only {name} goes on, at {where(a if longer is ta else b, rest[2])}: "
                         f"{shown(a if longer is ta else b, rest[2])}")
    return found


def crlf_as_lf(data):
    return data.replace(b"\r\n", b"\n")


def compare_files(names, fa, fb):
    """(compared, differences): one entry per file either program wrote."""
    compared, differences = [], []
    for path in sorted(set(fa) | set(fb)):
        if path not in fb or path not in fa:
            who, data = (names[0], fa[path]) if path in fa else (names[1], fb[path])
            differences.append(f"{path} written by {who} only ({len(data)} bytes)")
            compared.append((path, False))
            continue
        d = byte_difference(path, names, fa[path], fb[path])
        compared.append((path, d is None))
        if d:
            differences.append(d)
    return compared, differences


def compare_status(names, a, b):
    if a.status is None or b.status is None:
        late = [n for n, r in zip(names, (a, b)) if r.status is None]
        return f"{' and '.join(late)} did not end in time"
    if a.status != b.status:
        return f"exit status: {names[0]} {a.status}, {names[1]} {b.status}"
    return None


def compare_piped(names, a, b):
    """(compared, differences) for two runs of the same keys."""
    compared, differences = [], []
    status = compare_status(names, a, b)
    compared.append(("status", status is None))
    if status:
        differences.append(status)
    for what, x, y in (("output", a.out, b.out), ("error output", a.err, b.err)):
        d = byte_difference(what, names, x, y)
        compared.append((what.replace(" ", "-"), d is None))
        if d:
            differences.append(d)
    files_compared, files_differ = compare_files(names, a.files, b.files)
    return compared + files_compared, differences + files_differ


def compare_cli(names, a, b, options):
    """(compared, differences) for two runs of the same arguments."""
    compared, differences = [], []
    status = compare_status(names, a, b)
    compared.append(("status", status is None))
    if status:
        differences.append(status)
    fix = crlf_as_lf if options.crlf else (lambda d: d)
    d = byte_difference("error output", names, fix(a.err), fix(b.err))
    compared.append(("error-output", d is None))
    if d:
        differences.append(d)
    found = numeric_differences(names, fix(a.out), fix(b.out), options.rel, options.abs)
    compared.append(("output", not found))
    differences += [f"output: {f}" for f in found[:SHOWN_DIFFERENCES]]
    if len(found) > SHOWN_DIFFERENCES:
        differences.append(f"output: and {len(found) - SHOWN_DIFFERENCES} more numbers differ")
    files_compared, files_differ = compare_files(names, a.files, b.files)
    return compared + files_compared, differences + files_differ


# ---- the commands -----------------------------------------------------------------

def launcher(text):
    """The words of a command; those that name a path from the current
    folder are made absolute, since the programs run in folders of their own."""
    words = shlex.split(text)
    if not words:
        raise argparse.ArgumentTypeError("empty command")
    return [os.path.abspath(w) if "/" in w and not w.startswith("-") and os.path.exists(w) else w
            for w in words]


def work_folder(options):
    if options.keep:
        os.makedirs(options.keep, exist_ok=True)
        return None, options.keep
    temp = tempfile.TemporaryDirectory(prefix="pw-compare.")
    return temp, temp.name


def case_folder(top, name):
    folder = os.path.join(top, name)
    if os.path.exists(folder):
        raise CaseError(f"{folder} already exists: keep each comparison in a new folder")
    os.makedirs(folder)
    return folder


def keep_record(folder, compared):
    """A line per thing compared, "WHAT same" or "WHAT differs", for scripts
    that check single items of a kept case."""
    with open(os.path.join(folder, "compared"), "w", encoding="utf-8") as f:
        for what, same in compared:
            f.write(f"{what} {'same' if same else 'differs'}\n")


def run_side(options, command, folder, side, keys):
    stdin = None if keys is None else options.stdin
    return run_program(command, os.path.join(folder, side), keys, stdin, options.timeout,
                       out_path=os.path.join(folder, side + ".out"),
                       err_path=os.path.join(folder, side + ".err"))


def write_status(folder, side, run):
    with open(os.path.join(folder, side + ".status"), "w", encoding="utf-8") as f:
        f.write("timeout\n" if run.status is None else f"{run.status}\n")


def summary(kind, cases, compared, differ):
    print(f"{kind}: {cases} cases, {compared} things compared, {differ} differ")
    return 1 if differ else 0


def command_keys(options):
    keys = setup_keys(options.setup, ENTER[options.enter])
    sys.stdout.buffer.write(keys)
    return 0


def command_piped(options):
    names = options.names
    cases = read_piped_cases(options.cases, ENTER[options.enter])
    temp, top = work_folder(options)
    total = differ = 0
    try:
        for name, keys in cases:
            folder = case_folder(top, name)
            runs = []
            for side, command in zip(names, (options.first, options.second)):
                runs.append(run_side(options, command, folder, side, keys))
                write_status(folder, side, runs[-1])
            compared, differences = compare_piped(names, *runs)
            keep_record(folder, compared)
            total += len(compared)
            differ += sum(1 for _, same in compared if not same)
            times = ", ".join(f"{n} {r.seconds:.2f} s" for n, r in zip(names, runs))
            files = ", ".join(f"{p} {len(runs[0].files[p])}" for p in sorted(runs[0].files))
            verdict = "same" if not differences else "DIFFERS"
            print(f"{name}: {verdict} ({len(keys)} keys; output {len(runs[0].out)} bytes"
                  f"{'; ' + files if files else ''}; status {runs[0].status}; {times})")
            for d in differences:
                print(f"  {d}")
            sys.stdout.flush()
    finally:
        if temp:
            temp.cleanup()
    return summary("piped", len(cases), total, differ)


def command_cli(options):
    names = options.names
    cases = read_cli_cases(options.cases)
    temp, top = work_folder(options)
    total = differ = 0
    try:
        for number, (where_from, argv) in enumerate(cases, 1):
            folder = case_folder(top, f"cli-{number}")
            runs = []
            for side, command in zip(names, (options.first, options.second)):
                runs.append(run_program(command + argv, os.path.join(folder, side), None, None,
                                        options.timeout))
                write_status(folder, side, runs[-1])
                for ending, data in ((".out", runs[-1].out), (".err", runs[-1].err)):
                    with open(os.path.join(folder, side + ending), "wb") as f:
                        f.write(data)
            compared, differences = compare_cli(names, *runs, options)
            keep_record(folder, compared)
            total += len(compared)
            differ += sum(1 for _, same in compared if not same)
            verdict = "same" if not differences else "DIFFERS"
            print(f"{shlex.join(argv)}: {verdict} (status {runs[0].status}; output "
                  f"{len(runs[0].out)} bytes; error output {len(runs[0].err)} bytes"
                  f"{''.join(f'; {p} {len(d)} bytes' for p, d in sorted(runs[0].files.items()))})"
                  f"  [{where_from}]")
            for d in differences:
                print(f"  {d}")
            sys.stdout.flush()
    finally:
        if temp:
            temp.cleanup()
    return summary("cli", len(cases), total, differ)


def command_run(options):
    cases = read_piped_cases(options.cases, ENTER[options.enter])
    side = options.names[0]
    failed = 0
    for name, keys in cases:
        folder = case_folder(options.keep, name)
        r = run_side(options, options.first, folder, side, keys)
        write_status(folder, side, r)
        if r.status is None:
            failed += 1
        print(f"{name}: status {'timeout' if r.status is None else r.status}; output "
              f"{len(r.out)} bytes{''.join(f'; {p} {len(d)} bytes' for p, d in sorted(r.files.items()))}"
              f" ({r.seconds:.2f} s)")
    return 1 if failed else 0


def command_dirs(options):
    found = []
    for d in (options.a, options.b):
        if not os.path.isdir(d):
            raise CaseError(f"{d}: not a folder")
        found.append(files_in(d))
    names = (options.a, options.b)
    compared, differences = compare_files(names, *found)
    for d in differences:
        print(f"  {d}")
    return summary("dirs", 1, len(compared), len(differences))


ENTER = {"lf": b"\n", "cr": b"\r"}


def names_pair(text):
    names = text.split(",")
    if len(names) != 2 or not all(re.fullmatch(r"[A-Za-z0-9._-]+", n) for n in names):
        raise argparse.ArgumentTypeError("two names, comma-separated: letters, digits, . _ -")
    return names


def parser():
    p = argparse.ArgumentParser(description=__doc__.split("\n", 1)[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter,
                                epilog=__doc__.split("\n", 1)[1])
    sub = p.add_subparsers(dest="command", required=True)

    k = sub.add_parser("keys", help="the keys of an action-3 set-up")
    k.add_argument("--enter", choices=ENTER, default="lf")
    k.add_argument("setup")

    def runs(q, two):
        q.add_argument("--first", type=launcher, required=True, metavar="CMD")
        if two:
            q.add_argument("--second", type=launcher, required=True, metavar="CMD")
        q.add_argument("--names", type=names_pair, default=["first", "second"], metavar="A,B",
                       help="what to call the two programs in the report and kept folders")
        q.add_argument("--keep", metavar="DIR", required=not two,
                       help="keep each case's folders in DIR/NAME/")
        q.add_argument("--timeout", type=float, default=600, metavar="S",
                       help="seconds a run may take (default 600)")
        q.add_argument("cases", nargs="+", metavar="CASEFILE")

    for name, two, what in (("piped", True, "two programs, keys typed through standard input"),
                            ("run", False, "one program's piped runs, kept in a folder")):
        q = sub.add_parser(name, help=what)
        runs(q, two)
        q.add_argument("--enter", choices=ENTER, default="lf", help="what \\n sends (default lf)")
        q.add_argument("--stdin", choices=("pipe", "file"), default="pipe",
                       help="keys through a pipe or from a file (default pipe)")

    c = sub.add_parser("cli", help="argument vectors")
    runs(c, True)
    c.add_argument("--rel", type=float, default=0.0, help="relative tolerance for numbers")
    c.add_argument("--abs", type=float, default=0.0, help="absolute tolerance for numbers")
    c.add_argument("--crlf", action="store_true",
                   help="CR LF in standard output and error counts as LF")

    d = sub.add_parser("dirs", help="two folders, byte for byte")
    d.add_argument("a")
    d.add_argument("b")
    return p


def main(argv):
    options = parser().parse_args(argv)
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    try:
        return {"keys": command_keys, "piped": command_piped, "cli": command_cli,
                "run": command_run, "dirs": command_dirs}[options.command](options)
    except CaseError as e:
        print(f"compare.py: {e}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

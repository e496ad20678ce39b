#!/usr/bin/env python3
"""Tests of compare.py and screen.py: that they find every kind of
difference, and only differences.

  compare_test.py [PROGRAM]

The stand-in programs are small shell commands, so that each difference is
made on purpose; with PROGRAM (the Linux build) a real main screen, shown in
tmux, is read by screen.py as well.
"""

import contextlib
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import compare  # noqa: E402
import screen  # noqa: E402

PROGRAM = None


def typed(arm="240", pivot="", overhang="16", offset="22", inner="60", outer="146"):
    return (f'arm length: "{arm}"\n'
            f'pivot to spindle distance: "{pivot}" (typed only when the arm length is empty)\n'
            f'overhang: "{overhang}"\noffset: "{offset}"\n'
            f'inner recorded radius: "{inner}"\nouter recorded radius: "{outer}"\n')


def sh(script):
    """A launcher prefix that runs a shell script (arguments as $1...)."""
    return f"sh -c '{script}' fake"


class Folder(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="compare-test.")
        self.addCleanup(shutil.rmtree, self.dir)

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def tool(self, *argv):
        """compare.py's exit status and what it printed."""
        out = io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(out):
            status = compare.main([str(a) for a in argv])
        return status, out.getvalue()


class Keys(Folder):
    def test_setups_become_the_keys_of_action_3(self):
        cases = [
            (typed(), b"lf", b"3\n240\n16\n22\n60\n146\n"),
            # the pivot distance only when the arm length is empty
            (typed(arm="", pivot="224"), b"lf", b"3\n\n224\n16\n22\n60\n146\n"),
            (typed(inner=""), b"cr", b"3\r240\r16\r22\r\r146\r"),
            (typed(overhang="1,5e0"), b"lf", b"3\n240\n1,5e0\n22\n60\n146\n"),
        ]
        for text, enter, keys in cases:
            with self.subTest(text=text, enter=enter):
                setup = os.path.dirname(self.write("s/typed.txt", text))
                self.assertEqual(compare.setup_keys(setup, compare.ENTER[enter.decode()]), keys)

    def test_a_setup_that_cannot_be_read_is_an_error(self):
        cases = [typed().replace('offset: "22"\n', ""),  # a prompt missing
                 typed() + "overhang 16\n",              # a line without quotes
                 None]                                   # no typed.txt
        for text in cases:
            with self.subTest(text=text):
                folder = os.path.join(self.dir, "bad")
                shutil.rmtree(folder, ignore_errors=True)
                os.makedirs(folder)
                if text is not None:
                    self.write("bad/typed.txt", text)
                status, said = self.tool("keys", folder)
                self.assertEqual(status, 2)
                self.assertIn("compare.py:", said)

    def test_key_words(self):
        cases = [(r"1\n2\n", b"\r", b"1\r2\r"), (r"\r\t\\", b"\n", b"\r\t\\"),
                 (r"\x1b[A", b"\n", b"\x1b[A"), ("é", b"\n", "é".encode())]
        for word, enter, keys in cases:
            with self.subTest(word=word):
                self.assertEqual(compare.decode_keys(word, enter), keys)
        for word in (r"\q", r"\x4", "\\"):
            with self.subTest(word=word):
                with self.assertRaises(compare.CaseError):
                    compare.decode_keys(word, b"\n")

    def test_case_lines(self):
        self.write("sets/b-two/typed.txt", typed(arm="", pivot="211"))
        self.write("sets/a-one/typed.txt", typed())
        os.makedirs(os.path.join(self.dir, "sets", "not-a-setup"))
        cases = self.write("cases.txt", "\n".join([
            "# a comment", "",
            r"plain 'a b\n' \n  # keys in two words, then a comment",
            r"set-{setup} @" + self.dir + r"/sets/* '\n4\n'",
            r"one @" + self.dir + "/sets/a-one 4",
        ]))
        self.assertEqual(compare.read_piped_cases([cases], b"\n"), [
            ("plain", b"a b\n\n"),
            ("set-a-one", b"3\n240\n16\n22\n60\n146\n\n4\n"),
            ("set-b-two", b"3\n\n211\n16\n22\n60\n146\n\n4\n"),
            ("one", b"3\n240\n16\n22\n60\n146\n4"),
        ])
        wrong = ["twice 1\ntwice 2", "no-name @" + self.dir + "/sets/*", "bad/name 1",
                 "none-{setup} @" + self.dir + "/nothing/*", "open 'quote"]
        for text in wrong:
            with self.subTest(text=text):
                with self.assertRaises(compare.CaseError):
                    compare.read_piped_cases([self.write("wrong.txt", text)], b"\n")


class Numbers(unittest.TestCase):
    def test_numbers_within_the_tolerance_and_text_exactly(self):
        names = ("a", "b")
        # (a, b, rel, abs, number of differences, words the report must hold)
        cases = [
            (b"x -1.5e-3 y 0.408\n", b"x -1.5000000001e-3 y 0.408\n", 1e-9, 0, 0, ""),
            (b"x -1.5e-3\n", b"x -1.5001e-3\n", 1e-9, 0, 1, "-1.5e-3, b -1.5001e-3"),
            (b"0.408, 12\n", b"0.408; 12\n", 1, 0, 1, "text at byte 6"),
            (b"radius 60\n", b"radius 60\nmore\n", 1, 0, 1, "text at byte 11"),
            (b"v 1.0 mm\n", b"v 1.00 mm\n", 0, 0, 0, ""),
            (b"-0 and .5\n", b"0 and 0.5\n", 0, 0, 0, ""),
            (b"1e-17\n", b"-2e-17\n", 1e-9, 1e-12, 0, ""),
            (b"1e-17\n", b"-2e-17\n", 1e-9, 0, 1, "relative difference"),
            (b"a 1", b"a 1 2", 1, 0, 1, "only b goes on, at byte 4"),
            (b"1 a\n", b"a 1\n", 1, 0, 1, "text at byte 1"),
            (b"a\n2 3\n", b"a\n2 4\n", 0, 0, 1, "line 2, column 3"),
        ]
        for a, b, rel, abs_tol, count, words in cases:
            with self.subTest(a=a, b=b):
                found = compare.numeric_differences(names, a, b, rel, abs_tol)
                self.assertEqual(len(found), count, found)
                self.assertIn(words, "\n".join(found))


class Piped(Folder):
    def cases(self, text="one 'x\\n'\ntwo 'yy\\n'\n"):
        return self.write("cases.txt", text)

    def test_the_same_runs_are_the_same(self):
        program = sh("cat > seen.txt; printf \"%s\" \"$(wc -c < seen.txt)\"")
        status, said = self.tool("piped", "--first", program, "--second", program, self.cases())
        self.assertEqual(status, 0, said)
        self.assertIn("piped: 2 cases, 8 things compared, 0 differ", said)

    def test_every_kind_of_difference_is_found_and_said(self):
        base = "cat > seen.txt; printf out; printf err >&2"
        # (second program, words in the report)
        cases = [
            ("cat > seen.txt; printf oux; printf err >&2",
             ["output differs: first 3 bytes, second 3 bytes; first at byte 3", "[t]", "[x]"]),
            ("cat > seen.txt; printf out; printf err >&2; exit 3", ["exit status: first 0, second 3"]),
            ("cat > seen.txt; printf outt; printf err >&2", ["output differs: first 3 bytes, second 4"]),
            ("cat > seen.txt; printf out; printf Err >&2", ["error output differs"]),
            (base + "; echo > extra.txt", ["extra.txt written by second only (1 bytes)"]),
            ("cat > other.txt; printf out; printf err >&2",
             ["seen.txt written by first only", "other.txt written by second only"]),
            ("cat | tr x z > seen.txt; printf out; printf err >&2", ["seen.txt differs", "line 1, column 1"]),
            ("mkdir sub; cat > sub/seen.txt; printf out; printf err >&2",
             ["sub/seen.txt written by second only"]),
        ]
        for second, words in cases:
            with self.subTest(second=second):
                status, said = self.tool("piped", "--first", sh(base), "--second", sh(second),
                                         self.cases("one 'x\\n'\n"))
                self.assertEqual(status, 1, said)
                self.assertIn("one: DIFFERS", said)
                for w in words:
                    self.assertIn(w, said)

    def test_a_program_that_does_not_end_is_a_difference(self):
        status, said = self.tool("piped", "--timeout", "1", "--first", sh("cat"),
                                 "--second", sh("cat; sleep 30"), self.cases("one 'x'\n"))
        self.assertEqual(status, 1, said)
        self.assertIn("second did not end in time", said)

    def test_kept_folders_and_the_record_of_each_comparison(self):
        keep = os.path.join(self.dir, "kept")
        status, said = self.tool("piped", "--names", "lin,win", "--keep", keep, "--enter", "cr",
                                 "--first", sh("cat > k; printf a; exit 1"),
                                 "--second", sh("cat > k; printf b; exit 1"), self.cases("c 'x\\ny'\n"))
        self.assertEqual(status, 1, said)
        with open(os.path.join(keep, "c", "compared"), encoding="utf-8") as f:
            self.assertEqual(f.read(), "status same\noutput differs\nerror-output same\nk same\n")
        for side, out in (("lin", b"a"), ("win", b"b")):
            with open(os.path.join(keep, "c", side + ".out"), "rb") as f:
                self.assertEqual(f.read(), out)
            with open(os.path.join(keep, "c", side, "k"), "rb") as f:
                self.assertEqual(f.read(), b"x\ry")
            with open(os.path.join(keep, "c", side + ".status"), encoding="utf-8") as f:
                self.assertEqual(f.read(), "1\n")
        # a kept folder is never reused: old results cannot pass for new ones
        status, said = self.tool("piped", "--keep", keep, "--first", sh("cat"), "--second", sh("cat"),
                                 self.cases("c 'x'\n"))
        self.assertEqual(status, 2)
        self.assertIn("already exists", said)

    def test_keys_through_a_pipe_or_from_a_file(self):
        program = sh("if [ -p /dev/stdin ]; then echo pipe; else echo file; fi; cat")
        for kind in ("pipe", "file"):
            with self.subTest(kind=kind):
                keep = os.path.join(self.dir, kind)
                status, said = self.tool("run", "--stdin", kind, "--keep", keep, "--first", program,
                                         self.cases("c 'k\\n'\n"))
                self.assertEqual(status, 0, said)
                with open(os.path.join(keep, "c", "first.out"), "rb") as f:
                    self.assertEqual(f.read(), kind.encode() + b"\nk\n")

    def test_a_program_that_cannot_start(self):
        status, said = self.tool("piped", "--first", "/nonexistent/program", "--second", sh("cat"),
                                 self.cases())
        self.assertEqual(status, 2)
        self.assertIn("cannot run /nonexistent/program", said)


class Cli(Folder):
    def cli(self, first, second, lines, *options):
        return self.tool("cli", *options, "--first", sh(first), "--second", sh(second),
                         self.write("cli.txt", lines))

    def test_arguments_reach_both_programs(self):
        program = 'printf "%s|" "$@"; printf "\\n"'
        keep = os.path.join(self.dir, "kept")
        status, said = self.cli(program, program, "a 'b c'\n--x ''\n# comment\n", "--keep", keep)
        self.assertEqual(status, 0, said)
        self.assertIn("cli: 2 cases", said)
        with open(os.path.join(keep, "cli-1", "first.out"), "rb") as f:
            self.assertEqual(f.read(), b"a|b c|\n")

    def test_what_must_match_and_what_may_differ(self):
        # (first, second, options, status, words in the report)
        cases = [
            ("echo r 0.408", "echo r 0.4080000000001", ["--rel", "1e-9"], 0, ""),
            ("echo r 0.408", "echo r 0.409", ["--rel", "1e-9"], 1, "output: number"),
            ("echo r 0.408", "echo R 0.408", ["--rel", "1"], 1, "output: text"),
            ("echo bad >&2; exit 2", "echo bad >&2; exit 1", [], 1, "exit status: first 2, second 1"),
            ("echo 1.0 >&2", "echo 1.00 >&2", ["--rel", "1"], 1, "error output differs"),
            ("printf \"a\\n\"", "printf \"a\\r\\n\"", [], 1, "output: text at byte 2"),
            ("printf \"a\\n\"", "printf \"a\\r\\n\"", ["--crlf"], 0, ""),
            ("echo e >&2", "printf \"e\\r\\n\" >&2", ["--crlf"], 0, ""),
            ("echo 1 > f", "echo 2 > f", [], 1, "f differs"),
            ("echo 1 > f", "echo 1 > f", [], 0, ""),
        ]
        for first, second, options, status, words in cases:
            with self.subTest(first=first, second=second, options=options):
                got, said = self.cli(first, second, "--x\n", *options)
                self.assertEqual(got, status, said)
                self.assertIn(words, said)

    def test_standard_input_is_empty(self):
        status, said = self.cli("cat", "cat; echo", "a\n")
        self.assertEqual(status, 1, said)
        self.assertIn("output: only second goes on", said)


def capture(rows):
    """A capture-pane -e text from rows given as lists of (sgr, text) and
    escapes."""
    def piece(p):
        if isinstance(p, str):  # an escape of its own
            return p
        sgr, text = p
        return text if sgr is None else f"\x1b[{sgr}m{text}"
    return "\n".join("".join(piece(p) for p in row) for row in rows) + "\n"


class Screen(unittest.TestCase):
    def screen(self, mode, text):
        p = subprocess.run([sys.executable, os.path.join(HERE, "screen.py"), mode],
                           input=text.encode(), capture_output=True, check=False)
        return p.returncode, p.stdout.decode(), p.stderr.decode()

    def test_json_gives_every_cell_with_its_palette_colours(self):
        rows = [[("30;107", "ab"), ("90", "c")],
                [(None, "d")],                       # colours carry on to the next row
                [("0", "e"), ("38;5;12;48;5;4", "f")],
                [("1;31;42", "g"), ("39;49", "h")],
                [("38;2;1;2;3;97", "é"), "\x1b(B"]]
        status, out, _ = self.screen("json", capture(rows))
        self.assertEqual(status, 0)
        doc = json.loads(out)
        self.assertEqual(len(doc["rows"]), 30)
        self.assertTrue(all(len(r) == 90 for r in doc["rows"]))
        cell = [[(c["ch"], c["fg"], c["bg"]) for c in r] for r in doc["rows"]]
        self.assertEqual(cell[0][:3], [("a", 0, 15), ("b", 0, 15), ("c", 8, 15)])
        self.assertEqual(cell[0][89], (" ", 8, 15))  # a blank left out: colours at the row's end
        self.assertEqual(cell[1][0], ("d", 8, 15))
        self.assertEqual(cell[2][:2], [("e", 7, 0), ("f", 12, 4)])
        self.assertEqual(cell[3][:2], [("g", 1, 2), ("h", 7, 0)])
        self.assertEqual(cell[4][0], ("é", 15, 0))
        self.assertEqual(cell[4][1], (" ", 15, 0))
        self.assertEqual(cell[29][0], (" ", 15, 0))  # rows left out likewise
        # the form JSON.stringify gives, for a diff against a browser's screen
        self.assertIn('{"ch":"é","fg":15,"bg":0}', out)

    def test_text_gives_the_rows_as_tmux_does(self):
        status, out, _ = self.screen("text", capture([[("30;107", "  Title")], [(None, "row 2")]]))
        self.assertEqual((status, out), (0, "  Title\nrow 2\n\n"))

    def test_main_colours_finds_a_wrong_cell(self):
        good = [[("30;107", "")] for _ in range(30)]
        good[1] = [("30;107", "   Pivotwright")]
        good[11] = [("30;107", "         1) "), ("90;107", "Calculate")]
        status, out, err = self.screen("main-colours", capture(good))
        self.assertEqual(status, 0, err)
        self.assertIn("2700 cells looked at, 0 in the wrong colours", out)
        wrong = [list(r) for r in good]
        wrong[11] = [("30;107", "         1) "), ("30;107", "Calculate")]  # menu text in black
        wrong[20] = [("30;47", "x")]                                       # grey behind
        status, out, err = self.screen("main-colours", capture(wrong))
        self.assertEqual(status, 1)
        self.assertIn("row 12 column 13: foreground 0, background 15", err)
        self.assertIn(" 99 in the wrong colours", out)

    @unittest.skipUnless(shutil.which("tmux"), "tmux")
    def test_the_real_main_screen(self):
        if not PROGRAM:
            self.skipTest("no program given")
        socket = f"compare-test-{os.getpid()}"
        tmux = ["tmux", "-L", socket, "-f", "/dev/null"]
        subprocess.run(tmux + ["new-session", "-d", "-x", "90", "-y", "30", PROGRAM], check=True)
        self.addCleanup(subprocess.run, tmux + ["kill-server"], check=False)
        out = ""
        for _ in range(100):
            shot = subprocess.run(tmux + ["capture-pane", "-p", "-e"], capture_output=True, check=True)
            status, out, _ = self.screen("json", shot.stdout.decode())
            if "Select an action" in "".join(c["ch"] for c in json.loads(out)["rows"][8]):
                break
            subprocess.run(["sleep", "0.1"], check=True)
        rows = json.loads(out)["rows"]
        self.assertEqual("".join(c["ch"] for c in rows[1]).rstrip(), "   Pivotwright v1.01")
        self.assertEqual({(c["fg"], c["bg"]) for c in rows[1] if c["ch"] != " "}, {(0, 15)})
        self.assertEqual({(c["fg"], c["bg"]) for c in rows[11][12:] if c["ch"] != " "}, {(8, 15)})
        self.assertEqual({c["bg"] for r in rows for c in r}, {15})
        status, _, err = self.screen("main-colours", shot.stdout.decode())
        self.assertEqual(status, 0, err)


if __name__ == "__main__":
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()

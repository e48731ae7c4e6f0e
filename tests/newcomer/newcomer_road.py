#!/usr/bin/env python3
"""The road a newcomer takes with the two programs, played in a folder of its own.

vexl-print makes a machine in a fresh folder and refuses folders it did not
make without removing anything, prints a job, and vexl-dump draws the job's
pages as PNGs that are white where the page is empty and dark where the
document drew. Every bad input gets one line on standard error and a
non-zero exit.

    newcomer_road.py VEXL_PRINT VEXL_DUMP
"""
import os
import pty
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import unittest
import zlib

VEXL_PRINT = VEXL_DUMP = ""


def run(*args, stdin=subprocess.DEVNULL, env=None):
    return subprocess.run(list(args), stdin=stdin, capture_output=True, text=True, env=env, timeout=100)


def read_png(path):
    """Width, height and rows of (r, g, b) tuples of an 8-bit RGB PNG."""
    data = read(path, "rb")
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, colour_type, interlace) == (8, 2, 0), "an 8-bit RGB picture"
        elif kind == b"IDAT":
            idat += body
    raw, stride, rows, previous, at = zlib.decompress(idat), width * 3, [], bytearray(width * 3), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for x in range(stride):
            a = line[x - 3] if x >= 3 else 0
            b = previous[x]
            c = previous[x - 3] if x >= 3 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, 3)])
        previous = line
    return width, height, rows


def read(path, mode="r"):
    with open(path, mode) as file:
        return file.read()


def luminance(pixel):
    r, g, b = pixel
    return (299 * r + 587 * g + 114 * b) // 1000


class NewcomerRoad(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="vexl-newcomer-")
        cls.machine = os.path.join(cls.folder, "machine")
        setup = run(VEXL_PRINT, "setup", cls.machine)
        assert setup.returncode == 0, setup.stderr
        printed = run(VEXL_PRINT, "print", cls.machine, "1", "vector")
        assert printed.returncode == 0, printed.stdout + printed.stderr
        cls.job = printed.stdout.splitlines()[0]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def refused(self, result, words, code=None):
        """One line on standard error holding the words, and a non-zero exit."""
        self.assertNotEqual(result.returncode, 0, result.stdout)
        if code is not None:
            self.assertEqual(result.returncode, code, result.stderr)
        lines = result.stderr.strip().splitlines()
        self.assertEqual(len(lines), 1, result.stderr)
        for word in words:
            self.assertIn(word, lines[0])

    # ---- vexl-print ----

    def test_setup_makes_a_machine_in_a_fresh_folder_and_again_in_its_own(self):
        self.assertTrue(os.path.isfile(os.path.join(self.machine, "machine.profile")))
        self.assertTrue(os.path.isfile(self.job), self.job)
        again = run(VEXL_PRINT, "setup", self.machine)
        self.assertEqual(again.returncode, 0, again.stderr)

    def test_setup_refuses_what_it_did_not_make_and_removes_nothing(self):
        full = os.path.join(self.folder, "full")
        os.makedirs(os.path.join(full, "kept"))
        with open(os.path.join(full, "letter.txt"), "w") as letter:
            letter.write("mine")
        plain = os.path.join(self.folder, "plain.txt")
        with open(plain, "w") as text:
            text.write("mine too")
        for target, words in ((full, ["not empty", "nothing was removed"]), (plain, ["not a folder"])):
            with self.subTest(target=os.path.basename(target)):
                self.refused(run(VEXL_PRINT, "setup", target), words, code=2)
        self.assertEqual(read(os.path.join(full, "letter.txt")), "mine")
        self.assertTrue(os.path.isdir(os.path.join(full, "kept")))
        self.assertEqual(read(plain), "mine too")
        # The current folder, when it is not empty, is refused as well.
        self.refused(subprocess.run([VEXL_PRINT, "setup", "."], cwd=full, capture_output=True, text=True), ["not empty"])
        self.assertTrue(os.path.isfile(os.path.join(full, "letter.txt")))

    def test_print_names_what_it_cannot_find(self):
        missing = os.path.join(self.folder, "no-such-machine")
        bare = os.path.join(self.folder, "bare")
        self.assertEqual(run(VEXL_PRINT, "setup", bare).returncode, 0)
        shutil.rmtree(os.path.join(bare, "spooler", "printers"))
        cases = [
            ("print on a missing machine", ["print", missing, "1"], ["no machine", missing]),
            ("capabilities on a missing machine", ["capabilities", missing], ["no machine", missing]),
            ("print without the printer", ["print", bare, "1"], ["no printer", "VEXL Demo"]),
            ("capabilities without the printer", ["capabilities", bare], ["no printer", "VEXL Demo"]),
            ("a job id that is not a number", ["print", self.machine, "abc"], ["job id", "abc"]),
            ("a mode that does not exist", ["print", self.machine, "1", "colour"], ["colour"]),
            ("an unknown command", ["erase", self.machine], ["unknown command"]),
        ]
        for name, args, words in cases:
            with self.subTest(name):
                self.refused(run(VEXL_PRINT, *args), words, code=2)
        self.assertIn("setup", run(VEXL_PRINT, "--help").stdout)

    # ---- vexl-dump ----

    def test_pages_are_drawn_white_where_empty_and_dark_where_drawn(self):
        pictures = os.path.join(self.folder, "pictures")
        dumped = run(VEXL_DUMP, "--summary", "--png", pictures, "--dpi", "150", self.job)
        self.assertEqual(dumped.returncode, 0, dumped.stderr)
        pages = int(next(line for line in dumped.stdout.splitlines() if line.startswith("pages: ")).split()[1])
        files = sorted(os.listdir(pictures))
        stem = os.path.splitext(os.path.basename(self.job))[0]
        self.assertEqual(files, ["%s-page-%d.png" % (stem, n) for n in range(1, pages + 1)])
        self.assertEqual(pages, 2)

        # 600-dpi device pixels of the demonstration document, a quarter of them at 150 dpi.
        def at(rows, x, y):
            return rows[y // 4][x // 4]

        width, height, first = read_png(os.path.join(pictures, files[0]))
        self.assertGreater(width, 1000)
        self.assertGreater(height, width)
        for name, x, y in (("red rectangle", 900, 900), ("green rectangle", 2300, 900), ("blue rectangle", 3700, 900),
                           ("grey rectangle under its clip", 1300, 4300)):
            with self.subTest(name):
                self.assertLess(luminance(at(first, x, y)), 160, at(first, x, y))
        self.assertGreater(at(first, 900, 900)[0], 150, "the red rectangle is red")
        for name, x, y in (("between the rectangles", 1600, 900), ("outside the clip", 150, 4300),
                           ("right of the drawings", 4500, 2000)):
            with self.subTest(name):
                self.assertEqual(at(first, x, y), (255, 255, 255))
        # The title's glyphs: ink on its line, paper above it.
        ink = sum(1 for y in range(230, 340, 4) for x in range(300, 1800, 4) if luminance(at(first, x, y)) < 128)
        self.assertGreater(ink, 200)
        self.assertTrue(all(at(first, x, y) == (255, 255, 255) for y in range(120, 180, 4) for x in range(300, 1800, 4)))

        _, _, second = read_png(os.path.join(pictures, files[1]))
        self.assertLess(luminance(at(second, 2000, 650)), 64, "the black bar of page two")
        self.assertEqual(at(second, 2000, 3000), (255, 255, 255))

    def test_bad_inputs_get_one_line_and_a_non_zero_exit(self):
        empty = os.path.join(self.folder, "empty.bin")
        open(empty, "wb").close()
        job = read(self.job, "rb")
        truncated = os.path.join(self.folder, "truncated.bin")
        with open(truncated, "wb") as out:
            out.write(job[:len(job) // 2])
        foreign = os.path.join(self.folder, "foreign.bin")
        with open(foreign, "wb") as out:
            out.write(b"%PDF-1.4\n" + bytes(range(256)))
        cases = [
            ("a folder", [self.folder], ["folder"], 2),
            ("a missing file", [os.path.join(self.folder, "none.bin")], ["no such file"], 2),
            ("an empty file", [empty], ["empty"], 1),
            ("a truncated job", [truncated], ["malformed", "offset"], 1),
            ("a foreign file", [foreign], ["not a job"], 1),
            ("a resolution that is not a number", ["--dpi", "high", self.job], ["--dpi"], 2),
        ]
        for name, args, words, code in cases:
            with self.subTest(name):
                self.refused(run(VEXL_DUMP, *args), words, code=code)
        self.assertIn("--png", run(VEXL_DUMP, "--help").stdout)

    def test_standard_input_at_a_terminal_is_refused_at_once(self):
        main, terminal = pty.openpty()
        try:
            result = run(VEXL_DUMP, stdin=terminal)
        finally:
            os.close(main)
            os.close(terminal)
        self.refused(result, ["terminal"], code=2)

    def test_a_long_job_goes_through_in_bounded_memory(self):
        # The demonstration job's pages repeated into streams of 4 MB and of
        # 96 MB, written into a pipe: the decoder's peak memory must not grow
        # with the stream (reading it whole would add 92 MB).
        job = read(self.job, "rb")
        at, pages = 0, []
        while at < len(job):
            kind, length = job[at], struct.unpack("<I", job[at + 4:at + 8])[0]
            if kind == 0xF4:
                pages.append(at)
            at += 8 + length
        head, body = job[:pages[0]], job[pages[0]:]

        def peak(megabytes):
            repeats = megabytes * 1024 * 1024 // len(body)
            env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":quarantine_size_mb=4")
            child = subprocess.Popen([VEXL_DUMP, "--summary", "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, env=env)

            def feed():
                try:
                    child.stdin.write(head)
                    for _ in range(repeats):
                        child.stdin.write(body)
                finally:
                    child.stdin.close()

            writer = threading.Thread(target=feed)
            writer.start()
            with child.stdout, child.stderr:
                out = child.stdout.read().decode()
                err = child.stderr.read().decode()
            _, status, usage = os.wait4(child.pid, 0)
            writer.join()
            self.assertEqual(os.waitstatus_to_exitcode(status), 0, err)
            self.assertIn("pages: %d" % (2 * repeats), out)
            return usage.ru_maxrss * 1024

        small, large = peak(4), peak(96)
        self.assertLess(large - small, 16 * 1024 * 1024, "growth of the decoder's peak memory from 4 MB to 96 MB")


if __name__ == "__main__":
    VEXL_PRINT, VEXL_DUMP = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)

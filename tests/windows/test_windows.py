#!/usr/bin/env python3
"""tarnwell-convert.exe under Wine, where Windows differs from Linux: names beyond ASCII in
files, folders and the program's own folder, paths past 260 characters, files held open by
another program, read-only targets, device names as targets, and the same workbooks as the
Linux program makes.

    test_windows.py BIN-DIR SOURCE-DIR [LINUX-TARNWELL-CONVERT]

BIN-DIR holds tarnwell-convert.exe and Tarnwell.GIF (a build's bin/ or an unpacked package);
the helper tarnwell-hold.exe lies there too or in $TARNWELL_WINDOWS_HELPERS."""
import contextlib
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

import openpyxl

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import converter_command  # noqa: E402

BIN = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else "build-windows/bin"
SOURCE = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else "."
LINUX_CONVERT = sys.argv[3] if len(sys.argv) > 3 else ""
CONVERT = os.path.join(BIN, "tarnwell-convert.exe")
# The test helper that holds files open; not part of a package under test.
HELPERS = os.environ.get("TARNWELL_WINDOWS_HELPERS", BIN)
EXAMPLE = os.path.join(SOURCE, "examples", "oil-analysis.pas")
GENERAL = "TEST INFORMATION"

# Blanks, an apostrophe (Windows allows no double quote in a name), a German, a Greek and a
# Chinese name.
NAMES = ["with blanks", "Tarnwell's test", "Pr\u00fcfung \u00dc", "\u03b5\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
         "\u6f22\u5b57 \u8a66\u9a13"]


def run(*args, convert=CONVERT, **kwargs):
    return converter_command.run(convert, args, capture_output=True, timeout=300, **kwargs)


def win(path):
    return converter_command.native(CONVERT, path)


def stderr_of(result):
    return result.stderr.decode("utf-8", "replace")


class WindowsCase(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="tarnwell-windows-")
        self.dir = self._tmp.name

    def tearDown(self):
        for root, _, files in os.walk(self.dir):
            for f in files:
                os.chmod(os.path.join(root, f), 0o600)
        self._tmp.cleanup()

    def copy_example(self, folder, name):
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
        shutil.copy(EXAMPLE, path)
        return path

    def assert_workbook(self, path, source):
        self.assertTrue(os.path.isfile(path), path)
        sheet = openpyxl.load_workbook(path)[GENERAL]
        # The generated line names the input as the program was given it.
        self.assertIn(win(source), sheet["D1"].value)
        self.assertEqual(sheet["A4"].value, "File Line")

    def refused(self, result, *needles):
        self.assertEqual(result.returncode, 1, stderr_of(result))
        text = stderr_of(result)
        for needle in needles:
            self.assertIn(needle, text)
        self.assertEqual(len([l for l in text.splitlines() if l.startswith("tarnwell-convert: ")]), 1, text)

    def files_in(self, folder):
        return sorted(os.listdir(folder))


class Names(WindowsCase):
    def test_names_beyond_ascii_beside_the_input(self):
        for name in NAMES:
            with self.subTest(name=name):
                folder = os.path.join(self.dir, name)
                source = self.copy_example(folder, name + ".pas")
                result = run(source)
                self.assertEqual(result.returncode, 0, stderr_of(result))
                out = os.path.join(folder, name + ".xlsx")
                self.assert_workbook(out, source)
                # Windows separators, and every letter as it is.
                line = stderr_of(result).splitlines()[0]
                self.assertEqual(line.split(" -> ")[1].split(" (")[0], win(out))

    def test_names_beyond_ascii_with_o_and_d(self):
        for name in NAMES:
            with self.subTest(name=name):
                source = self.copy_example(os.path.join(self.dir, "in " + name), name + ".PAS")
                target = os.path.join(self.dir, "out " + name)
                os.makedirs(target)
                out = os.path.join(target, "o " + name + ".xlsx")
                result = run("--quiet", "-o", out, source)
                self.assertEqual(result.returncode, 0, stderr_of(result))
                self.assert_workbook(out, source)
                result = run("--quiet", "-d", target, source)
                self.assertEqual(result.returncode, 0, stderr_of(result))
                self.assert_workbook(os.path.join(target, name + ".xlsx"), source)
                self.assertEqual(self.files_in(target), sorted([name + ".xlsx", "o " + name + ".xlsx"]))

    def test_relative_names_beyond_ascii(self):
        name = NAMES[4]
        self.copy_example(os.path.join(self.dir, name), name + ".pas")
        result = run("--quiet", "-d", NAMES[2], os.path.join(name, name + ".pas"), cwd=self.dir)
        self.assertEqual(result.returncode, 1)
        self.assertIn("the folder " + NAMES[2] + " does not exist", stderr_of(result))
        os.makedirs(os.path.join(self.dir, NAMES[2]))
        result = run("--quiet", "-d", NAMES[2], os.path.join(name, name + ".pas"), cwd=self.dir)
        self.assertEqual(result.returncode, 0, stderr_of(result))
        self.assertEqual(self.files_in(os.path.join(self.dir, NAMES[2])), [name + ".xlsx"])

    def test_info_shows_the_name(self):
        source = self.copy_example(os.path.join(self.dir, NAMES[3]), NAMES[4] + ".pas")
        result = run("--info", "--json", source)
        self.assertEqual(result.returncode, 0, stderr_of(result))
        self.assertIn('"file":"%s.pas"' % NAMES[4], result.stdout.decode("utf-8"))

    def test_the_program_in_a_folder_of_such_a_name(self):
        # Everything lies in one folder on Windows; the logo is found beside the program.
        folder = os.path.join(self.dir, "Programme " + NAMES[2] + " " + NAMES[4])
        os.makedirs(folder)
        for f in ("tarnwell-convert.exe", "Tarnwell.GIF"):
            shutil.copy(os.path.join(BIN, f), folder)
        convert = os.path.join(folder, "tarnwell-convert.exe")
        source = self.copy_example(os.path.join(self.dir, NAMES[3]), NAMES[3] + ".pas")
        result = run("--quiet", source, convert=convert)
        self.assertEqual(result.returncode, 0, stderr_of(result))
        out = os.path.join(self.dir, NAMES[3], NAMES[3] + ".xlsx")
        self.assert_workbook(out, source)
        with zipfile.ZipFile(out) as z:
            self.assertTrue(any(n.startswith("xl/media/") for n in z.namelist()), "no logo in the workbook")
        os.remove(os.path.join(folder, "Tarnwell.GIF"))
        os.remove(out)
        result = run("--quiet", source, convert=convert)
        self.refused(result, "Could not open file: " + win(os.path.join(folder, "Tarnwell.GIF")))
        self.assertFalse(os.path.exists(out))

    def test_a_path_longer_than_260_characters(self):
        folder = self.dir
        while len(win(folder)) < 280:
            folder = os.path.join(folder, "a long folder name " + NAMES[4])
        source = self.copy_example(folder, NAMES[2] + ".pas")
        self.assertGreater(len(win(source)), 260)
        result = run("--quiet", source)
        self.assertEqual(result.returncode, 0, stderr_of(result))
        self.assert_workbook(os.path.join(folder, NAMES[2] + ".xlsx"), source)
        result = run("--quiet", "-o", os.path.join(folder, "again.xlsx"), source)
        self.assertEqual(result.returncode, 0, stderr_of(result))
        self.assertEqual(self.files_in(folder), sorted([NAMES[2] + ".pas", NAMES[2] + ".xlsx", "again.xlsx"]))


class CommandPrompt(WindowsCase):
    """What cmd leaves to the program: "*" and "?" in names, and "/?"."""

    def info_files(self, *args):
        result = run("--info", "--json", *args, cwd=self.dir)
        return result.returncode, [json.loads(line).get("file") for line in result.stdout.decode("utf-8").splitlines()]

    def test_wildcards_name_the_files_of_their_folder_in_order(self):
        # "notes.pasta" has the short name NOTES~1.PAS, which the system's search matches too.
        for name in ("b.pas", "\u00dcbung.pas", "a.PAS", NAMES[4] + ".pas", "notes.pasta"):
            self.copy_example(self.dir, name)
        os.makedirs(os.path.join(self.dir, "folder.pas"))
        self.assertEqual(self.info_files("*.pas"), (0, ["a.PAS", "b.pas", "\u00dcbung.pas", NAMES[4] + ".pas"]))
        self.assertEqual(self.info_files("?.*", "\\\\?\\" + win(os.path.join(self.dir, "b.pas"))),
                         (0, ["a.PAS", "b.pas", "b.pas"]))
        result = run("-d", self.dir, os.path.join(self.dir, "*.xyz"), os.path.join(self.dir, "?.pas"))
        self.refused(result, "no file matches " + win(os.path.join(self.dir, "*.xyz")))
        self.assertIn("2 of 3 files converted", result.stdout.decode("utf-8"))
        self.assertTrue(os.path.exists(os.path.join(self.dir, "a.xlsx")) and os.path.exists(os.path.join(self.dir, "b.xlsx")))
        self.assertEqual(subprocess.run([converter_command.WINE, CONVERT, "/?"], capture_output=True, timeout=300)
                         .stdout.decode("utf-8").splitlines()[0], "Usage: tarnwell-convert [OPTION]... FILE.pas...")


class Refusals(WindowsCase):
    def old_workbook(self, name="old.xlsx"):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(b"old workbook")
        return path

    def assert_unchanged(self, path):
        with open(path, "rb") as f:
            self.assertEqual(f.read(), b"old workbook")

    def test_a_missing_file(self):
        missing = os.path.join(self.dir, NAMES[4] + ".pas")
        self.refused(run(missing), "cannot open " + win(missing))
        self.assertEqual(self.files_in(self.dir), [])

    def test_postgresql_is_for_the_linux_loaders(self):
        result = run("--db", "postgresql://loader:pw@db.example/wells", EXAMPLE)
        self.assertEqual(result.returncode, 2, stderr_of(result))
        self.assertIn("cannot load into PostgreSQL", stderr_of(result))
        self.assertEqual(stderr_of(result).count("\n"), 1)

    def test_a_folder(self):
        folder = os.path.join(self.dir, NAMES[2])
        os.makedirs(folder)
        self.refused(run(folder), win(folder) + ": it is a directory")

    def test_a_target_folder_that_does_not_exist(self):
        nowhere = os.path.join(self.dir, "nowhere")
        self.refused(run("-d", nowhere, EXAMPLE), "the folder " + win(nowhere) + " does not exist")
        self.refused(run("-o", os.path.join(nowhere, "x.xlsx"), EXAMPLE), win(nowhere))
        self.assertEqual(self.files_in(self.dir), [])

    def test_device_names_as_target(self):
        for device in ("NUL", "CON", "COM1", "nul.xlsx", os.path.join(self.dir, "COM1.xlsx")):
            with self.subTest(device=device):
                self.refused(run("-o", device, EXAMPLE), "cannot write " + win(device) + ": it is not a regular file")
        self.assertEqual(self.files_in(self.dir), [])

    def test_a_read_only_target(self):
        old = self.old_workbook()
        os.chmod(old, 0o444)  # Wine shows a file nobody may write as read-only
        self.refused(run("-o", old, EXAMPLE), "cannot write " + win(old) + ": it is read-only")
        self.assert_unchanged(old)
        self.assertEqual(self.files_in(self.dir), ["old.xlsx"])

    def hold(self, path):
        holder = subprocess.Popen([converter_command.WINE, os.path.join(HELPERS, "tarnwell-hold.exe"), win(path)],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.assertEqual(holder.stdout.readline().rstrip(), b"held")
        self.addCleanup(lambda: (holder.stdin.close(), holder.wait(timeout=60)))
        return holder

    def test_an_input_another_program_holds_without_sharing(self):
        source = self.copy_example(self.dir, "held.pas")
        self.hold(source)
        self.refused(run("--quiet", source), "cannot open " + win(source))
        self.assertEqual(self.files_in(self.dir), ["held.pas"])

    def test_a_target_another_program_holds_without_sharing(self):
        old = self.old_workbook()
        self.hold(old)
        self.refused(run("--quiet", "-o", old, EXAMPLE), "cannot write " + win(old))
        self.assertEqual(self.files_in(self.dir), ["old.xlsx"])

    def test_a_full_disk(self):
        self.skipTest("a full disk needs a small file system of its own, which Wine cannot be given here; "
                      "the Linux suite fills a tmpfs")


class Interrupt(WindowsCase):
    def test_ctrl_c_stops_without_writing(self):
        # Wine turns SIGINT into the console's Ctrl-C event, which the program handles as
        # Windows delivers it: on a thread of its own.
        rows = b"".join(b"~DTG (1),2024 01 01 %02d%02d:%02d,%d.5,\n" % (h % 24, m, m, h * 60 + m)
                        for h in range(2000) for m in range(60))
        source = os.path.join(self.dir, "long.pas")
        with open(source, "wb") as f:
            f.write(b"~VERSION,PASTYPE.,DST,PAS file Type,\n~VERSION,VERS.,4.0,PAS file version,\n" + rows * 12)
        out = os.path.join(self.dir, "long.xlsx")
        proc = subprocess.Popen([converter_command.WINE, CONVERT, "-o", win(out), win(source)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        # Once Wine has mapped the program, main() is a moment away; the reading takes a second.
        for _ in range(600):
            with contextlib.suppress(OSError), open("/proc/%d/maps" % proc.pid) as maps:
                if "tarnwell-convert.exe" in maps.read():
                    break
            time.sleep(0.01)
        time.sleep(0.25)
        proc.send_signal(signal.SIGINT)
        _, err = proc.communicate(timeout=300)
        self.assertEqual(proc.returncode, 130, err)
        if b"interrupted, nothing written" not in err:
            self.skipTest("the conversion was finished before the interrupt came")
        self.assertEqual(self.files_in(self.dir), ["long.pas"])


class SameWorkbooks(WindowsCase):
    """Every example gives the Windows program the workbook the Linux program gives, cell by
    cell with its style, sheet by sheet, pictures and charts: D1's time text aside."""

    def dump(self, path):
        book = openpyxl.load_workbook(path)
        out = [("active", book.active.title)]
        for ws in book.worksheets:
            out.append(("sheet", ws.title, len(ws._images), len(ws._charts), sorted(map(str, ws.merged_cells.ranges)),
                        sorted((k, v.width) for k, v in ws.column_dimensions.items())))
            for row in ws.iter_rows():
                for c in row:
                    if c.value is None or (ws.title == GENERAL and c.coordinate == "D1"):
                        continue
                    out.append((c.coordinate, c.value, c.number_format, c.font.b, c.font.i,
                                c.font.color.rgb if c.font.color is not None else None, c.fill.fgColor.rgb))
        return out

    def test_every_example(self):
        if not LINUX_CONVERT or not os.path.exists(LINUX_CONVERT):
            self.skipTest("no Linux tarnwell-convert given to compare with")
        examples = sorted(f for f in os.listdir(os.path.join(SOURCE, "examples")) if f.endswith(".pas"))
        for name in examples:
            with self.subTest(example=name):
                source = os.path.join(SOURCE, "examples", name)
                linux, windows = os.path.join(self.dir, "linux.xlsx"), os.path.join(self.dir, "windows.xlsx")
                self.assertEqual(subprocess.run([LINUX_CONVERT, "-q", "-o", linux, source]).returncode, 0)
                self.assertEqual(run("-q", "-o", windows, source).returncode, 0)
                self.assertEqual(self.dump(windows), self.dump(linux))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[4:]])

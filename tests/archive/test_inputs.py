#!/usr/bin/env python3
"""tarnwell-convert over many inputs: folders searched for PAS files, lists of paths, and the
short table of a large run."""
import os
import pty
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import converter_command  # noqa: E402

CONVERT = sys.argv[1] if len(sys.argv) > 1 else "build/bin/tarnwell-convert"
SOURCE = sys.argv[2] if len(sys.argv) > 2 else "."
EXAMPLE = os.path.join(SOURCE, "examples", "water-analysis.pas")
WINDOWS = converter_command.is_windows(CONVERT)


def run(*args, **kwargs):
    return converter_command.run(CONVERT, args, capture_output=True, text=True, timeout=300, **kwargs)


def native(path):
    return converter_command.native(CONVERT, path)


class Inputs(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.dir = self.tmp.name

    def put(self, *names):
        for name in names:
            path = os.path.join(self.dir, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            shutil.copy(EXAMPLE, path)

    def listed(self, stdout):
        """The files of the table, in its order."""
        return [line.split()[0] for line in stdout.splitlines()[1:] if line.startswith(native(self.dir))]

    def test_folder_is_searched_in_name_order_any_case_and_links_once(self):
        self.put("tree/b.PAS", "tree/a.pas", "tree/sub/c.Pas", "tree/notes.txt", "tree/z/deeper/d.pas")
        out = os.path.join(self.dir, "out")
        os.mkdir(out)
        if not WINDOWS:
            os.symlink(os.path.join(self.dir, "tree"), os.path.join(self.dir, "tree", "sub", "loop"))
            os.symlink(os.path.join(self.dir, "gone.pas"), os.path.join(self.dir, "tree", "sub", "dangling.pas"))
        result = run(os.path.join(self.dir, "tree"), "-d", out)
        tree = os.path.join(self.dir, "tree")
        expected = [os.path.join(tree, "a.pas"), os.path.join(tree, "b.PAS"), os.path.join(tree, "sub", "c.Pas")]
        if not WINDOWS:
            expected.append(os.path.join(tree, "sub", "dangling.pas"))
        expected.append(os.path.join(tree, "z", "deeper", "d.pas"))
        self.assertEqual(self.listed(result.stdout), [native(p) for p in expected], result.stdout)
        self.assertEqual(sorted(os.listdir(out)), ["a.xlsx", "b.xlsx", "c.xlsx", "d.xlsx"])
        if not WINDOWS:  # the dangling link is named, the rest converted, and the run says so
            self.assertEqual(result.returncode, 1, result.stderr)
            self.assertIn("dangling.pas", result.stderr)

    def test_folder_without_pas_files_is_an_error_naming_it(self):
        os.mkdir(os.path.join(self.dir, "empty"))
        result = run(os.path.join(self.dir, "empty"))
        self.assertEqual(result.returncode, 1)
        self.assertIn(native(os.path.join(self.dir, "empty")) + ": it is a directory without any .pas file", result.stderr)

    def test_lists_of_paths_from_a_file_and_from_standard_input(self):
        self.put("one.pas", "two words.pas", "three.pas")
        listing = os.path.join(self.dir, "list.txt")
        with open(listing, "w", newline="") as f:
            f.write(native(os.path.join(self.dir, "one.pas")) + "\r\n\r\n" +
                    native(os.path.join(self.dir, "two words.pas")) + "\n")
        result = run("--from", listing, "-d", self.dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("2 of 2 files converted", result.stdout)
        result = run("--from", "-", "-d", self.dir, input=native(os.path.join(self.dir, "three.pas")) + "\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(os.path.exists(os.path.join(self.dir, "three.xlsx")))
        result = run("--from", os.path.join(self.dir, "no-list.txt"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("no-list.txt", result.stderr)

    def test_a_large_run_lists_only_its_failures(self):
        self.put(*["f%02d.pas" % i for i in range(51)])
        result = run(self.dir, os.path.join(self.dir, "missing.pas"), "-j", "2")
        self.assertEqual(result.returncode, 1)
        lines = result.stdout.splitlines()
        self.assertEqual(len(lines), 3, result.stdout)  # the header, the one failure, the sum
        self.assertIn("missing.pas", lines[1])
        self.assertEqual(lines[2], "51 of 52 files converted, 1 not (listed above)")

    @unittest.skipIf(WINDOWS, "Wine gives the program no terminal of its own")
    def test_one_bar_for_the_whole_run_on_a_terminal(self):
        self.put("a.pas", "b.pas", "c.pas")
        pid, fd = pty.fork()
        if pid == 0:
            os.execv(CONVERT, [CONVERT, "-j", "1", self.dir])
        seen = b""
        while True:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            seen += chunk
        os.waitpid(pid, 0)
        text = seen.decode()
        self.assertIn("3 of 3 files", text)
        self.assertNotIn("%", text)  # no bar of its own for each file


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

#!/usr/bin/env python3
"""tarnwell-convert --db read back with Python's sqlite3: every row and cell equals the per-file
workbook of the same run (read with openpyxl), unchanged files are skipped, a killed loader leaves
every file whole or absent, and two loaders at once both finish."""
import datetime
import importlib.machinery
import importlib.util
import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest

import openpyxl

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import converter_command  # noqa: E402

CONVERT = sys.argv[1] if len(sys.argv) > 1 else "build/bin/tarnwell-convert"
SOURCE = sys.argv[2] if len(sys.argv) > 2 else "."
EXAMPLES = os.path.abspath(os.path.join(SOURCE, "examples"))
WINDOWS = converter_command.is_windows(CONVERT)
_loader = importlib.machinery.SourceFileLoader("generate", os.path.join(SOURCE, "bench", "generate"))
GENERATE = importlib.util.module_from_spec(importlib.util.spec_from_loader("generate", _loader))
_loader.exec_module(GENERATE)  # the benchmarks' files, made here smaller


def run(*args, **kwargs):
    return converter_command.run(CONVERT, args, capture_output=True, text=True, timeout=600, **kwargs)


def native(path):
    return converter_command.native(CONVERT, path)


def query(db, sql, *params):
    with sqlite3.connect(db) as connection:
        return connection.execute(sql, params).fetchall()


def shown_number(number, fmt):
    """The text a number cell shows in its number format, as the workbook's reader sees it."""
    if fmt == "General":
        return format(number, "f").rstrip("0").rstrip(".") if number != int(number) else str(int(number))
    if "E" in fmt:
        mantissa, exponent = fmt.split("E")
        decimals = len(mantissa.split(".")[1]) if "." in mantissa else 0
        m, e = ("%.*e" % (decimals, number)).split("e")
        e = int(e)
        sign = "-" if e < 0 else ("+" if exponent.startswith("+") else "")
        return "%sE%s%0*d" % (m, sign, len(exponent) - 1, abs(e))
    decimals = len(fmt.split(".")[1]) if "." in fmt else 0
    return "%.*f" % (decimals, number)


def as_stored(cell):
    """(value, number, time) as the database should hold the workbook's cell."""
    v = cell.value
    if v is None or v == "":
        return (None, None, None)
    if isinstance(v, datetime.datetime):
        return (v.strftime("%Y %m %d %H%M:%S"), None, v.isoformat(timespec="seconds"))
    if isinstance(v, (int, float)):
        return (shown_number(v, cell.number_format), float(v), None)
    return (v, None, None)


def whole(db, path, rows, cells):
    """Whether the file is held with exactly these many rows and cells (None: not held)."""
    found = query(db, "SELECT id FROM files WHERE path = ?", native(path))
    if not found:
        return None
    (id_,), = found
    return (query(db, "SELECT count(*) FROM rows WHERE file_id = ?", id_)[0][0] == rows and
            query(db, "SELECT count(*) FROM cells WHERE file_id = ?", id_)[0][0] == cells)


class Database(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.dir = self.tmp.name
        self.db = os.path.join(self.dir, "archive.sqlite")

    def gauge_file(self, name, rows):
        """A drillstem test with `rows` gauge rows of four values; (path, rows, cells) it makes."""
        path = os.path.join(self.dir, name)
        GENERATE.gauges(path, rows)
        with open(path) as f:
            lines = [line for line in f if line.strip()]
        return path, len(lines), 4 * sum(line.startswith("~DTG") for line in lines)

    def test_rows_and_cells_are_what_the_workbooks_show(self):
        books = os.path.join(self.dir, "books")
        os.mkdir(books)
        missing = os.path.join(self.dir, "missing.pas")
        result = run("-q", "--db", self.db, "-d", books, EXAMPLES, missing)
        self.assertEqual(result.returncode, 1, result.stderr)  # the missing file; the others loaded
        self.assertIn("missing.pas", result.stderr)
        names = sorted(n for n in os.listdir(EXAMPLES) if n.endswith(".pas"))
        files = query(self.db, "SELECT id, path, lines, error_rows FROM files ORDER BY path")
        self.assertEqual([f[1] for f in files], [native(os.path.join(EXAMPLES, n)) for n in names])
        for (id_, _, lines, errors), name in zip(files, names):
            book = openpyxl.load_workbook(os.path.join(books, name[:-4] + ".xlsx"))
            d2 = book.worksheets[0]["D2"].value
            self.assertTrue(d2.startswith("%d lines scanned and converted (%d Error" % (lines, errors)), (name, d2))
            shown = {}
            for sheet in book.worksheets:
                for row in sheet.iter_rows():
                    if isinstance(row[0].value, int):
                        shown[row[0].value] = (sheet.title, row)
            rows = query(self.db, "SELECT line, sheet, section, kind, mnemonic, description, value, number, time "
                                  "FROM rows WHERE file_id = ? ORDER BY line", id_)
            self.assertEqual([r[0] for r in rows], sorted(shown), name)
            cells = {}
            for line, col, *value in query(self.db, "SELECT line, col, value, number, time FROM cells "
                                                    "WHERE file_id = ?", id_):
                cells.setdefault(line, {})[col] = tuple(value)
            for line, sheet, section, kind, mnemonic, description, *value in rows:
                title, row = shown[line]
                where = "%s line %d" % (name, line)
                self.assertEqual((sheet, section), (title, row[1].value or ""), where)
                if kind == "table":
                    expected = {c.column - 2: as_stored(c) for c in row[2:] if c.value not in (None, "")}
                    self.assertEqual(cells.get(line, {}), expected, where)
                    continue
                self.assertEqual((mnemonic, description), (row[2].value, row[6].value), where)
                self.assertEqual(tuple(value), as_stored(row[3]), where)
        h2s = query(self.db, "SELECT f.formation, r.section, r.number FROM files f JOIN rows r ON r.file_id = f.id "
                             "WHERE f.type = 'GAN' AND r.mnemonic = 'H2S.FRACTION' ORDER BY f.path, r.line")
        self.assertEqual(h2s, [("Montney", "~GAS ANALYSIS", 0.0), ("Cardium", "~GAS ANALYSIS", 0.0),
                               ("Cardium", "~LIQUID ANALYSIS", 0.0)])
        self.assertEqual(query(self.db, "PRAGMA integrity_check"), [("ok",)])

    def test_unchanged_skipped_changed_replaced_gone_pruned(self):
        folder = os.path.join(self.dir, "in")
        os.mkdir(folder)
        for name in ("gas-analysis.pas", "oil-analysis.pas", "water-analysis.pas"):
            shutil.copy(os.path.join(EXAMPLES, name), folder)
        outside = shutil.copy(os.path.join(EXAMPLES, "gradient.pas"), self.dir)
        self.assertEqual(run("-q", "--db", self.db, outside).returncode, 0)
        os.remove(outside)  # gone, but not from under a folder given: it stays
        self.assertEqual(run("-q", "--db", self.db, folder).returncode, 0)
        before = dict(query(self.db, "SELECT path, loaded_at || sha256 FROM files"))
        time.sleep(1.1)  # loaded_at is to the second
        result = run("--db", self.db, folder)
        self.assertIn("0 of 3 files converted, 3 unchanged", result.stdout)
        self.assertEqual(dict(query(self.db, "SELECT path, loaded_at || sha256 FROM files")), before)
        shutil.copy(os.path.join(EXAMPLES, "gradient.pas"), os.path.join(folder, "oil-analysis.pas"))
        os.remove(os.path.join(folder, "water-analysis.pas"))
        result = run("--db", self.db, "--prune", folder)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("1 file loaded, 1 unchanged, 1 file no longer found removed", result.stderr)
        self.assertEqual(query(self.db, "SELECT path, type FROM files ORDER BY path"),
                         [(native(outside), "GRD"), (native(os.path.join(folder, "gas-analysis.pas")), "GAN"),
                          (native(os.path.join(folder, "oil-analysis.pas")), "GRD")])
        self.assertEqual(query(self.db, "SELECT count(*) FROM rows WHERE file_id NOT IN (SELECT id FROM files)"),
                         [(0,)])

    @unittest.skipIf(WINDOWS, "kills the Linux program")
    def test_a_killed_loader_leaves_every_file_whole_or_absent(self):
        big, rows, cells = self.gauge_file("big.pas", 200_000)
        self.assertEqual(run("-q", "--db", self.db, EXAMPLES).returncode, 0)
        examples = query(self.db, "SELECT f.path, (SELECT count(*) FROM rows WHERE file_id = f.id), "
                                  "(SELECT count(*) FROM cells WHERE file_id = f.id) FROM files f")
        # Killed while the big file's rows go in, and again while they are copied from the log
        # into the database.
        for killed_when in (lambda wal, grown: wal >= 4 << 20, lambda wal, grown: grown >= 8 << 20):
            start = os.path.getsize(self.db)
            loader = subprocess.Popen([CONVERT, "-q", "--db", self.db, EXAMPLES, big], stderr=subprocess.DEVNULL)
            while loader.poll() is None:
                wal = self.db + "-wal"
                if killed_when(os.path.getsize(wal) if os.path.exists(wal) else 0, os.path.getsize(self.db) - start):
                    loader.send_signal(signal.SIGKILL)
                    break
                time.sleep(0.002)
            self.assertEqual(loader.wait(), -signal.SIGKILL)
            self.assertEqual(query(self.db, "PRAGMA integrity_check"), [("ok",)])
            self.assertIn(whole(self.db, big, rows, cells), (None, True))
            for path, n, c in examples:
                self.assertTrue(whole(self.db, path, n, c), path)
        result = run("--db", self.db, EXAMPLES, big)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(whole(self.db, big, rows, cells))

    def test_a_second_loader_waits_for_the_first(self):
        first, rows1, cells1 = self.gauge_file("first.pas", 100_000)
        second, rows2, cells2 = self.gauge_file("second.pas", 100_000)
        loaders = [subprocess.Popen(converter_command.command(CONVERT, ["-q", "--db", self.db, path, EXAMPLES]),
                                    stderr=subprocess.PIPE, text=True) for path in (first, second)]
        for loader in loaders:
            _, err = loader.communicate(timeout=600)
            self.assertEqual(loader.returncode, 0, err)
        self.assertTrue(whole(self.db, first, rows1, cells1))
        self.assertTrue(whole(self.db, second, rows2, cells2))
        # Both were given the examples: each is held once, whichever loaded it.
        self.assertEqual(query(self.db, "SELECT count(*), count(DISTINCT path) FROM files"), [(19, 19)])

    def test_loaders_started_together_on_a_new_database(self):
        # Both turn the log on at once; one of them used to be refused with "database is locked".
        example = os.path.join(EXAMPLES, "gradient.pas")
        for round in range(10):
            db = os.path.join(self.dir, "new%d.sqlite" % round)
            loaders = [subprocess.Popen(converter_command.command(CONVERT, ["-q", "--db", db, example]),
                                        stderr=subprocess.PIPE, text=True) for _ in range(2)]
            for loader in loaders:
                _, err = loader.communicate(timeout=60)
                self.assertEqual(loader.returncode, 0, err)
                self.assertNotIn("tarnwell-convert:", err)  # -q: nothing to say
            self.assertEqual(query(db, "SELECT count(*) FROM files"), [(1,)])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

#!/usr/bin/env python3
"""tarnwell-convert --summary over every example and a missing file, read back with openpyxl."""
import glob
import os
import sys
import tempfile
import unittest

import openpyxl

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import converter_command  # noqa: E402

CONVERT = sys.argv[1] if len(sys.argv) > 1 else "build/bin/tarnwell-convert"
SOURCE = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else ".")
EXAMPLES = os.path.join(SOURCE, "examples")
TYPES = ["DST", "PRD", "AOF", "TRG", "AWS", "GRD", "SG", "GAN", "OAN", "WAN"]


class Summary(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.tmp.name, "summary.xlsx")
        cls.missing = os.path.join(cls.tmp.name, "missing.pas")
        cls.result = converter_command.run(CONVERT, ["--quiet", "--summary", cls.out, EXAMPLES, cls.missing],
                                           capture_output=True, text=True, timeout=300)
        cls.book = openpyxl.load_workbook(cls.out)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def column(self, sheet, section, mnemonic):
        ws = self.book[sheet]
        return next(c for c in range(1, ws.max_column + 1)
                    if ws.cell(1, c).value == section and ws.cell(2, c).value == mnemonic)

    def row_of(self, sheet, name):
        ws = self.book[sheet]
        return next(r for r in range(4, ws.max_row + 1) if ws.cell(r, 1).value.endswith(name))

    def test_one_workbook_with_a_row_per_input(self):
        self.assertEqual(self.result.returncode, 1, self.result.stderr)  # the missing file
        self.assertEqual(glob.glob(os.path.join(EXAMPLES, "*.xlsx")), [])  # no workbook per file
        self.assertEqual(self.book.sheetnames, ["FILES"] + TYPES)
        files = self.book["FILES"]
        self.assertEqual([c.value for c in files[1]][-3:], ["Lines", "Error rows", "Status"])
        examples = sorted(glob.glob(os.path.join(EXAMPLES, "*.pas")))
        paths = [converter_command.native(CONVERT, p) for p in examples + [self.missing]]
        self.assertEqual([files.cell(r, 1).value for r in range(2, files.max_row + 1)], paths)
        self.assertEqual({files.cell(r, 13).value for r in range(2, files.max_row)}, {"converted"})
        self.assertIn("missing.pas", files.cell(files.max_row, 13).value)
        self.assertEqual(files.freeze_panes, "A2")
        self.assertEqual(files.auto_filter.ref, "A1:M%d" % files.max_row)

    def test_type_sheets_header_rows_panes_and_filters(self):
        for name in TYPES:
            ws = self.book[name]
            self.assertEqual((ws["A3"].value, ws["B3"].value), ("File", "UWI"), name)
            self.assertTrue(all(ws.cell(r, 3).value and ws.cell(r, 3).font.b for r in (1, 2)), name)
            self.assertEqual(ws.freeze_panes, "C4", name)
            self.assertEqual(ws.auto_filter.ref, "A3:%s%d" % (ws.cell(3, ws.max_column).column_letter, ws.max_row))
        dst = self.book["DST"]
        row = self.row_of("DST", "header-and-comments.pas")
        self.assertEqual(dst.cell(row, 2).value, "100/06-21-047-09W5/00")
        pipe = dst.cell(row, self.column("DST", "~WELL INFORMATION", "DPID.MM"))
        self.assertEqual((pipe.value, pipe.number_format), (114.3, "0.00"))  # shows 114.30
        self.assertEqual(dst.cell(row, self.column("DST", "~TEST DATA", "LFNUM.")).value, "007")
        self.assertEqual(dst.cell(row, self.column("DST", "~TEST DATA", "LABCO.")).data_type, "s")
        gauges = self.row_of("DST", "drillstem-test.pas")
        self.assertEqual(dst.cell(3, self.column("DST", "~DTG (2)", "rows")).value, "~DTG (2) rows")
        self.assertGreater(dst.cell(gauges, self.column("DST", "~DTG (2)", "rows")).value, 0)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)

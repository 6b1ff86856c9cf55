#!/usr/bin/env python3
"""Converts PAS files with tarnwell-convert and reads the workbooks back with openpyxl, an
independent reader: what a spreadsheet program would find in them."""
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

import openpyxl

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import converter_command  # noqa: E402

CONVERT = sys.argv[1] if len(sys.argv) > 1 else "build/bin/tarnwell-convert"
SOURCE = sys.argv[2] if len(sys.argv) > 2 else "."
EXAMPLE = os.path.join(SOURCE, "examples", "header-and-comments.pas")


WINDOWS = converter_command.is_windows(CONVERT)


def run(*args):
    return converter_command.run(CONVERT, args, capture_output=True, text=True, timeout=120)


def native(path):
    return converter_command.native(CONVERT, path)


def rgb(colour):
    return colour.rgb[-6:] if colour is not None and isinstance(colour.rgb, str) else None


class Example(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.tmp.name, "example.xlsx")
        result = run("--quiet", "-o", cls.out, EXAMPLE)
        assert result.returncode == 0, result.stderr
        cls.book = openpyxl.load_workbook(cls.out)
        cls.info = cls.book["TEST INFORMATION"]

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_one_sheet_active(self):
        self.assertEqual(self.book.sheetnames, ["TEST INFORMATION"])
        self.assertEqual(self.book.active.title, "TEST INFORMATION")

    def test_generated_line_and_summary(self):
        d1, d2 = self.info["D1"], self.info["D2"]
        self.assertTrue(d1.value.startswith("PAS File (%s)    Generated (" % native(EXAMPLE)), d1.value)
        self.assertTrue(d1.font.b)
        self.assertEqual(rgb(d1.font.color), "0000FF")
        self.assertRegex(d2.value, r"^\d+ lines scanned and converted \(4 Errors detected\)$")
        self.assertTrue(d2.font.b and d2.font.i)
        self.assertEqual(rgb(d2.font.color), "FF0000")

    def test_header_row_widths_and_logo(self):
        self.assertEqual([self.info.cell(4, c).value for c in (1, 2, 3, 4, 7)],
                         ["File Line", "Section", "PAS Mnemonic", "Value", "Description"])
        self.assertTrue(all(self.info.cell(4, c).font.b for c in (1, 2, 3, 4, 7)))
        self.assertEqual({rgb(self.info.cell(4, c).fill.fgColor) for c in range(1, 16)}, {"FEE8B4"})
        self.assertAlmostEqual(self.info.column_dimensions["B"].width, 30, delta=1)
        self.assertAlmostEqual(self.info.column_dimensions["C"].width, 20, delta=1)
        self.assertEqual([str(r) for r in self.info.merged_cells.ranges], ["B1:B3"])
        # openpyxl keeps pictures only with an imaging library; read the drawing itself.
        with zipfile.ZipFile(self.out) as z:
            self.assertEqual([n for n in z.namelist() if n.startswith("xl/media/")], ["xl/media/image1.gif"])
            rels = "".join(z.read(n).decode() for n in z.namelist() if n.startswith("xl/drawings/_rels/"))
            drawing = "".join(z.read(n).decode() for n in z.namelist() if re.match(r"xl/drawings/drawing\d+\.xml", n))
        self.assertIn("hyperlink", rels)
        self.assertIn("https://tarnwell.hollowmere.example/pas-report", rels)
        self.assertIn('tooltip="https://tarnwell.hollowmere.example/"', drawing)
        anchor = re.search(r"<xdr:from><xdr:col>(\d+)</xdr:col>.*?<xdr:row>(\d+)</xdr:row>", drawing)
        self.assertEqual(anchor.groups(), ("1", "0"))

    def rows(self):
        return [r for r in self.info.iter_rows(min_row=5) if any(c.value is not None for c in r)]

    def test_value_row_with_styles(self):
        row = next(r for r in self.info.iter_rows(min_row=5) if r[0].value == 5)
        self.assertEqual([c.value for c in row[:7]], [5, "~VERSION", "PASTYPE.", "DST", None, None, "PAS file Type"])
        self.assertTrue(row[2].font.b)
        self.assertTrue(row[6].font.i)
        self.assertEqual(rgb(row[6].font.color), "808080")
        self.assertIn(row[0].fill.fill_type, (None, "none"))

    def test_numbers_show_their_digits_and_text_stays_text(self):
        values = {r[2].value: r[3] for r in self.rows()}
        self.assertEqual(values["VERS."].value, 4.0)
        self.assertEqual(values["VERS."].number_format, "0.0")
        self.assertEqual(values["DPID.MM"].number_format, "0.00")
        self.assertEqual(values["TSUR.DEGC"].value, -4.5)
        self.assertEqual(values["LFNUM."].value, "007")
        self.assertEqual(values["LABCO."].value, '="not a formula"')
        self.assertEqual(values["LABCO."].data_type, "s")
        self.assertEqual(values["WHDP.M"].value, None)  # an empty value

    def test_comment_and_error_rows(self):
        rows = self.rows()
        comments = [r for r in rows if r[1].value == "#PAS COMMENT"]
        errors = [r for r in rows if r[1].value == "Could not parse line"]
        self.assertEqual(len(comments), 6)
        self.assertEqual(rgb(comments[0][2].fill.fgColor), "FFFF80")
        self.assertEqual({rgb(c.fill.fgColor) for c in comments[0][2:15]}, {"FFFF80"})
        self.assertEqual([r[3].value for r in errors],
                         ["~TEST DATA,NOSUCH.UNIT,12,A mnemonic no table knows,",
                          "~test data,RTEMP.DEGC,21.5,Section name in lower case,",
                          "~TEST DATA,RTEMP.DEGC,21.5", "a line without any comma"])
        self.assertEqual(rgb(errors[0][2].fill.fgColor), "FF4040")
        loose = [r for r in rows if r[2].value == "TTOPL.M"]
        self.assertEqual(loose[0][3].value, 1843.5)

    def test_every_non_blank_line_is_one_row(self):
        with open(EXAMPLE, "rb") as f:
            lines = [l for l in f.read().splitlines() if l.strip()]
        self.assertEqual(len(self.rows()), len(lines))
        self.assertEqual([r[0].value for r in self.rows()],
                         [n for n, l in enumerate(open(EXAMPLE, "rb").read().splitlines(), 1) if l.strip()])


class Encoding(unittest.TestCase):
    def test_bytes_reach_the_workbook_as_utf8(self):
        with tempfile.TemporaryDirectory() as tmp:
            pas = os.path.join(tmp, "enc.pas")
            with open(pas, "wb") as f:
                f.write(b"~WELL INFORMATION,COMP.,Soci\xe9t\xe9 \x80,x,\n"
                        b"~WELL INFORMATION,FORM.,Caf\xc3\xa9,x,\n"
                        b"bad \x00 \x01 _x0041_ line\n")
            result = run("--quiet", pas)
            self.assertEqual(result.returncode, 0, result.stderr)
            sheet = openpyxl.load_workbook(os.path.join(tmp, "enc.xlsx"))["TEST INFORMATION"]
            self.assertEqual(sheet["D5"].value, "Soci\u00e9t\u00e9 \u20ac")
            self.assertEqual(sheet["D6"].value, "Caf\u00e9")
            self.assertIn("_x0041_", sheet["D7"].value)


class Charts(unittest.TestCase):
    """The pressure charts, read back from the file's chart parts."""

    def convert(self, *extra):
        tmp = tempfile.mkdtemp()
        self.addCleanup(lambda: __import__("shutil").rmtree(tmp))
        out = os.path.join(tmp, "dst.xlsx")
        result = run("--quiet", *extra, "-o", out, os.path.join(SOURCE, "examples", "drillstem-test.pas"))
        self.assertEqual(result.returncode, 0, result.stderr)
        charts = {}
        with zipfile.ZipFile(out) as z:
            for name in z.namelist():
                if name.startswith("xl/charts/chart"):
                    xml = z.read(name).decode()
                    title = re.search(r"<a:t>([^<]*)</a:t>", xml).group(1)
                    charts[title] = re.findall(r"<c:f>([^<]*)</c:f>", xml)
        return out, charts

    def test_gauge_tables_are_charted_from_their_own_columns(self):
        out, charts = self.convert()
        sheet = openpyxl.load_workbook(out)["GAUGE 1"]
        rows = [r[0].row for r in sheet.iter_rows(min_row=2) if r[1].value == "~DTG (1)"]
        definitions = [r[2].value for r in sheet.iter_rows(min_row=2) if r[1].value == "~DATA TABLE - GAUGE (1)"]
        col = lambda mnemonic: "CDEFGHIJ"[definitions.index(mnemonic)]
        span = lambda c: "'GAUGE 1'!$%s$%d:$%s$%d" % (c, rows[0], c, rows[-1])
        self.assertEqual(charts["GAUGE 1 - ~DTG (1): pressure"], [span(col("TIME.DAY/HR/SS")), span(col("PRGA.KPAA"))])
        self.assertEqual(charts["GAUGE 1 - ~DTG (1): temperature"], [span(col("TIME.DAY/HR/SS")), span(col("TGA.DEGC"))])
        self.assertIn("GAUGE 1 - ~DTFG (1): pressure", charts)
        self.assertFalse([t for t in charts if t.startswith(("TEST INFORMATION", "SUMMARY", "RECOVERIES", "ANALYSIS"))])

    def test_no_charts_leaves_them_out(self):
        _, charts = self.convert("--no-charts")
        self.assertEqual(charts, {})


class CommandLine(unittest.TestCase):
    def test_usage_errors_exit_2(self):
        self.assertEqual(run().returncode, 2)
        self.assertEqual(run("--bogus", EXAMPLE).returncode, 2)
        self.assertEqual(run("-o", "x.xlsx", EXAMPLE, EXAMPLE).returncode, 2)
        self.assertIn("Usage: tarnwell-convert", run("--help").stdout)
        self.assertRegex(run("--version").stdout, r"^tarnwell-convert \d+\.\d+")

    def test_info(self):
        result = run("--info", EXAMPLE)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout.splitlines(), [
            "File: header-and-comments.pas", "Type: DST", "Type name: Drillstem Test", "Version: 4.0",
            "UWI: 100/06-21-047-09W5/00", "Company: Hollowmere Exploration Ltd.", "Formation: Cardium"])

    def test_bad_inputs_and_outputs_exit_1_and_write_nothing(self):
        with tempfile.TemporaryDirectory() as tmp:
            missing = os.path.join(tmp, "missing.pas")
            result = run(missing)
            self.assertEqual(result.returncode, 1)
            self.assertIn(native(missing), result.stderr)
            result = run(tmp)
            self.assertEqual(result.returncode, 1)
            self.assertIn("is a directory", result.stderr)
            result = run("-d", os.path.join(tmp, "nowhere"), EXAMPLE)
            self.assertEqual(result.returncode, 1)
            self.assertIn(native(os.path.join(tmp, "nowhere")), result.stderr)
            # one bad input among good ones: the good ones are still converted
            result = run("--quiet", "-d", tmp, missing, EXAMPLE)
            self.assertEqual(result.returncode, 1)
            self.assertEqual(sorted(os.listdir(tmp)), ["header-and-comments.xlsx"])

    def test_a_batch_keeps_going_and_ends_with_a_table(self):
        with tempfile.TemporaryDirectory() as tmp:
            bad = os.path.join(tmp, "binary.pas")
            with open(bad, "wb") as f:
                f.write(bytes(range(256)) * 4)
            water = os.path.join(SOURCE, "examples", "water-analysis.pas")
            result = run("-d", tmp, "-j", "2", EXAMPLE, os.path.join(tmp, "missing.pas"), bad, water)
            self.assertEqual(result.returncode, 1)
            lines = result.stdout.splitlines()
            self.assertEqual(lines[0].split(), ["File", "Type", "Lines", "Errors", "Seconds", "Workbook"])
            self.assertRegex(lines[1], r"header-and-comments\.pas +DST +33 +4 +[0-9.]+ +.*header-and-comments\.xlsx$")
            self.assertRegex(lines[2], r"missing\.pas +- +- +[0-9.]+ +FAILED: cannot open .*missing\.pas")
            self.assertRegex(lines[3], r"binary\.pas +\d+ +\d+ +[0-9.]+ +.*binary\.xlsx  \(does not look like a PAS file; "
                                       r"end-of-file mark \(Ctrl-Z\) on line \d+\)$")
            self.assertRegex(lines[4], r"water-analysis\.pas +WAN +44 +1 ")
            self.assertEqual(lines[5], "3 of 4 files converted")
            self.assertIn("cannot open", result.stderr)
            openpyxl.load_workbook(os.path.join(tmp, "binary.xlsx"))

    def test_info_as_json_lines(self):
        import json
        water = os.path.join(SOURCE, "examples", "water-analysis.pas")
        result = run("--info", "--json", water, "/no/such.pas")
        self.assertEqual(result.returncode, 1)
        first, second = [json.loads(l) for l in result.stdout.splitlines()]
        self.assertEqual(first, {"file": "water-analysis.pas", "type": "WAN", "typeName": "Water Analysis",
                                 "version": "2.0", "uwi": "102/14-09-062-22W4/00",
                                 "company": "Hollowmere Exploration Ltd.", "formation": "Leduc", "looksLikePas": True})
        self.assertEqual(second["file"], "such.pas")
        self.assertIn(native("/no/such.pas"), second["error"])

    def test_info_of_a_file_the_regulator_accepted(self):
        import json
        accepted = os.path.join(SOURCE, "examples", "gas-analysis-accepted.pas")
        plain = run("--info", accepted)
        self.assertEqual(plain.stdout.splitlines(), [
            "File: gas-analysis-accepted.pas", "Type: GAN", "Type name: Gas Analysis", "Version: 4.00",
            "UWI: 100/14-33-061-02W6/00", "Company: Hollowmere Exploration Ltd.", "Formation: Montney"])
        facts = json.loads(run("--info", "--json", accepted).stdout)
        self.assertEqual(facts["uwi"], "100/14-33-061-02W6/00")
        self.assertEqual({k: facts[k] for k in ("trackingId", "submissionDate", "submitter", "licensee")},
                         {"trackingId": "WTC2025061187", "submissionDate": "2025 06 12 1447",
                          "submitter": "M. Okafor", "licensee": "Hollowmere Resources Partnership"})
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "accepted.xlsx")
            self.assertEqual(run("-q", "-o", out, accepted).returncode, 0)
            info = openpyxl.load_workbook(out)["TEST INFORMATION"]
            rows = [[c.value for c in r] for r in info.iter_rows(min_row=5)
                    if r[1].value == "~FILE VERIFICATION"]
            self.assertEqual([(r[2], r[3], r[6]) for r in rows], [
                ("WTCNUM", "WTC2025061187", "AER WTC Tracking ID"),
                ("WTCDAT", "2025 06 12 1447", "Submission/Acceptance Date"),
                ("WTCSUB", "M. Okafor", "Submitter"),
                ("COMP.", "Hollowmere Resources Partnership", "Licensee Name")])

    def test_a_gauge_sheet_per_row_within_a_low_limit_of_open_files(self):
        # Each gauge row names a gauge of its own: more sheets than files may be open.
        import resource
        # Windows has no such limit to lower; its C runtime keeps at most 512 streams open.
        gauges = 600 if WINDOWS else 300
        lines = ["~VERSION,PASTYPE.,DST,PAS file Type,", "~VERSION,VERS.,4.0,PAS file version,",
                 "~DATA TABLE - GAUGE (1),TIME.DAY/HR/SS,,Time,", "~DATA TABLE - GAUGE (1),PRGA.KPAA,,Pressure,"]
        lines += ["~DTG (%d),2025 03 14 0930:00,%d.5," % (34200 + 60 * i, 20000 + i) for i in range(gauges)]
        limit = lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (100, 100))
        with tempfile.TemporaryDirectory() as tmp:
            pas, out = os.path.join(tmp, "many.pas"), os.path.join(tmp, "many.xlsx")
            with open(pas, "w") as f:
                f.write("\n".join(lines) + "\n")
            if WINDOWS:
                result = run("-q", "-o", native(out), native(pas))
            else:
                result = subprocess.run([CONVERT, "-q", "-o", out, pas], capture_output=True, text=True,
                                        timeout=120, preexec_fn=limit)
            self.assertEqual(result.returncode, 0, result.stderr)
            book = openpyxl.load_workbook(out, read_only=True)
            self.assertEqual(len(book.sheetnames), gauges + 2)  # and the general sheet, and GAUGE 1's columns
            found = {}
            for ws in book.worksheets[1:]:
                for row in ws.iter_rows(min_row=2, values_only=True):
                    if row[1] and row[1].startswith("~DTG"):
                        found[row[1]] = (ws.title, row[0], row[3])
            self.assertEqual(len(found), gauges)
            for i in range(gauges):
                number = 34200 + 60 * i
                self.assertEqual(found["~DTG (%d)" % number], ("GAUGE %d" % number, 5 + i, 20000 + i + 0.5))

    def test_the_input_is_never_overwritten_and_a_file_is_no_folder(self):
        with tempfile.TemporaryDirectory() as tmp:
            pas = os.path.join(tmp, "w.pas")
            with open(EXAMPLE, "rb") as f, open(pas, "wb") as o:
                original = f.read()
                o.write(original)
            result = run("-q", "-o", pas, pas)
            self.assertEqual(result.returncode, 1)
            self.assertIn("it is the input file itself", result.stderr)
            with open(pas, "rb") as f:
                self.assertEqual(f.read(), original)
            result = run("-q", "-d", pas, EXAMPLE)
            self.assertEqual(result.returncode, 1)
            self.assertIn(native(pas) + " is not a folder", result.stderr)

    def test_existing_workbook_survives_a_failed_write(self):
        if WINDOWS:
            self.skipTest("Windows has no folder permissions Wine maps; see the Windows suite's read-only target")
        if os.geteuid() == 0:
            self.skipTest("root can write into read-only folders")
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "keep.xlsx")
            with open(out, "wb") as f:
                f.write(b"old")
            os.chmod(tmp, 0o500)
            try:
                result = run("--quiet", "-o", out, EXAMPLE)
            finally:
                os.chmod(tmp, 0o700)
            self.assertEqual(result.returncode, 1)
            with open(out, "rb") as f:
                self.assertEqual(f.read(), b"old")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])

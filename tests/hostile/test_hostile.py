#!/usr/bin/env python3
"""Hostile input through tarnwell-convert: truncated, mis-encoded, binary and enormous files,
inputs that cannot be read and outputs that cannot be written.

Whatever arrives, every non-blank line of the input must come out as one row of the workbook
(value, table, comment or error row), and the workbook must be one that an independent reader
(openpyxl) opens. Usage:

    test_hostile.py TARNWELL-CONVERT SOURCE-DIR [TEST-CLASS...]

With TARNWELL_KEEP_WORKBOOKS=DIR every workbook read back is also copied into DIR, so that
scripts/check-with-libreoffice can give them to LibreOffice as well.
"""
import contextlib
import glob
import json
import os
import posixpath
import re
import resource
import shutil
import stat
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import xml.etree.ElementTree as ET
import zipfile

import openpyxl

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import converter_command  # noqa: E402

CONVERT = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else "build/bin/tarnwell-convert"
SOURCE = sys.argv[2] if len(sys.argv) > 2 else "."
KEEP = os.environ.get("TARNWELL_KEEP_WORKBOOKS")

GENERAL = "TEST INFORMATION"
HEADER_CELLS = {1: "File Line", 2: "Section", 3: "PAS Mnemonic", 4: "Value", 7: "Description"}
MAX_TEXT = 32767
MAX_ROWS = 1048576
# A drillstem test: its reader knows the data block ~DTREC (sheet RECOVERIES) and the numbered
# gauge blocks ~DTG (n) (sheets GAUGE n).
DST = b"~VERSION,PASTYPE.,DST,PAS file Type,\n~VERSION,VERS.,4.0,PAS file version,\n"
UNDEFINED_IN_1252 = (0x81, 0x8D, 0x8F, 0x90, 0x9D)


# --- What the input holds -------------------------------------------------------------------

def utf16_to_utf8(data, big_endian):
    """Decodes UTF-16 as the reader does: a lone surrogate and an odd last byte become U+FFFD."""
    units = [int.from_bytes(data[i:i + 2], "big" if big_endian else "little")
             for i in range(0, len(data) - 1, 2)]
    out, k = [], 0
    while k < len(units):
        u = units[k]
        if 0xD800 <= u <= 0xDBFF and k + 1 < len(units) and 0xDC00 <= units[k + 1] <= 0xDFFF:
            out.append(chr(0x10000 + ((u - 0xD800) << 10) + (units[k + 1] - 0xDC00)))
            k += 2
            continue
        out.append("\ufffd" if 0xD800 <= u <= 0xDFFF else chr(u))
        k += 1
    if len(data) % 2:
        out.append("\ufffd")
    return "".join(out).encode("utf-8")


def pas_lines(data):
    """The lines of a file as Tarnwell reads them: LF, CRLF and a lone CR end a line, a Ctrl-Z
    followed only by blanks, line ends and Ctrl-Z ends the file (any other is left out), a UTF-8
    byte-order mark is skipped and UTF-16 is decoded."""
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):
        data = utf16_to_utf8(data[2:], data[:2] == b"\xfe\xff")
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    quiet_end = re.search(rb"\x1a[ \t\r\n\x1a]*\Z", data)
    data = (data[:quiet_end.start()] if quiet_end else data).replace(b"\x1a", b"")
    lines = re.split(rb"\r\n|\r|\n", data)
    if lines[-1] == b"":
        lines.pop()
    return lines


def non_blank(data):
    """(line number, trimmed line) of every line that must become a row."""
    return [(n, line.strip(b" \t")) for n, line in enumerate(pas_lines(data), 1) if line.strip(b" \t")]


def shown(raw):
    """A text as the workbook must show it: valid UTF-8 as it is, anything else Windows-1252."""
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return "".join(chr(b) if b in UNDEFINED_IN_1252 else bytes([b]).decode("cp1252") for b in raw)


def unescape(text):
    """The file format writes some characters as _xHHHH_; a spreadsheet shows the character."""
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), text)


def header_row(sheet_name):
    return 4 if sheet_name == GENERAL else 1


# --- Running the converter ------------------------------------------------------------------

def run(*args, timeout=300, **kwargs):
    return converter_command.run(CONVERT, args, capture_output=True, timeout=timeout, **kwargs)


def native(path):
    return converter_command.native(CONVERT, path)


def errors_of(result):
    return result.stderr.decode("utf-8", "replace")


def run_unprivileged(test, *args):
    """Runs the converter without the capabilities that carry root past file permissions: in a
    user namespace of its own it keeps its user but no privilege over files."""
    if os.geteuid() != 0:
        return run(*args)
    if not shutil.which("unshare") or subprocess.run(["unshare", "--user", "true"]).returncode != 0:
        test.skipTest("root, and no user namespace to give up its privileges in")
    return subprocess.run(["unshare", "--user", CONVERT, *args], capture_output=True, timeout=300)


def in_private_mounts(test, script, *args):
    """Runs a shell script in a mount namespace of its own, where it may mount tmpfs freely;
    nothing it mounts is seen outside or outlives it."""
    if not shutil.which("unshare"):
        test.skipTest("unshare is not installed")
    result = subprocess.run(["unshare", "--user", "--map-root-user", "--mount", "sh", "-ec", script, "sh", *args],
                            capture_output=True, timeout=300)
    # The scripts say "exit N" once the converter ran; without it the namespace or the mount
    # was refused, which says nothing about Tarnwell.
    if b"exit " not in result.stdout:
        test.skipTest("no private mount namespace with tmpfs here: " + errors_of(result).strip())
    return result


class HostileCase(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory(prefix="tarnwell-hostile-")
        self.dir = self._tmp.name
        self.kept = 0

    def tearDown(self):
        for root, dirs, _ in os.walk(self.dir):
            for d in dirs:
                with contextlib.suppress(OSError):
                    os.chmod(os.path.join(root, d), 0o700)
        self._tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def convert(self, data, name="hostile.pas", *args, **kwargs):
        """Converts `data` written as `name`; returns the result and the workbook's path."""
        source = self.write(name, data)
        out = self.path(name.rsplit(".", 1)[0] + ".xlsx")
        return run("--quiet", "-o", out, *args, source, **kwargs), source, out

    def warnings(self, result, source):
        """The converter succeeded; its stderr holds warnings only, each naming the input."""
        self.assertEqual(result.returncode, 0, errors_of(result))
        lines = errors_of(result).splitlines()
        prefix = "tarnwell-convert: %s: warning: " % native(source)
        for line in lines:
            self.assertTrue(line.startswith(prefix), line[:300])
        return [line[len(prefix):] for line in lines]

    def refused(self, result, *needles):
        """The converter failed with exit status 1 and said why, naming what it could not use."""
        self.assertEqual(result.returncode, 1, errors_of(result))
        # libxlsxwriter may have said something of its own first.
        ours = "\n".join(line for line in errors_of(result).splitlines() if line.startswith("tarnwell-convert: "))
        self.assertTrue(ours, errors_of(result))
        for needle in needles:
            self.assertIn(needle, ours)
        return ours

    def keep(self, workbook):
        if KEEP:
            self.kept += 1
            os.makedirs(KEEP, exist_ok=True)
            shutil.copy(workbook, os.path.join(KEEP, "%s-%d.xlsx" % (self.id().split(".", 1)[-1], self.kept)))

    # --- Reading the workbook back ----------------------------------------------------------

    def read_back(self, data, workbook, warnings=()):
        """Opens the workbook with openpyxl and checks that nothing of the input was lost: one
        row per non-blank line, in file order, comment and error rows holding their line (a
        text the warnings say was cut need only be the start of its line). Returns
        {sheet: [row values]} of the rows below each header row."""
        self.keep(workbook)
        cut = set(re.findall(r'sheet "([^"]+)", cell ([A-Z]+[0-9]+): text cut', "\n".join(warnings)))
        book = openpyxl.load_workbook(workbook)
        rows, found = {}, []
        for ws in book.worksheets:
            top = header_row(ws.title)
            self.assertEqual({c: ws.cell(top, c).value for c in HEADER_CELLS}, HEADER_CELLS, ws.title)
            for r in ws.iter_rows(max_row=top - 1) if top > 1 else ():
                for c in r:
                    if c.coordinate not in ("D1", "D2", "D3"):
                        self.assertIsNone(c.value, "%s!%s above the header row" % (ws.title, c.coordinate))
            rows[ws.title] = []
            for r in ws.iter_rows(min_row=top + 1):
                if any(c.value is not None for c in r):
                    rows[ws.title].append([c.value for c in r])
                    found.append((ws.title, r[0].row, rows[ws.title][-1]))
        self.assert_every_line_is_a_row(data, found, cut)
        return rows

    def assert_every_line_is_a_row(self, data, found, cut):
        expected = non_blank(data)
        self.assertEqual(len(found), len(expected), "rows written against non-blank lines")
        self.assertEqual(sorted(values[0] for _, _, values in found), [n for n, _ in expected])
        for name in {name for name, _, _ in found}:
            numbers = [values[0] for sheet, _, values in found if sheet == name]
            self.assertEqual(numbers, sorted(set(numbers)), "rows of %s out of file order" % name)
        lines = dict(expected)
        for name, row, values in found:
            if not name.startswith(GENERAL):
                continue
            line = shown(lines[values[0]])
            if values[1] == "Could not parse line":
                self.assertEqual(values[2], "ERROR")
                self.assert_shows(values[3], line, (name, "D%d" % row) in cut)
            elif values[1] == "#PAS COMMENT":
                self.assert_shows(values[2], line, (name, "C%d" % row) in cut)

    def assert_shows(self, value, text, was_cut):
        if isinstance(value, (int, float)):
            self.assertEqual(value, float(text))
            return
        self.assertIsInstance(value, str)
        value = unescape(value)
        if was_cut:
            self.assertTrue(text.startswith(value) and value != text and len(value) <= MAX_TEXT, value[:200])
        else:
            self.assertEqual(value, text)

    def general_summary(self, workbook):
        return openpyxl.load_workbook(workbook)[GENERAL]["D2"].value


# --- The examples ---------------------------------------------------------------------------

class Examples(HostileCase):
    def test_every_example_keeps_every_line(self):
        files = sorted(glob.glob(os.path.join(SOURCE, "examples", "*.[pP][aA][sS]")))
        self.assertTrue(files, "no example files found")
        for source in files:
            with self.subTest(example=os.path.basename(source)):
                out = self.path(os.path.basename(source) + ".xlsx")
                result = run("--quiet", "-o", out, source)
                warnings = self.warnings(result, source)
                with open(source, "rb") as f:
                    self.read_back(f.read(), out, warnings)


# --- Bytes and line ends --------------------------------------------------------------------

class Bytes(HostileCase):
    def test_every_byte_value_inside_values(self):
        # A Ctrl-Z with lines after it is left out; last in the file it would end it.
        order = [b for b in range(256) if b != 0x1A] + [0x1A]
        data = DST + b"".join(b"~TEST DATA,LABCO.,<" + bytes([b]) + b">,Laboratory,\n" for b in order)
        result, source, out = self.convert(data)
        self.warnings(result, source)
        rows = {row[0]: row for row in self.read_back(data, out)[GENERAL]}
        number = 3  # the first value line
        for b in order:
            with self.subTest(byte=hex(b)):
                row = rows[number]
                if b in (0x0A, 0x0D):  # the line ends inside the value: two error rows
                    self.assertEqual(row[1], "Could not parse line")
                    self.assertEqual(rows[number + 1][3], ">,Laboratory,")
                    number += 1
                elif b == 0x2C:  # a comma ends the value
                    self.assertEqual(row[1:4], ["~TEST DATA", "LABCO.", "<"])
                elif b == 0x1A:
                    self.assertEqual(row[1:4], ["~TEST DATA", "LABCO.", "<>"])
                else:
                    self.assertEqual(row[1:3], ["~TEST DATA", "LABCO."])
                    self.assertEqual(unescape(row[3]), "<" + shown(bytes([b])) + ">")
                number += 1

    def test_every_byte_value_inside_section_names(self):
        order = [b for b in range(256) if b != 0x1A] + [0x1A]
        data = DST + b"".join(b"~TEST" + bytes([b]) + b"DATA,RTEMP.DEGC,21.5,x,\n" for b in order)
        result, source, out = self.convert(data)
        self.warnings(result, source)
        rows = self.read_back(data, out)[GENERAL]
        recognised = [row for row in rows if row[1] == "~TEST DATA"]
        self.assertEqual([(row[2], row[3]) for row in recognised], [("RTEMP.DEGC", 21.5)])  # the blank
        self.assertEqual(len(rows), 2 + 256 + 2)  # LF and CR each split their line in two

    def test_nul_bytes(self):
        data = DST + (b"\x00\n\x00\x00\x00\n~TEST DATA,LABCO.,a\x00b,Lab,\n~TEST\x00DATA,LABCO.,x,y,\n"
                      b"# note \x00 end\n\x00~VERSION,UNIT.,METRIC,x,\n  \x00  \n~TEST DATA,SERCO.,\x00,x,\x00\n")
        result, source, out = self.convert(data)
        self.warnings(result, source)
        rows = self.read_back(data, out)[GENERAL]
        values = {row[2]: unescape(row[3]) for row in rows if row[1] == "~TEST DATA"}
        self.assertEqual(values, {"LABCO.": "a\x00b", "SERCO": "\x00"})
        self.assertEqual(len([row for row in rows if row[1] == "Could not parse line"]), 5)

    def test_bytes_that_windows_1252_leaves_undefined(self):
        odd = bytes(UNDEFINED_IN_1252)
        data = DST + (b"~TEST DATA,LABCO.,a" + odd + b"z,Lab,\n" + odd + b" on a line of its own\n# " + odd + b"\n"
                      b"~DTREC,1," + odd + b",\n~TEST DATA,SERCO.,Caf\xc3\xa9 \x81,mixed,\n")
        result, source, out = self.convert(data)
        self.warnings(result, source)
        rows = self.read_back(data, out)
        general = {row[0]: row for row in rows[GENERAL]}
        self.assertEqual(general[3][3], "a\x81\x8d\x8f\x90\x9dz")
        self.assertEqual(general[4][3], "\x81\x8d\x8f\x90\x9d on a line of its own")
        self.assertEqual(general[5][2], "# \x81\x8d\x8f\x90\x9d")
        self.assertEqual(rows["RECOVERIES"][0][2:4], [1, "\x81\x8d\x8f\x90\x9d"])
        self.assertEqual(general[7][3], "Caf\u00c3\u00a9 \x81")  # not UTF-8 as a whole: all of it 1252

    def test_line_ends_mixed(self):
        # CR, LF and CRLF in every order and blank lines of each kind; then a CRLF that the read
        # buffer (64 KiB) cuts between its CR and its LF, and a lone CR it cuts from what follows.
        data = DST + b"# cr\r# lf\n# crlf\r\n\r\r\n\n\n\r# lf cr\n\r# cr cr lf\r\r\n"
        data = pad_to(data, 65535 - len(b"# before the cut")) + b"# before the cut\r\n# after the cut\n"
        data = pad_to(data, 2 * 65536 - 1 - len(b"# lone cr")) + b"# lone cr\r# next\r"
        self.assertEqual(data.index(b"\r\n# after"), 65535)
        self.assertEqual(data.index(b"\r# next"), 2 * 65536 - 1)
        result, source, out = self.convert(data)
        self.warnings(result, source)
        rows = self.read_back(data, out)[GENERAL]
        comments = [(row[0], row[2]) for row in rows if row[1] == "#PAS COMMENT" and not row[2].startswith("#f")]
        self.assertEqual(comments[:5], [(3, "# cr"), (4, "# lf"), (5, "# crlf"), (11, "# lf cr"), (13, "# cr cr lf")])
        self.assertEqual([text for _, text in comments[5:]], ["# before the cut", "# after the cut", "# lone cr", "# next"])
        self.assertEqual(comments[6][0], comments[5][0] + 1)
        self.assertEqual(comments[8][0], comments[7][0] + 1)

    def test_utf8_byte_order_mark(self):
        data = b"\xef\xbb\xbf" + DST + b"\xef\xbb\xbf~TEST DATA,LABCO.,mark inside,x,\n"
        result, source, out = self.convert(data)
        self.warnings(result, source)
        rows = self.read_back(data, out)[GENERAL]
        self.assertEqual(rows[0][:4], [1, "~VERSION", "PASTYPE.", "DST"])  # the mark is not part of it
        self.assertEqual(rows[2][3], "\ufeff~TEST DATA,LABCO.,mark inside,x,")  # only the first is a mark

    def test_ctrl_z_ends_the_file_only_where_nothing_follows(self):
        data = DST + b"~TEST DATA,LABCO.,before\x1aafter,x,\n~TEST DATA,SERCO.,read too,x,\n\x1a \r\n\x1a"
        result, source, out = self.convert(data)
        note = "end-of-file mark (Ctrl-Z) found on line 3: the line after it was read too"
        self.assertEqual(self.warnings(result, source), [note])
        rows = self.read_back(data, out)[GENERAL]
        self.assertEqual([row[3] for row in rows[-2:]], ["beforeafter", "read too"])
        self.assertEqual(self.general_summary(out), "4 lines scanned and converted (0 Errors detected)")
        self.assertEqual(openpyxl.load_workbook(out)[GENERAL]["D3"].value, note[0].upper() + note[1:])
        result, source, out = self.convert(DST + b"\x1a", "quiet.pas")
        self.assertEqual(self.warnings(result, source), [])

    def test_utf16_with_byte_order_mark(self):
        text = ("~VERSION,PASTYPE.,WAN,PAS file Type,\r\n~VERSION,VERS.,2.0,x,\r\n"
                "~TEST DATA,LABCO.,Caf\u00e9 \u20ac \U0001D11E,x,\r\n~CATIONS,NA.MG/L,48210,Sodium,\r\n")
        for mark, codec in ((b"\xff\xfe", "utf-16-le"), (b"\xfe\xff", "utf-16-be")):
            with self.subTest(codec=codec):
                lone = "\ud800".encode(codec, "surrogatepass")
                data = (mark + text.encode(codec) + "~TEST DATA,SERCO.,a".encode(codec) + lone +
                        "b,x,\r\n# odd".encode(codec) + b"!")
                result, source, out = self.convert(data, codec + ".pas")
                self.warnings(result, source)
                rows = self.read_back(data, out)
                values = {row[2]: row[3] for row in rows[GENERAL] if row[1] == "~TEST DATA"}
                self.assertEqual(values, {"LABCO.": "Caf\u00e9 \u20ac \U0001D11E", "SERCO": "a\ufffdb"})
                self.assertEqual(rows[GENERAL][-1][2], "# odd\ufffd")
                self.assertEqual(rows["CATIONS"][0][:4], [4, "~CATIONS", "NA.MG/L", 48210])

    def test_empty_file(self):
        result, source, out = self.convert(b"")
        self.warnings(result, source)
        self.assertEqual(self.read_back(b"", out), {GENERAL: []})
        self.assertEqual(self.general_summary(out), "0 lines scanned and converted (0 Errors detected)")

    def test_a_file_of_only_blanks(self):
        data = b"   \n\t\t\n\r\n \r\n\n \t \r   "
        result, source, out = self.convert(data)
        self.warnings(result, source)
        self.assertEqual(self.read_back(data, out), {GENERAL: []})
        self.assertEqual(self.general_summary(out), "7 lines scanned and converted (0 Errors detected)")

    def test_input_that_is_not_pas_is_converted_and_said_so(self):
        inputs = [self.write("binary.pas", bytes(range(256)) * 16), self.write("empty.pas", b""),
                  self.write("text.pas", b"Dear diary,\nnothing here is PAS.\n"), self.write("well.pas", DST)]
        result = run("--quiet", "-d", self.dir, *inputs)
        self.assertEqual(result.returncode, 0, errors_of(result))
        for path, odd in zip(inputs, (True, True, True, False)):
            warning = native(path) + ": warning: does not look like a PAS file: no ~VERSION section was found"
            self.assertEqual(warning in errors_of(result), odd, path)
        info = run("--info", "--json", *inputs).stdout.decode("utf-8").splitlines()
        self.assertEqual([json.loads(line)["looksLikePas"] for line in info], [False, False, False, True])


# --- The file format's limits ---------------------------------------------------------------

class Limits(HostileCase):
    def test_a_one_megabyte_line(self):
        mb = 1 << 20
        data = DST + b"~TEST DATA,LABCO.," + b"v" * mb + b",Lab,\n" + b"e" * mb + b"\n#" + b"c" * mb + b"\n"
        result, source, out = self.convert(data)
        cut = self.warnings(result, source)
        self.assertEqual(cut, ['sheet "TEST INFORMATION", cell %s: text cut to the 32,767 characters a cell '
                               'can hold' % cell for cell in ("D7", "D8", "C9")])
        rows = self.read_back(data, out, cut)[GENERAL]
        self.assertEqual(rows[2][3], "v" * MAX_TEXT)
        self.assertEqual(rows[3][3], "e" * MAX_TEXT)
        self.assertEqual(rows[4][2], "#" + "c" * (MAX_TEXT - 1))

    def test_a_data_row_of_100000_fields(self):
        fields = [b"f%d" % i for i in range(100000)]
        data = DST + b"~DTREC," + b",".join(fields) + b"\n~DTREC,next,\n"
        result, source, out = self.convert(data)
        self.assertEqual(self.warnings(result, source), [
            "sheet \"RECOVERIES\", row 2: 83619 values past the last column were joined into it",
            'sheet "RECOVERIES", cell XFD2: text cut to the 32,767 characters a cell can hold'])
        rows = self.read_back(data, out)["RECOVERIES"]
        row = rows[0]
        self.assertEqual(len(row), 16384)  # A to XFD
        self.assertEqual(row[:4], [3, "~DTREC", "f0", "f1"])
        self.assertEqual(row[26], "f24")  # AA
        self.assertEqual(row[16382], "f16380")  # XFC
        joined = ",".join(f.decode() for f in fields[16381:])
        self.assertEqual(row[16383], joined[:MAX_TEXT])  # XFD: the rest, as far as a cell holds
        self.assertEqual(rows[1][:3], [4, "~DTREC", "next"])

    def test_more_than_24_values_go_past_column_z(self):
        values = [b"v%d" % i for i in range(40)]
        data = DST + b"~DTREC," + b",".join(values) + b",\n"
        result, source, out = self.convert(data)
        self.assertEqual(self.warnings(result, source), [])
        book = openpyxl.load_workbook(out)["RECOVERIES"]
        self.assertEqual([book.cell(2, c).value for c in range(3, 43)], [v.decode() for v in values])
        self.assertEqual([book["Z2"].value, book["AA2"].value, book["AP2"].value, book["AQ2"].value],
                         ["v23", "v24", "v39", None])
        self.read_back(data, out)

    def test_a_text_over_32767_characters_is_cut_and_the_cut_reported(self):
        texts = [b"x" * 40000, b"y" * MAX_TEXT, b"\xe9" * 40000, b"_x0041_" * 5000, b"\x00" * 40000]
        data = DST + b"".join(b"~TEST DATA,LABCO.," + t + b",Lab,\n" for t in texts)
        result, source, out = self.convert(data)
        cut = self.warnings(result, source)
        self.assertEqual(cut, ['sheet "TEST INFORMATION", cell D%d: text cut to the 32,767 characters a cell '
                               'can hold' % row for row in (7, 9, 10, 11)])
        values = [unescape(row[3]) for row in self.read_back(data, out, cut)[GENERAL][2:]]
        self.assertEqual(values[0], "x" * MAX_TEXT)
        self.assertEqual(values[1], "y" * MAX_TEXT)  # exactly at the limit: whole
        self.assertEqual(values[2], "\u00e9" * MAX_TEXT)  # characters are counted, not bytes
        # A literal "_x0041_" is written with its underscore escaped; a cut never splits that.
        self.assertTrue(("_x0041_" * 5000).startswith(values[3]), values[3][-20:])
        self.assertGreater(len(values[3]), MAX_TEXT // 2)
        self.assertEqual(values[4], "\x00" * (MAX_TEXT // 7))  # each NUL is written as _x0000_

    def test_instance_numbers_of_30_digits(self):
        one, seven, huge = b"0" * 29 + b"1", b"0" * 29 + b"7", b"9" * 30
        data = DST + (b"~DTG (" + one + b"),2024 01 01 1200:00,10,\n~DTG (" + huge + b"),2024 01 01 1200:00,11,\n"
                      b"~HEADER DATA - GAUGE (" + seven + b"),GSER.,A5,Serial,\n"
                      b"~HEADER DATA - GAUGE (" + huge + b"),GSER.,A6,Serial,\n~DTG (" + b"0" * 30 + b"),x,\n")
        result, source, out = self.convert(data)
        self.warnings(result, source)
        rows = self.read_back(data, out)
        self.assertEqual(set(rows), {GENERAL, "GAUGE 0", "GAUGE 1", "GAUGE 7"})
        self.assertEqual(rows["GAUGE 1"][0][1], "~DTG (1)")
        self.assertEqual(rows["GAUGE 7"][0][1:4], ["~HEADER DATA - GAUGE (7)", "GSER.", "A5"])
        errors = [row[0] for row in rows[GENERAL] if row[1] == "Could not parse line"]
        self.assertEqual(errors, [4, 6])  # numbers no sheet can be named after stay whole as errors

    def test_many_sheets_at_a_low_open_file_limit(self):
        # Every sheet holds a temporary file open while the workbook is written; 1,024 open
        # files is a common default.
        soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        if hard != resource.RLIM_INFINITY and hard < 2048:
            self.skipTest("the hard limit on open files is %d" % hard)
        data = DST + b"".join(b"~DTG (%d),2024 01 01 1200:00,%d,\n" % (n, n) for n in range(1, 1501))
        low = lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (256, hard))
        result, source, out = self.convert(data, "many.pas", preexec_fn=low)
        self.warnings(result, source)
        rows = self.read_back(data, out)
        self.assertEqual(len(rows), 1501)
        self.assertEqual(rows["GAUGE 1500"][0][:2], [1502, "~DTG (1500)"])


# --- Two million rows -----------------------------------------------------------------------

def sheet_parts(workbook):
    """{sheet name: its part in the zip}, as the workbook's relationships give them."""
    m = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
    r = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
    with zipfile.ZipFile(workbook) as z:
        targets = {rel.get("Id"): posixpath.normpath(posixpath.join("xl", rel.get("Target")))
                   for rel in ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))}
        return {s.get("name"): targets[s.get(r + "id")] for s in ET.fromstring(z.read("xl/workbook.xml")).iter(m + "sheet")}


def file_lines_of_sheets(workbook):
    """{sheet name: the numbers in column A below the header}, read from the sheet XML as a
    stream: openpyxl takes minutes over two million rows."""
    cell = re.compile(rb'<c r="A(\d+)"[^>]*><v>(\d+)</v>')
    out = {}
    with zipfile.ZipFile(workbook) as z:
        for name, part in sheet_parts(workbook).items():
            numbers, buffer, top = [], b"", header_row(name)
            with z.open(part) as f:
                while True:
                    chunk = f.read(1 << 20)
                    buffer += chunk
                    cut = buffer.rfind(b"</c>") + 1 if chunk else len(buffer)  # whole cells only
                    numbers += [int(v) for row, v in cell.findall(buffer[:cut]) if int(row) > top]
                    buffer = buffer[cut:]
                    if not chunk:
                        break
            out[name] = numbers
    return out


class Million(HostileCase):
    def test_two_million_rows_continue_on_a_second_sheet(self):
        data = DST + b"~DTREC,\n" * 1999999 + b"~DTREC,last,\n"
        started = time.monotonic()
        result, source, out = self.convert(data, "two-million.pas")
        converted = time.monotonic() - started
        self.assertEqual(self.warnings(result, source), [
            'sheet "RECOVERIES" has more rows than a sheet can hold (1,048,576); they continue on sheet '
            '"RECOVERIES (2)"'])
        self.keep(out)
        book = openpyxl.load_workbook(out, read_only=True)
        self.assertEqual(book.sheetnames, [GENERAL, "RECOVERIES", "RECOVERIES (2)"])
        heads = {ws.title: list(ws.iter_rows(max_row=2, values_only=True)) for ws in book.worksheets[1:]}
        self.assertEqual(heads["RECOVERIES (2)"][0], heads["RECOVERIES"][0])  # the header row again
        self.assertEqual(heads["RECOVERIES"][1][:2], (3, "~DTREC"))
        self.assertEqual(heads["RECOVERIES (2)"][1][:2], (3 + MAX_ROWS - 1, "~DTREC"))
        self.assertEqual(book["RECOVERIES (2)"].max_row, 2000000 - (MAX_ROWS - 1) + 1)
        book.close()
        numbers = file_lines_of_sheets(out)
        self.assertEqual([len(numbers[s]) for s in book.sheetnames], [2, MAX_ROWS - 1, 2000000 - (MAX_ROWS - 1)])
        self.assertEqual(numbers["RECOVERIES"] + numbers["RECOVERIES (2)"], list(range(3, 2000003)))
        self.assertEqual(numbers[GENERAL], [1, 2])
        print("\n2,000,000 rows: converted in %.1f s" % converted, file=sys.stderr)

    def test_charts_name_the_rows_of_their_own_table(self):
        # Gauge 2 is charted; gauge 1's table only begins past the first million rows of its
        # sheet, on the continuation sheet, so its chart could name no rows of it.
        definitions = b"".join(b"~DATA TABLE - GAUGE (%d),%s,,x,\n" % (n, m)
                               for n in (2, 1) for m in (b"TIME.DAY/HR/SS", b"PRGA.KPAA", b"TGA.DEGC"))
        rows = lambda tag: b"".join(b"%s,2024 01 01 12%02d:00,%d,20.5,\n" % (tag, i, 100 + i) for i in range(20))
        data = (DST + definitions[:len(definitions) // 2] + rows(b"~DTG (2)") + b"~DTG (1),\n" * MAX_ROWS +
                definitions[len(definitions) // 2:] + rows(b"~DTFG (1)"))
        result, source, out = self.convert(data, "late-chart.pas")
        self.warnings(result, source)
        self.keep(out)
        with zipfile.ZipFile(out) as z:
            charts = [z.read(n).decode() for n in sorted(z.namelist()) if n.startswith("xl/charts/chart")]
        ranges = [re.fullmatch(r"'([^']+)'!\$([A-Z]+)\$(\d+):\$[A-Z]+\$(\d+)", f).groups()
                  for chart in charts for f in re.findall(r"<c:f>([^<]*)</c:f>", chart)]
        self.assertEqual({(sheet, int(first), int(last)) for sheet, _, first, last in ranges}, {("GAUGE 2", 5, 24)})
        gauge = openpyxl.load_workbook(out, read_only=True)["GAUGE 2"]
        self.assertEqual({row[1] for row in gauge.iter_rows(min_row=5, max_row=24, values_only=True)}, {"~DTG (2)"})
        self.assertEqual(len(charts), 2)  # pressure and temperature

    def test_the_stream_count_agrees_with_openpyxl(self):
        # The count above reads the XML itself; here both readers see the same rows.
        data = DST + b"~DTREC,1,\n#c\n\n~DTREC,\n~TEST DATA,LABCO.,lab,x,\nnot a line\n" * 300
        result, source, out = self.convert(data)
        self.warnings(result, source)
        rows = self.read_back(data, out)
        self.assertEqual(file_lines_of_sheets(out), {name: [row[0] for row in sheet] for name, sheet in rows.items()})


# --- Inputs that cannot be read, outputs that cannot be written ------------------------------

class Files(HostileCase):
    EXAMPLE = os.path.join(SOURCE, "examples", "header-and-comments.pas")

    def setUp(self):
        super().setUp()
        with open(self.EXAMPLE, "rb") as f:
            self.example = f.read()
        os.chmod(self.dir, 0o755)

    def old_workbook(self, path):
        """An existing workbook at the target, which a failed run must leave as it was."""
        result = run("--quiet", "-o", path, self.EXAMPLE)
        self.assertEqual(result.returncode, 0, errors_of(result))
        with open(path, "rb") as f:
            return f.read()

    def assert_unchanged(self, path, content):
        with open(path, "rb") as f:
            self.assertEqual(f.read(), content)

    # Inputs.

    def test_a_directory(self):
        result = run("-d", self.dir, self.dir)
        self.refused(result, self.dir + ": it is a directory")
        self.assertEqual(os.listdir(self.dir), [])

    def test_a_missing_file(self):
        missing = self.path("missing.pas")
        self.refused(run("-d", self.dir, missing), missing + ": No such file or directory")
        self.assertEqual(os.listdir(self.dir), [])

    def test_an_unreadable_file(self):
        source = self.write("locked.pas", self.example)
        os.chmod(source, 0)
        result = run_unprivileged(self, "-d", self.dir, source)
        self.refused(result, "cannot open " + source + ": Permission denied")
        self.assertEqual(os.listdir(self.dir), ["locked.pas"])

    def test_a_file_that_fails_while_it_is_read(self):
        # Reading /proc/self/mem from its start fails at once with an I/O error.
        result = run("-d", self.dir, "/proc/self/mem")
        self.refused(result, "/proc/self/mem: cannot read /proc/self/mem: Input/output error")
        self.assertEqual(os.listdir(self.dir), [])

    def test_a_pipe(self):
        out = self.path("piped.xlsx")
        result = run("--quiet", "-o", out, "/dev/stdin", input=self.example)
        self.warnings(result, "/dev/stdin")
        rows = self.read_back(self.example, out)
        self.assertEqual(rows[GENERAL][0][:3], [1, "#PAS COMMENT", "#" + "-" * 66])

    def test_a_pipe_with_a_progress_bar(self):
        # The bar counts the lines first: a pipe read once for the count had nothing left.
        try:
            master, slave = os.openpty()
        except OSError as error:
            self.skipTest("no pseudo-terminal: %s" % error)
        shown_bar = []
        reader = threading.Thread(target=lambda: shown_bar.append(_drain(master)))
        reader.start()
        out = self.path("piped.xlsx")
        try:
            result = subprocess.run([CONVERT, "-o", out, "/dev/stdin"], input=self.example,
                                    stdout=subprocess.PIPE, stderr=slave, timeout=120)
        finally:
            os.close(slave)
            reader.join(30)
            os.close(master)
        self.assertEqual(result.returncode, 0)
        self.assertIn(b"100% [", shown_bar[0])
        self.read_back(self.example, out)

    # Outputs.

    def test_an_output_folder_that_does_not_exist(self):
        nowhere = self.path("nowhere")
        self.refused(run("-d", nowhere, self.EXAMPLE), "the folder " + nowhere + " does not exist")
        self.refused(run("-o", os.path.join(nowhere, "x.xlsx"), self.EXAMPLE), nowhere + " does not exist")
        self.assertEqual(os.listdir(self.dir), [])

    def test_a_read_only_folder(self):
        folder = self.path("read-only")
        os.mkdir(folder)
        target = os.path.join(folder, "header-and-comments.xlsx")
        old = self.old_workbook(target)
        os.chmod(folder, 0o555)
        result = run_unprivileged(self, "-d", folder, self.EXAMPLE)
        self.refused(result, "cannot write " + target + ": Permission denied")
        self.assert_unchanged(target, old)
        self.assertEqual(os.listdir(folder), ["header-and-comments.xlsx"])

    def test_a_read_only_file_system(self):
        folder = self.path("mount")
        os.mkdir(folder)
        old = self.old_workbook(self.path("old.xlsx"))
        result = in_private_mounts(self, """
            mount -t tmpfs -o size=1m tmpfs "$1"
            cp "$2" "$1/keep.xlsx"
            mount -o remount,ro "$1"
            set +e
            "$3" --quiet -o "$1/keep.xlsx" "$4"; echo "exit $?"
            cmp -s "$2" "$1/keep.xlsx" && echo "kept"; ls -A "$1"
            """, folder, self.path("old.xlsx"), CONVERT, self.EXAMPLE)
        self.assertEqual(result.stdout.decode().split(), ["exit", "1", "kept", "keep.xlsx"])
        self.assertIn("cannot write %s/keep.xlsx: Read-only file system" % folder, errors_of(result))

    def test_a_full_device(self):
        folder = self.path("mount")
        os.mkdir(folder)
        self.old_workbook(self.path("old.xlsx"))
        result = in_private_mounts(self, """
            mount -t tmpfs -o size=256k tmpfs "$1"
            cp "$2" "$1/keep.xlsx"
            dd if=/dev/zero of="$1/filler" bs=4k 2>/dev/null || true
            set +e
            "$3" --quiet -o "$1/keep.xlsx" "$4"; echo "exit $?"
            cmp -s "$2" "$1/keep.xlsx" && echo "kept"; ls -A "$1"
            """, folder, self.path("old.xlsx"), CONVERT, self.EXAMPLE)
        self.assertEqual(result.stdout.decode().split(), ["exit", "1", "kept", "filler", "keep.xlsx"])
        self.assertIn("cannot write %s/keep.xlsx: No space left on device" % folder, errors_of(result))

    def test_a_device_that_fills_up_during_the_write(self):
        # Room for the first part of the workbook only.
        data = DST + b"".join(b"~DTREC,%d,row %d of many,\n" % (n, n) for n in range(60000))
        source = self.write("large.pas", data)
        folder = self.path("mount")
        os.mkdir(folder)
        self.old_workbook(self.path("old.xlsx"))
        result = in_private_mounts(self, """
            mount -t tmpfs -o size=512k tmpfs "$1"
            cp "$2" "$1/keep.xlsx"
            set +e
            "$3" --quiet -o "$1/keep.xlsx" "$4"; echo "exit $?"
            cmp -s "$2" "$1/keep.xlsx" && echo "kept"; ls -A "$1"
            """, folder, self.path("old.xlsx"), CONVERT, source)
        self.assertEqual(result.stdout.decode().split(), ["exit", "1", "kept", "keep.xlsx"])
        self.assertIn("cannot write %s/keep.xlsx: No space left on device" % folder, errors_of(result))

    def test_a_target_that_is_no_regular_file(self):
        # A rename into place would put the workbook where the device or the pipe was.
        targets = [self.path("pipe")]
        os.mkfifo(targets[0])
        if os.geteuid() == 0:
            full = os.stat("/dev/full")
            os.mknod(self.path("full"), stat.S_IFCHR | 0o666, full.st_rdev)  # /dev/full itself, elsewhere
            targets.append(self.path("full"))
        for target in targets:
            with self.subTest(target=os.path.basename(target)):
                kind = stat.S_IFMT(os.stat(target).st_mode)
                self.refused(run("-o", target, self.EXAMPLE), "cannot write %s: it is not a regular file" % target)
                self.assertEqual(stat.S_IFMT(os.stat(target).st_mode), kind)
        folder = self.path("folder")
        os.mkdir(folder)
        self.refused(run("-o", folder, self.EXAMPLE), "cannot write %s: Is a directory" % folder)
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(["folder"] + [os.path.basename(t) for t in targets]))


def pad_to(data, length):
    """Fills up to `length` bytes with comment lines "#fff..." and, for a last byte, a blank line."""
    while len(data) < length:
        take = min(length - len(data), 1000)
        data += b"\n" if take == 1 else b"#" + b"f" * (take - 2) + b"\n"
    return data


def _drain(fd):
    out = b""
    with contextlib.suppress(OSError):
        while True:
            chunk = os.read(fd, 65536)
            if not chunk:
                break
            out += chunk
    return out


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[3:]])

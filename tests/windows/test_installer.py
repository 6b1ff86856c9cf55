#!/usr/bin/env python3
"""The Windows installer under Wine: a silent installation into a folder whose name holds a blank
and "Ü", what it leaves in the registry and the Start menu, the installed converter at work, the
setup library starting the program with the right arguments, and a silent uninstallation that
leaves nothing of ours and everything of the user's, in the user's exports folder too.

    test_installer.py SETUP-EXE SOURCE-DIR

SETUP-EXE is an installer whose Tarnwell.exe is the test stand-in (tests/setup/stand_in_win32.cc):
it writes down how it was started and, given "/Register", registers itself as the program does.
$WINEPREFIX and $TARNWELL_WINE name the Wine prefix and loader. $TARNWELL_PACKAGE_SETUP, when set,
names the package's installer with the real Tarnwell.exe: it is installed, registers, converts
and is uninstalled as well."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import openpyxl

SETUP = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else "Tarnwell-setup.exe"
SOURCE = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else "."
PACKAGE_SETUP = os.environ.get("TARNWELL_PACKAGE_SETUP", "")
WINE = os.environ.get("TARNWELL_WINE", "wine")
PREFIX = os.environ["WINEPREFIX"]

FOLDER = "Tarnwell Pr\u00fcfung \u00dc"
INSTALL_WIN = "C:\\" + FOLDER
INSTALL = os.path.join(PREFIX, "drive_c", FOLDER)
CLASSES = "HKCU\\Software\\Classes"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwell"
SHORTCUTS = [os.path.join(PREFIX, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs",
                          "Tarnwell.lnk")]
# The stand-in's notes, which are no file of the installation.
NOTES = ["started.txt", "elevation.txt", "register-problem.txt"]


def wine(*args, timeout=120):
    return subprocess.run([WINE, *args], capture_output=True, timeout=timeout)


def wine_quiet(*args, timeout=300):
    """For the installer and uninstaller: a program with windows makes Wine try to start its
    desktop, which without a display holds the output pipes for many seconds after the program
    ended. Their output says nothing; the exit status does."""
    return subprocess.run([WINE, *args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout).returncode


def key_exists(key):
    return wine("reg", "query", key).returncode == 0


def values(key):
    """The values of a key by name ("" for the default), exactly as stored: reg export writes
    UTF-16, where the console output of reg query would lose the "Ü"."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "key.reg")
        if wine("reg", "export", key, "Z:" + out.replace("/", "\\"), "/y").returncode != 0:
            return None
        with open(out, "rb") as f:
            text = f.read().decode("utf-16")
    wanted = key.lower().replace("hkcu\\", "hkey_current_user\\").replace("hklm\\", "hkey_local_machine\\")
    found, section = {}, None
    for line in text.splitlines():
        if line.startswith("["):
            section = line.strip("[]").lower()
        elif section == wanted and "=" in line:
            name, _, value = line.partition("=")
            name = "" if name == "@" else name.strip('"').replace('\\\\', '\\')
            if value.startswith('"'):
                value = value[1:-1].replace('\\"', '"').replace('\\\\', '\\')
            found[name] = value
    return found


def exports_folder():
    """The user's %LOCALAPPDATA%\\Tarnwell, as Windows and as this side name it."""
    local = wine("cmd", "/c", "echo %LOCALAPPDATA%").stdout.decode("utf-8", "replace").strip()
    return local + "\\Tarnwell", os.path.join(PREFIX, "drive_c", *local[3:].split("\\"), "Tarnwell")


def add_export(name, listed=False, text="PK"):
    """A file in the exports folder; listed as the program's own by the stand-in."""
    windows, folder = exports_folder()
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "w") as f:
        f.write(text)
    if listed:
        assert wine(os.path.join(INSTALL, "Tarnwell.exe"), "/RecordExport", windows + "\\" + name).returncode == 0


def wait_for(condition, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


class Installer(unittest.TestCase):
    setup = SETUP

    def setUp(self):
        # What a failed earlier run left in this prefix.
        if os.path.exists(os.path.join(INSTALL, "Uninstall.exe")):
            self.uninstall()
        shutil.rmtree(INSTALL, ignore_errors=True)

    def install(self):
        # /D= comes last and unquoted, as NSIS wants it; Wine would quote it as an argument with
        # blanks, so the command line goes through cmd, which passes it on as written.
        self.assertEqual(wine_quiet("cmd", "/c", "Z:%s /S /D=%s" % (self.setup.replace("/", "\\"), INSTALL_WIN)), 0)

    def uninstall(self):
        # The uninstaller copies itself away and returns at once: wait for its work.
        self.assertEqual(wine_quiet(os.path.join(INSTALL, "Uninstall.exe"), "/S"), 0)
        self.assertTrue(wait_for(lambda: not os.path.exists(os.path.join(INSTALL, "Uninstall.exe"))))
        wait_for(lambda: not key_exists(UNINSTALL_KEY), 20)

    def test_install_use_and_uninstall(self):
        self.install()
        try:
            self.check_installed()
            self.check_registration()
            self.check_converter()
        finally:
            for note in NOTES:
                if os.path.exists(os.path.join(INSTALL, note)):
                    os.remove(os.path.join(INSTALL, note))
        self.check_uninstall()

    def check_installed(self):
        self.assertEqual(sorted(os.listdir(INSTALL)),
                         sorted(["README.txt", "Tarnwell.GIF", "Tarnwell.exe", "Uninstall.exe", "tarnwell-convert.exe",
                                 "tnw_inst.dll", *[n for n in NOTES if os.path.exists(os.path.join(INSTALL, n))]]))
        self.assertTrue(any(os.path.exists(s) for s in SHORTCUTS), "no Start-menu entry")
        entry = values(UNINSTALL_KEY)
        self.assertIsNotNone(entry, "no entry in Apps")
        self.assertEqual(entry["DisplayName"], "Tarnwell")
        self.assertRegex(entry["DisplayVersion"], r"^\d+\.\d+\.\d+$")
        self.assertEqual(entry["UninstallString"], '"%s\\Uninstall.exe"' % INSTALL_WIN)
        self.assertEqual(entry["QuietUninstallString"], '"%s\\Uninstall.exe" /S' % INSTALL_WIN)
        self.assertRegex(entry["EstimatedSize"], r"^dword:[0-9a-f]{8}$")
        self.assertGreater(int(entry["EstimatedSize"][6:], 16), 100)  # KB: the converter alone is more

    def check_registration(self):
        # The setup library started the program with "/Register", its path quoted.
        record = os.path.join(INSTALL, "started.txt")
        self.assertTrue(wait_for(lambda: os.path.exists(record)), "the program was not started")
        with open(record, encoding="utf-8") as f:
            command, arguments = f.read().split("\n")
        self.assertEqual(arguments, "[/Register]")
        self.assertIn(command, ['"%s\\Tarnwell.exe" /Register' % INSTALL_WIN, '"%s\\Tarnwell.exe"  /Register' %
                                INSTALL_WIN])
        with open(os.path.join(INSTALL, "elevation.txt")) as f:
            print("\nthe program started by the installer runs " + f.read(), file=sys.stderr)
        self.assertFalse(os.path.exists(os.path.join(INSTALL, "register-problem.txt")))
        self.check_registry()

    def check_registry(self):
        exe = INSTALL_WIN + "\\Tarnwell.exe"
        command = CLASSES + "\\Tarnwell.Document\\shell\\open\\command"
        # The program was started, not waited for.
        wait_for(lambda: values(command) == {"": '"%s" "%%1"' % exe}, 30)
        self.assertEqual(values(command), {"": '"%s" "%%1"' % exe})
        self.assertEqual(values(CLASSES + "\\Tarnwell.Document\\DefaultIcon"), {"": exe + ",0"})
        self.assertEqual(values(CLASSES + "\\.pas").get(""), "Tarnwell.Document")
        self.assertIn("Tarnwell.Document", values(CLASSES + "\\.pas\\OpenWithProgids"))

    def check_converter(self):
        with tempfile.TemporaryDirectory(prefix="tarnwell-installed-") as tmp:
            target = os.path.join(tmp, "gas.xlsx")
            result = wine(os.path.join(INSTALL, "tarnwell-convert.exe"), "--quiet",
                          "Z:" + os.path.join(SOURCE, "examples", "gas-analysis.pas").replace("/", "\\"),
                          "-o", "Z:" + target.replace("/", "\\"))
            self.assertEqual(result.returncode, 0, result.stderr.decode("utf-8", "replace"))
            book = openpyxl.load_workbook(target)
            self.assertIn("TEST INFORMATION", book.sheetnames)

    def check_uninstall(self):
        # What the user made stays: a file in the folder, another program's entry for ".pas", a
        # workbook in the exports folder (the program's own exports there go).
        exports = exports_folder()[1]
        shutil.rmtree(exports, ignore_errors=True)
        add_export("well.xltx", True)
        add_export("mine.xlsx")
        user_file = os.path.join(INSTALL, "my notes.txt")
        with open(user_file, "w") as f:
            f.write("mine")
        self.assertEqual(wine("reg", "add", CLASSES + "\\.pas\\OpenWithProgids", "/v", "Other.Editor", "/d", "",
                              "/f").returncode, 0)
        try:
            self.uninstall()
            self.assertEqual(os.listdir(INSTALL), ["my notes.txt"])
            self.assertFalse(any(os.path.exists(s) for s in SHORTCUTS), "the Start-menu entry is left")
            self.assertFalse(key_exists(UNINSTALL_KEY), "the entry in Apps is left")
            self.assertFalse(key_exists(CLASSES + "\\Tarnwell.Document"))
            self.assertEqual(values(CLASSES + "\\.pas\\OpenWithProgids"), {"Other.Editor": ""})
            self.assertNotIn("", values(CLASSES + "\\.pas"))
            self.assertEqual(sorted(os.listdir(exports)), [".exports", "mine.xlsx"])
        finally:
            os.remove(user_file)
            os.rmdir(INSTALL)
            wine("reg", "delete", CLASSES + "\\.pas", "/f")
        # With nothing of the user's in it, ".pas" goes as a whole.
        self.install()
        self.assertTrue(wait_for(lambda: os.path.exists(os.path.join(INSTALL, "started.txt"))))
        for note in NOTES:
            if os.path.exists(os.path.join(INSTALL, note)):
                os.remove(os.path.join(INSTALL, note))
        # With nothing but its own exports, list and settings in it, the exports folder goes too.
        os.remove(os.path.join(exports, "mine.xlsx"))
        add_export("again.xltx", True)
        add_export("settings", text="saveFolder=C:\\users\n")
        self.uninstall()
        self.assertFalse(os.path.exists(INSTALL), os.listdir(INSTALL) if os.path.exists(INSTALL) else "")
        self.assertFalse(key_exists(CLASSES + "\\.pas"))
        self.assertFalse(key_exists(CLASSES + "\\Tarnwell.Document"))
        self.assertFalse(os.path.exists(exports), os.listdir(exports) if os.path.exists(exports) else "")


@unittest.skipUnless(PACKAGE_SETUP, "the package's installer carries no Tarnwell.exe yet")
class PackageInstaller(Installer):
    setup = os.path.abspath(PACKAGE_SETUP) if PACKAGE_SETUP else ""

    def test_install_use_and_uninstall(self):
        self.install()
        self.check_installed()
        self.check_registry()
        self.check_converter()
        # The program itself is what the uninstaller asks to clear the exports folder.
        add_export(".exports", text="")
        add_export("settings", text="saveFolder=C:\\users\n")
        exports = exports_folder()[1]
        self.uninstall()
        self.assertFalse(os.path.exists(exports), os.listdir(exports) if os.path.exists(exports) else "")
        self.assertFalse(os.path.exists(INSTALL), os.listdir(INSTALL) if os.path.exists(INSTALL) else "")
        self.assertFalse(key_exists(UNINSTALL_KEY))
        self.assertFalse(key_exists(CLASSES + "\\Tarnwell.Document"))
        self.assertFalse(key_exists(CLASSES + "\\.pas"))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[3:]])

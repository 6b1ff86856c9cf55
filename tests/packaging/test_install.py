#!/usr/bin/env python3
"""Installs the build into a temporary folder (DESTDIR) and checks what a desktop would find
there: the files, a valid desktop entry, the MIME type taking PAS files by their content but not
Pascal sources, the converter and the setup helper working from where they were installed.
  test_install.py BUILD_DIR"""
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
PREFIX = "/usr/local"


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="tarnwell-install-")
        cls.root = os.path.join(cls.tmp, "root")
        env = dict(os.environ, DESTDIR=cls.root)
        subprocess.run(["cmake", "--install", BUILD, "--prefix", PREFIX], env=env, check=True, capture_output=True)
        cls.prefix = cls.root + PREFIX
        cls.gui = os.path.exists(os.path.join(cls.prefix, "bin", "tarnwell"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_the_tree(self):
        for f in ["bin/tarnwell-convert", "lib/tarnwell/libtnw_inst.so", "share/tarnwell/Tarnwell.GIF",
                  "share/man/man1/tarnwell-convert.1"]:
            self.assertTrue(os.path.isfile(self.path(f)), f)
        if self.gui:
            for f in ["share/applications/tarnwell.desktop", "share/mime/packages/tarnwell.xml",
                      "share/man/man1/tarnwell.1"] + [
                    "share/icons/hicolor/%dx%d/apps/tarnwell.png" % (s, s) for s in (16, 24, 32, 48, 64, 128, 256)]:
                self.assertTrue(os.path.isfile(self.path(f)), f)
            self.assertEqual(os.readlink(self.path("lib/tarnwell/tarnwell")), "../../bin/tarnwell")

    def test_another_prefix_at_install_time_takes_the_helper_link_along(self):
        root = os.path.join(self.tmp, "other")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", "/opt/tarnwell"], env=dict(os.environ, DESTDIR=root),
                       check=True, capture_output=True)
        self.assertEqual(os.readlink(os.path.join(root, "opt/tarnwell/lib/tarnwell/tarnwell")), "../../bin/tarnwell")
        self.assertTrue(os.path.isfile(os.path.join(root, "opt/tarnwell/bin/tarnwell-convert")))
        self.assertFalse(os.path.exists(os.path.join(root, PREFIX.lstrip("/"))))

    def test_the_converter_finds_its_logo_where_it_was_installed(self):
        with tempfile.TemporaryDirectory() as tmp:
            pas = os.path.join(tmp, "w.pas")
            with open(pas, "w") as f:
                f.write("~VERSION,TYPE.,WAN,,\n~VERSION,VERS.,2.0,,\n~CATIONS,NA.MG/L,1,,\n")
            # No logo beside the installed program: it looks in the data folder it was built for,
            # which here exists only if Tarnwell is really installed on this machine.
            self.assertFalse(os.path.exists(self.path("bin/Tarnwell.GIF")))
            result = subprocess.run([self.path("bin/tarnwell-convert"), "-q", pas], capture_output=True, text=True)
            logo = PREFIX + "/share/tarnwell/Tarnwell.GIF"
            if os.path.exists(logo):
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertTrue(os.path.exists(os.path.join(tmp, "w.xlsx")))
            else:
                self.assertEqual(result.returncode, 1)
                self.assertIn("Could not open file: " + logo, result.stderr)
                self.assertFalse(os.path.exists(os.path.join(tmp, "w.xlsx")))

    def test_desktop_entry_is_valid(self):
        if not self.gui:
            self.skipTest("built without the desktop program")
        entry = self.path("share/applications/tarnwell.desktop")
        subprocess.run(["desktop-file-validate", entry], check=True)
        with open(entry) as f:
            text = f.read()
        self.assertIn("Exec=%s/bin/tarnwell %%f\n" % PREFIX, text)
        self.assertIn("MimeType=application/x-ercb-pas;\n", text)

    def test_pas_files_by_content_and_pascal_sources_left_alone(self):
        if not self.gui or not shutil.which("gio") or not shutil.which("update-mime-database"):
            self.skipTest("no desktop MIME tools")
        subprocess.run(["update-mime-database", self.path("share/mime")], check=True, capture_output=True)
        with tempfile.TemporaryDirectory() as tmp:
            pas, pascal = os.path.join(tmp, "x.pas"), os.path.join(tmp, "y.pas")
            with open(pas, "w") as f:
                f.write("~VERSION,VERS.,2.0,PAS file version,\n~VERSION,TYPE.,DST,,\n")
            with open(pascal, "w") as f:
                f.write("program Hello;\nbegin\n  writeln('hello');\nend.\n")
            env = dict(os.environ, XDG_DATA_DIRS=self.path("share") + ":/usr/share",
                       XDG_DATA_HOME=os.path.join(tmp, "home"))

            def type_of(path):
                out = subprocess.run(["gio", "info", "-a", "standard::content-type", path], env=env,
                                     capture_output=True, text=True, check=True).stdout
                return out.split("standard::content-type:")[1].strip()

            self.assertEqual(type_of(pas), "application/x-ercb-pas")
            self.assertEqual(type_of(pascal), "text/x-pascal")

    def test_the_setup_helper_has_the_installed_program_register(self):
        if not self.gui:
            self.skipTest("built without the desktop program")
        with tempfile.TemporaryDirectory() as tmp:
            env = {"XDG_DATA_HOME": os.path.join(tmp, "data"), "XDG_CONFIG_HOME": os.path.join(tmp, "config"),
                   "XDG_CACHE_HOME": os.path.join(tmp, "cache"), "QT_QPA_PLATFORM": "offscreen"}
            saved = {k: os.environ.get(k) for k in env}
            os.environ.update(env)
            try:
                helper = ctypes.CDLL(self.path("lib/tarnwell/libtnw_inst.so"))
                helper.fnTNWInstReg.argtypes = [ctypes.c_void_p]
                self.assertEqual(helper.fnTNWInstReg(None), 0)
            finally:
                for k, v in saved.items():
                    if v is None:
                        os.environ.pop(k, None)
                    else:
                        os.environ[k] = v
            entry = os.path.join(tmp, "data", "applications", "tarnwell.desktop")
            for _ in range(200):
                if os.path.exists(entry):
                    break
                time.sleep(0.05)
            self.assertTrue(os.path.exists(entry), "the installed program did not register")
            # The program runs detached from us and may still be writing; it must be done before
            # its folders go.
            marker = ("XDG_DATA_HOME=" + env["XDG_DATA_HOME"]).encode()
            for _ in range(200):
                if not any(marker in environ for environ in process_environments()):
                    break
                time.sleep(0.05)


def process_environments():
    for pid in os.listdir("/proc"):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                yield f.read().split(b"\0")
        except (OSError, ValueError):
            continue


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])

#!/usr/bin/python3
"""Checks a workbook that the desktop program handed over as a template (.xltx).

    check_template.py FILE.xltx

openpyxl must read it as a template with its sheets, and LibreOffice must open it as a new,
untitled document (no file behind it, so Save asks where to save) holding those same sheets.
Prints one line per finding. Exit status 0 when all is well, 1 on a fault, and 77 when
LibreOffice or its Python bridge is not installed (then only openpyxl has looked).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import openpyxl

SKIPPED = 77


def read_with_openpyxl(path):
    book = openpyxl.load_workbook(path, read_only=True)
    if not book.template:
        sys.exit("openpyxl does not read %s as a template" % path)
    names = list(book.sheetnames)
    book.close()
    print("openpyxl: template with sheets " + "|".join(names))
    return names


def open_in_libreoffice(path):
    """The document LibreOffice makes of the file: (has a location, its URL, sheet names)."""
    import uno
    from com.sun.star.beans import PropertyValue
    from com.sun.star.connection import NoConnectException

    profile = tempfile.mkdtemp(prefix="tarnwell-lo-")
    pipe = "tarnwell%d" % os.getpid()
    office = subprocess.Popen(
        [shutil.which("soffice"), "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
         "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), "--accept=pipe,name=%s;urp;" % pipe],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + 120
        while True:
            try:
                context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except NoConnectException:
                if time.monotonic() > deadline or office.poll() is not None:
                    sys.exit("LibreOffice did not start (exit status %s)" % office.poll())
                time.sleep(0.25)
        desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        hidden = PropertyValue()
        hidden.Name, hidden.Value = "Hidden", True
        document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0,
                                                (hidden,))
        if document is None:
            sys.exit("LibreOffice could not open %s" % path)
        found = (document.hasLocation(), document.getURL(), list(document.getSheets().getElementNames()))
        document.close(True)
        try:
            desktop.terminate()
        except Exception:  # the bridge goes down with the office
            pass
        return found
    finally:
        try:
            office.wait(timeout=60)
        except subprocess.TimeoutExpired:
            office.kill()
            office.wait()
        shutil.rmtree(profile, ignore_errors=True)


def main():
    path = sys.argv[1]
    names = read_with_openpyxl(path)
    if not shutil.which("soffice"):
        print("skipped: LibreOffice is not installed (Debian: libreoffice-calc-nogui python3-uno)")
        return SKIPPED
    try:
        import uno  # noqa: F401
    except ImportError:
        print("skipped: LibreOffice's Python bridge is not installed (Debian: python3-uno)")
        return SKIPPED
    has_location, url, sheets = open_in_libreoffice(path)
    print("LibreOffice: location %s, URL %r, sheets %s" % (has_location, url, "|".join(sheets)))
    faults = []
    if has_location or url:
        faults.append("LibreOffice opened the file itself, not a new untitled document")
    if sheets != names:
        faults.append("LibreOffice has the sheets %s, openpyxl %s" % (sheets, names))
    for fault in faults:
        print("FAULT: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

"""How the Python suites start tarnwell-convert: the Linux program directly, or the Windows
program (a path ending in ".exe") under Wine, its path arguments in the form Windows gives them
(Wine shows the Linux root as drive Z:)."""
import os
import re
import subprocess

WINE = os.environ.get("TARNWELL_WINE", "wine")
_WINE_NOISE = re.compile(rb"^[0-9a-f]{4}:(err|fixme|warn|trace):.*\n?", re.M)


def is_windows(convert):
    return convert.lower().endswith(".exe")


def native(convert, path):
    """A path as the converter sees and prints it."""
    if is_windows(convert) and path.startswith("/"):
        return "Z:" + path.replace("/", "\\")
    return path


def command(convert, args):
    """The command line that starts the converter with these arguments."""
    if not is_windows(convert):
        return [convert, *args]
    return [WINE, convert, *(native(convert, a) if a.startswith("/") else a for a in args)]


def run(convert, args, **kwargs):
    result = subprocess.run(command(convert, args), **kwargs)
    if not is_windows(convert):
        return result
    # Wine's own diagnostics (a missing display, say) are not the program's words.
    if isinstance(result.stderr, bytes):
        result.stderr = _WINE_NOISE.sub(b"", result.stderr)
    elif isinstance(result.stderr, str):
        result.stderr = _WINE_NOISE.sub(b"", result.stderr.encode()).decode()
    return result

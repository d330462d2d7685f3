"""Sites of the HTML report made by real runs of zeltocov, for the validation and
browser tests: the bundled example (with its source beside its FDC file), and a
source whose names and text hold markup, quotes, NUL, CR LF and bytes that are not
UTF-8.
"""
import os
import shutil
import subprocess
import tempfile

# The hostile source, line by line (bytes): line 2 is hit, 3 partially hit, 4 not
# hit, 6 hit.
HOSTILE_SOURCE_LINES = [
    b"/* a source that tests the escaping of the pages */\r\n",
    b"int f</script>(void) { return 1 & 2; }\r\n",
    b'  if (a < b && c > "d") x = \'<\';\r\n',
    b"  s = \"\x00nul \xff\xfe bytes\"; <!-- -->\n",
    b"  t = '\t&amp;\x01\r';\n",
    b"  g(); /* \xc3\xa9t\xc3\xa9 */",
]
HOSTILE_SOURCE_NAME = "h&<b>.c"
HOSTILE_FDC = (
    b'VE 3.0e T\n'
    b'FC "h&<b>.c" "."\n'
    b'FD 0\n'
    b'TC PR AP BS CO\n'
    b'PR 0 proc "f</script>&" 2 2\n'
    b'BL 0 simple "f</script>&" <b&> 2 6\n'
    b'CE 0 "f</script>&" "a < b && c > \'d\'" 3 3\n'
    b'AP 0 "f</script>&" "g\xff&amp;" 6 6\n'
    b'BL 1 simple "f</script>&" s 4 5\n'
    b'DC 1409286145 1\n'
)
HOSTILE_TIO = (
    b'NT "t</script>&\xff" 1 1\n'
    b'FT 1\nDC 1\nTP 0\nTB 0\nTE 0\n'
    b'NT "second & last" 2 1\n'
    b'FT 1\nDC 1\nTA 0\n'
)


def velmora_dir():
    """An installation directory without catalogs."""
    path = tempfile.mkdtemp(prefix="zeltocov-velmora-")
    os.makedirs(os.path.join(path, "lib", "locale"))
    return path


def run_zeltocov(binary, work, velmora, args, env=None):
    """Runs zeltocov in `work`; returns (status, stderr text)."""
    environment = dict(os.environ, VELMORADIR=velmora, SOURCE_DATE_EPOCH="1700000000", TZ="UTC",
                       LANG="C")
    for name in ("ZELTOCOV_LAN", "ZELTO_TPM_ROOT", "ZELTO_TPM_USER"):
        environment.pop(name, None)
    environment.update(env or {})
    result = subprocess.run([binary] + args, cwd=work, env=environment, capture_output=True)
    return result.returncode, result.stderr.decode(errors="replace")


def example_work(root):
    """A work directory with the bundled example whose FDC names its own directory."""
    work = tempfile.mkdtemp(prefix="zeltocov-html-")
    for name in ("calc.fdc", "calc.tio", "calc.c"):
        shutil.copy(os.path.join(root, "examples", "calc", name), work)
    path = os.path.join(work, "calc.fdc")
    with open(path, encoding="utf-8") as stream:
        text = stream.read().replace('"/home/dev/calc"', '"."')
    with open(path, "w", encoding="utf-8") as stream:
        stream.write(text)
    # The copy is older than the instrumentation time of the FDC file.
    os.utime(os.path.join(work, "calc.c"), (1717236000, 1717236000))
    return work


def hostile_work(work=None):
    """Adds the hostile source, its FDC file h.fdc and trace h.tio to a work directory."""
    work = work or tempfile.mkdtemp(prefix="zeltocov-html-")
    with open(os.path.join(work, HOSTILE_SOURCE_NAME), "wb") as stream:
        stream.write(b"".join(HOSTILE_SOURCE_LINES))
    with open(os.path.join(work, "h.fdc"), "wb") as stream:
        stream.write(HOSTILE_FDC)
    with open(os.path.join(work, "h.tio"), "wb") as stream:
        stream.write(HOSTILE_TIO)
    return work


def shown_line(line):
    """The text a page must show for a source line (bytes): without its line end,
    invalid UTF-8 and forbidden characters replaced, a CR shown as a symbol."""
    if line.endswith(b"\n"):
        line = line[:-1]
        if line.endswith(b"\r"):
            line = line[:-1]
    text = line.decode("utf-8", "replace")
    shown = []
    for c in text:
        code = ord(c)
        if c == "\r":
            shown.append("\u240d")
        elif c == "\n":
            shown.append("\u240a")
        elif c in "\t\f":
            shown.append(c)
        elif code < 0x20 or 0x7F <= code <= 0x9F:
            shown.append("\ufffd")
        else:
            shown.append(c)
    return "".join(shown)

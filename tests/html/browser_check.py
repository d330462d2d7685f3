#!/usr/bin/env python3
"""Opens the HTML report of a real run in headless Chromium.

  browser_check.py <zeltocov> <source root> [<screenshot directory>]

The site holds the bundled example and a source whose names and text hold
</script>, &, quotes, NUL, CR LF and bytes that are not UTF-8. The browser opens
the index and the file pages; the test reads the pages' text through the DOM that
the browser built (--dump-dom) and checks that it is the text the sources and
names show, takes screenshots and checks that they are pictures of the pages, and
sorts the table of files by a click on its headings. Without a browser it is
skipped (status 77) with a message. Exits with status 1 and a message per failure.
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

import html5lib

sys.dont_write_bytecode = True  # no cache beside the sources
import html_sites  # noqa: E402

failures = []
WINDOW = (1280, 1400)


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def find_browser():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


def browse(browser, url, *extra):
    """Runs the browser on a URL with a fresh profile; returns its standard output."""
    profile = tempfile.mkdtemp(prefix="zeltocov-chromium-")
    try:
        command = [browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                   "--no-first-run", "--disable-background-networking",
                   "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile,
                   "--window-size=%d,%d" % WINDOW] + list(extra) + [url]
        run = subprocess.run(command, capture_output=True, timeout=120)
        check(run.returncode == 0, "%s: browser status %d: %s"
              % (url, run.returncode, run.stderr.decode(errors="replace")[-2000:]))
        return run.stdout.decode("utf-8", errors="replace")
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def dom_of(browser, path, *extra):
    text = browse(browser, "file://" + path, "--dump-dom", *extra)
    return html5lib.parse(text, namespaceHTMLElements=False)


def text_of(element):
    return "".join(element.itertext()) if element is not None else ""


def with_class(tree, tag, name):
    return [element for element in tree.iter(tag)
            if name in (element.get("class") or "").split()]


def line_text(element):
    """The source text of a line element (a <code>, or a <div> holding one)."""
    if element is None:
        return None
    code = element if element.tag == "code" else element.find("code")
    return text_of(code) if code is not None else None


def png_size(path):
    """(width, height) of a PNG file, and whether it shows more than a few colours."""
    with open(path, "rb") as stream:
        data = stream.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return None, False
    width, height = struct.unpack(">II", data[16:24])
    idat = b""
    at = 8
    while at < len(data):
        length = struct.unpack(">I", data[at:at + 4])[0]
        kind = data[at + 4:at + 8]
        if kind == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    pixels = zlib.decompress(idat)
    return (width, height), len(set(pixels)) > 16


def check_screenshot(browser, page, shots):
    path = os.path.join(shots, os.path.basename(page).replace(".html", ".png"))
    browse(browser, "file://" + page, "--screenshot=" + path, "--hide-scrollbars")
    if not check(os.path.exists(path), "%s: no screenshot" % page):
        return
    size, varied = png_size(path)
    check(size == WINDOW, "%s: screenshot of size %s" % (page, size))
    check(varied, "%s: the screenshot is blank" % page)


SORT_HARNESS = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>sort</title>
<script>
function names(d) {
  return Array.prototype.map.call(d.querySelectorAll('table.files tbody tr'),
    function (r) { return r.cells[0].textContent; });
}
function run() {
  var d = document.getElementById('site').contentDocument;
  var heads = d.querySelectorAll('table.files thead th');
  var column = -1;
  heads.forEach(function (h, i) { if (h.textContent === 'Statement blocks') column = i; });
  var out = {initial: names(d)};
  heads[0].click(); out.byNameUp = names(d);
  heads[0].click(); out.byNameDown = names(d);
  heads[column].click(); out.byBlocksUp = names(d);
  out.sorted = heads[column].getAttribute('aria-sort');
  document.getElementById('out').textContent = JSON.stringify(out);
}
</script></head>
<body><pre id="out">not run</pre>
<iframe id="site" src="index.html" onload="run()"></iframe></body></html>
"""


# Presses n, then p, in a file page, one more time each than it has lines not
# wholly hit; records the page's target after each press.
KEYS_HARNESS = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>keys</title>
<script>
function run() {
  var frame = document.getElementById('site'), d = frame.contentDocument;
  function press(key) {
    d.body.dispatchEvent(new KeyboardEvent('keydown', {key: key, bubbles: true,
                                                       cancelable: true}));
    return frame.contentWindow.location.hash;
  }
  var out = {forward: [], back: []};
  for (var i = 0; i <= PRESSES; ++i) out.forward.push(press('n'));
  for (var i = 0; i <= PRESSES; ++i) out.back.push(press('p'));
  document.getElementById('out').textContent = JSON.stringify(out);
}
</script></head>
<body><pre id="out">not run</pre>
<iframe id="site" src="PAGE" onload="run()"></iframe></body></html>
"""

# The index in a window 1,280 pixels wide: how wide the page and its tables are.
WIDTH_HARNESS = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>width</title>
<script>
function run() {
  var d = document.getElementById('site').contentDocument;
  var out = {page: d.documentElement.scrollWidth, tables: {}};
  d.querySelectorAll('table').forEach(function (t) {
    out.tables[t.className] = Math.ceil(t.getBoundingClientRect().right);
  });
  document.getElementById('out').textContent = JSON.stringify(out);
}
</script></head>
<body style="margin:0"><pre id="out">not run</pre>
<iframe id="site" src="index.html" style="width:1280px;height:900px;border:0" onload="run()">
</iframe></body></html>
"""


def harness_result(browser, site, name, text):
    path = os.path.join(site, name)
    with open(path, "w", encoding="utf-8") as stream:
        stream.write(text)
    dom = dom_of(browser, path, "--allow-file-access-from-files", "--virtual-time-budget=5000")
    result = text_of(dom.find(".//pre"))
    try:
        return json.loads(result)
    except ValueError:
        check(False, "%s: the harness gave %r" % (name, result))
        return None


def main():
    binary, root = sys.argv[1:3]
    browser = find_browser()
    if not browser:
        print("SKIPPED: no Chromium browser is installed (Debian package chromium, installed by "
              "scripts/install-deps.sh); the HTML report was not opened in a browser")
        return 77
    shots = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp(prefix="zeltocov-shots-")
    os.makedirs(shots, exist_ok=True)
    velmora = html_sites.velmora_dir()
    work = html_sites.hostile_work(html_sites.example_work(root))
    try:
        status, stderr = html_sites.run_zeltocov(
            binary, work, velmora, ["calc.fdc", "calc.tio", "h.fdc", "h.tio", "-HTML=site"])
        if not check(status == 0, "status %d: %s" % (status, stderr)):
            return 1
        site = os.path.join(work, "site")

        # The index: the DOM the browser built holds what the page holds.
        index = os.path.join(site, "index.html")
        dom = dom_of(browser, index)
        with open(index, "rb") as stream:
            written = html5lib.parse(stream.read(), namespaceHTMLElements=False)
        rates = [text_of(table) for table in with_class(dom, "table", "rates")]
        check(rates and rates == [text_of(t) for t in with_class(written, "table", "rates")],
              "index: the browser shows other rates: %s" % rates)
        links = [(a.get("href"), text_of(a)) for a in dom.iter("a")]
        check(("1-calc.c.html", "calc.c") in links and ("2-h__b_.c.html", "h&<b>.c") in links,
              "index: links %s" % links)
        check_screenshot(browser, index, shots)

        # The hostile source: every line as its bytes show it, one script only.
        page = os.path.join(site, "2-h__b_.c.html")
        dom = dom_of(browser, page)
        rows = {element.get("id"): element for element in dom.iter()
                if (element.get("id") or "").startswith("L")}
        check(sorted(rows) == ["L%d" % n for n in range(1, 7)], "hostile page: lines %s"
              % sorted(rows))
        for number, line in enumerate(html_sites.HOSTILE_SOURCE_LINES, 1):
            shown = line_text(rows.get("L%d" % number))
            check(shown == html_sites.shown_line(line),
                  "hostile page: line %d shows %r" % (number, shown))
        check("</script>" in (line_text(rows.get("L2")) or ""),
              "hostile page: the </script> of line 2 is not text")
        check(len(list(dom.iter("script"))) == 1, "hostile page: the DOM has other scripts")
        check(text_of(dom.find(".//h1")) == "h&<b>.c", "hostile page: title %r"
              % text_of(dom.find(".//h1")))
        check(text_of(dom.find(".//title")).startswith("h&<b>.c"), "hostile page: <title>")
        names = [text_of(row.find("th")) for row in with_class(dom, "table", "services")[0]
                 .find("tbody")]
        check(names == ["f</script>&"], "hostile page: functions %s" % names)
        states = [rows["L%d" % n].get("class") if "L%d" % n in rows else "?" for n in range(1, 7)]
        check(states == [None, "h", "p", "m", None, "h"], "hostile page: line states %s" % states)
        check("\u2718 Simple block s" in text_of(rows["L4"]), "hostile page: item of line 4 %r"
              % text_of(rows["L4"]))
        check_screenshot(browser, page, shots)

        # The example's page, as doc/html.md shows it.
        page = os.path.join(site, "1-calc.c.html")
        dom = dom_of(browser, page)
        check(text_of(dom.find(".//h1")) == "calc.c", "example page: title")
        row = [element for element in dom.iter() if element.get("id") == "L61"]
        check(row and "(argc - 1) % 3 != 0" in text_of(row[0]) and row[0].get("class") == "p",
              "example page: line 61 %s" % (text_of(row[0]) if row else None))
        check_screenshot(browser, page, shots)

        # Keys n and p: the lines not wholly hit, in order, then back.
        with open(page, "rb") as stream:
            written = html5lib.parse(stream.read(), namespaceHTMLElements=False)
        uncovered = ["#" + element.get("id") for element in written.iter("div")
                     if element.get("class") in ("m", "p")]
        keys = harness_result(browser, site, "keys-harness.html",
                              KEYS_HARNESS.replace("PRESSES", str(len(uncovered)))
                              .replace("PAGE", os.path.basename(page)))
        if keys and check(len(uncovered) > 2, "keys: %d lines not wholly hit" % len(uncovered)):
            check(keys["forward"] == uncovered + uncovered[-1:],
                  "keys: n goes to %s, not %s" % (keys["forward"], uncovered))
            check(keys["back"] == uncovered[-2::-1] + uncovered[:1] * 2,
                  "keys: p goes to %s" % keys["back"])

        # The index's tables within a window 1,280 pixels wide.
        width = harness_result(browser, site, "width-harness.html", WIDTH_HARNESS)
        if width:
            check(width["page"] <= 1280 and all(right <= 1280 for right in width["tables"].values())
                  and "grid sortable files" in width["tables"],
                  "index: wider than 1,280 pixels: %s" % width)

        # Sorting by a click on the headings.
        harness = os.path.join(site, "sort-harness.html")
        with open(harness, "w", encoding="utf-8") as stream:
            stream.write(SORT_HARNESS)
        dom = dom_of(browser, harness, "--allow-file-access-from-files",
                     "--virtual-time-budget=5000")
        result = text_of(dom.find(".//pre"))
        try:
            order = json.loads(result)
        except ValueError:
            check(False, "sorting: the harness gave %r" % result)
            return 1
        check(order["initial"] == ["calc.c", "h&<b>.c"], "sorting: initial order %s" % order)
        check(order["byNameDown"] == ["h&<b>.c", "calc.c"], "sorting: by name %s" % order)
        check(order["byNameUp"] == ["calc.c", "h&<b>.c"], "sorting: by name %s" % order)
        # Statement blocks: h&<b>.c 50.0 %, calc.c 94.1 %.
        check(order["byBlocksUp"] == ["h&<b>.c", "calc.c"] and order["sorted"] == "ascending",
              "sorting: by rate %s" % order)
    finally:
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(velmora, ignore_errors=True)
    for failure in failures:
        print("FAILED: " + failure)
    print("HTML in the browser: %d failure(s); screenshots in %s" % (len(failures), shots))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

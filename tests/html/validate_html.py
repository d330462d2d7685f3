#!/usr/bin/env python3
"""Validates the HTML report of real runs of zeltocov.

  validate_html.py <zeltocov> <source root>

For each run: every page is valid HTML5 (parsed by html5lib in strict mode, and
checked by tidy), self-contained (no external script, style, font or image; every
link leads to a page of the site or an anchor of the page), the rates of the index
and of the file pages equal those of the text report of the same run, the colour
of every source line and its items not hit equal the annotated listing's, the text
of every source line is what its bytes show, the charts show the recorded
measures, and a second run gives the same bytes. Exits with status 1 and a message
per failure.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

import html5lib

sys.dont_write_bytecode = True  # no cache beside the sources
import html_sites  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def text_of(element):
    return "".join(element.itertext()).strip() if element is not None else ""


def parse_page(path):
    """The page's tree; a parse error of HTML5 is a failure."""
    with open(path, "rb") as stream:
        data = stream.read()
    parser = html5lib.HTMLParser(strict=True, namespaceHTMLElements=False)
    try:
        return parser.parse(data)
    except html5lib.html5parser.ParseError as error:
        check(False, "%s is not valid HTML5: %s" % (path, error))
        return html5lib.HTMLParser(namespaceHTMLElements=False).parse(data)


def check_tidy(path):
    run = subprocess.run(["tidy", "-q", "-e", "--show-warnings", "yes", path],
                         capture_output=True, text=True, errors="replace")
    problems = [line for line in run.stderr.splitlines() if "Warning:" in line or "Error:" in line]
    check(not problems, "%s: tidy: %s" % (path, "; ".join(problems[:5])))


def check_site(site):
    """Validates every page of a site; returns {page name: tree}."""
    pages = {}
    names = sorted(os.listdir(site))
    check("index.html" in names, "%s has no index.html" % site)
    for name in names:
        path = os.path.join(site, name)
        check(name.endswith(".html") and re.fullmatch(r"[A-Za-z0-9._-]+", name),
              "%s: unexpected file %r" % (site, name))
        tree = parse_page(path)
        check_tidy(path)
        pages[name] = tree
        with open(path, "rb") as stream:
            raw = stream.read()
        # The only script is the program's own; a text holding </script> was escaped.
        check(raw.count(b"</script>") == raw.count(b"<script>"),
              "%s: a </script> outside a script" % path)
        check(b"\x00" not in raw, "%s holds a NUL" % path)
        raw.decode("utf-8")
    for name, tree in pages.items():
        ids = {element.get("id") for element in tree.iter() if element.get("id")}
        for element in tree.iter():
            check(element.get("src") is None, "%s: <%s src=...>" % (name, element.tag))
            check(element.tag != "link", "%s: <link>" % name)
            href = element.get("href")
            if href is None:
                continue
            target, _, anchor = href.partition("#")
            if target:
                check(target in pages, "%s: link to %r, not a page of the site" % (name, href))
            else:
                check(anchor in ids, "%s: link to a missing anchor %r" % (name, href))
        for style in tree.iter("style"):
            check("url(" not in text_of(style) and "@import" not in text_of(style),
                  "%s: the style loads something" % name)
    return pages


RATE = re.compile(r"^\t\t([^\t].*?)\s*(\d+\.\d%) \((\d+)/(\d+)\)$")
NONE = re.compile(r"^\t\t([^\t].*?)\s+(none|n/a|aucun\(e\))$")


def report_sections(report):
    """{section title: [(label, value)]} of the rate lines of a text report's file
    and conclusion sections."""
    sections = {}
    current = None
    for line in report.splitlines():
        title = re.match(r"^(\S.*) :$", line)
        if title:
            current = sections.setdefault(title.group(1), [])
            continue
        if current is None:
            continue
        match = RATE.match(line)
        if match:
            current.append((match.group(1).rstrip(" ."),
                            "%s (%s/%s)" % (match.group(2), match.group(3), match.group(4))))
            continue
        match = NONE.match(line)
        if match:
            current.append((match.group(1).rstrip(" ."), match.group(2)))
    return sections


def rate_rows(table):
    return [(text_of(row.find("th")), " ".join(text_of(row.find("td")).split()))
            for row in table.iter("tr")]


def table_with_class(tree, name):
    for table in tree.iter("table"):
        if name in (table.get("class") or "").split():
            return table
    return None


def column_rows(table):
    """(row heading, [(column heading, cell text)] of the non-empty cells)."""
    headings = [text_of(cell) for cell in table.find("thead").iter("th")]
    rows = []
    for row in table.find("tbody").iter("tr"):
        cells = list(row)
        values = [(headings[i], " ".join(text_of(cell).split()))
                  for i, cell in enumerate(cells) if i >= 2 and text_of(cell)]
        rows.append((text_of(cells[0]), values))
    return headings, rows


def check_rates(name, pages, report, per_test):
    sections = report_sections(report)
    index = pages["index.html"]
    conclusion = rate_rows(table_with_class(index, "rates"))
    check(conclusion == sections.get("Conclusion"),
          "%s: index conclusion %s != report %s" % (name, conclusion, sections.get("Conclusion")))
    files = table_with_class(index, "files")
    if not check(files is not None, "%s: no table of files" % name):
        return
    _, rows = column_rows(files)
    for file_name, values in rows:
        if not per_test:
            check(values == sections.get(file_name),
                  "%s: index row %s %s != report %s" % (name, file_name, values,
                                                        sections.get(file_name)))
    for link in files.iter("a"):
        page = pages.get(link.get("href"))
        if check(page is not None, "%s: no page %s" % (name, link.get("href"))) and not per_test:
            check(rate_rows(table_with_class(page, "rates")) == sections.get(text_of(link)),
                  "%s: rates of the page of %s differ from the report" % (name, text_of(link)))
    if per_test:
        tests = table_with_class(index, "tests")
        if check(tests is not None, "%s: no table of tests" % name):
            _, rows = column_rows(tests)
            check(rows, "%s: no test row" % name)
            for test, values in rows:
                values = [value for heading, value in values
                          if heading not in ("Date", "Files hit")]
                expected = [value for _, value in sections.get("Conclusion Test " + test, [])]
                check(values == expected, "%s: test %s %s != report %s" % (name, test, values,
                                                                            expected))


def listing_lines(path):
    """{line: (marker, [unhit item texts])} of an annotated listing."""
    lines = {}
    current = None
    with open(path, "rb") as stream:
        for raw in stream.read().decode("utf-8", "replace").splitlines():
            match = re.match(r"^\s*(\d+) (   |-->|==>)\|", raw)
            if match:
                current = lines.setdefault(int(match.group(1)), (match.group(2), []))
                continue
            match = re.match(r"^\*\*\*\*\* (.*) \*\*\*\*\*$", raw)
            if match and current is not None:
                current[1].append(match.group(1))
    return lines


def source_rows(tree):
    """{line number: element} of the lines of a file page: a <code> for a line
    without items, a <div> (the line's <code> and its items) for the others."""
    rows = {}
    for element in tree.iter():
        identifier = element.get("id") or ""
        if identifier.startswith("L") and identifier[1:].isdigit():
            rows[int(identifier[1:])] = element
    return rows


def line_text(row):
    """The source text a line element shows."""
    code = row if row.tag == "code" else row.find("code")
    return "".join(code.itertext()) if code is not None else None


def unhit_items(row):
    return [text_of(item)[1:].strip().split(" \u00b7 ")[0] for item in row.iter("i")
            if item.get("class") == "x"]


def check_against_listing(name, page, listing, source_lines):
    rows = source_rows(page)
    marked = listing_lines(listing)
    check(len(marked) == len(source_lines), "%s: the listing has %d lines, the source %d"
          % (name, len(marked), len(source_lines)))
    for number, (marker, unhit) in marked.items():
        row = rows.get(number)
        if not check(row is not None, "%s: no row for line %d" % (name, number)):
            continue
        state = row.get("class") or ""
        expected = {"-->": ["p"], "==>": ["m"], "   ": ["h", ""]}[marker]
        check(state in expected, "%s: line %d is %r, listing %r" % (name, number, state, marker))
        items = unhit_items(row)
        check(items == unhit, "%s: line %d items not hit %s, listing %s" % (name, number, items,
                                                                          unhit))
        shown = line_text(row)
        check(shown == html_sites.shown_line(source_lines[number - 1]),
              "%s: line %d shows %r" % (name, number, shown))


def source_of(path):
    with open(path, "rb") as stream:
        return stream.read().splitlines(keepends=True)


def run_site(binary, work, velmora, args, name, env=None, listing=False):
    """Runs zeltocov twice with -HTML=site; returns the pages and the report."""
    extra = ["-HTML=site", "-OUTPUT=report.txt"] + (["-LISTING=lsc"] if listing else [])
    if listing:
        os.makedirs(os.path.join(work, "lsc"), exist_ok=True)
    contents = []
    for attempt in range(2):
        shutil.rmtree(os.path.join(work, "site"), ignore_errors=True)
        status, stderr = html_sites.run_zeltocov(binary, work, velmora, args + extra, env)
        if not check(status == 0, "%s: status %d: %s" % (name, status, stderr)):
            return None, None
        site = os.path.join(work, "site")
        contents.append({page: open(os.path.join(site, page), "rb").read()
                         for page in os.listdir(site)})
        if env and "ZELTO_TPM_ROOT" in env:
            break
    check(len(contents) == 1 or contents[0] == contents[1],
          "%s: a second run gave other bytes" % name)
    with open(os.path.join(work, "report.txt"), encoding="utf-8", errors="replace") as stream:
        report = stream.read()
    return check_site(os.path.join(work, "site")), report


def scenario_example(binary, root, velmora):
    work = html_sites.example_work(root)
    try:
        for args, per_test in ((["calc.fdc", "calc.tio"], False),
                               (["calc.fdc", "calc.tio", "-NOGLOBAL"], True),
                               (["calc.fdc", "calc.tio", "-BLOCK=LOGICAL", "-COND=COMPOUND"],
                                False)):
            name = "example " + " ".join(args[2:])
            pages, report = run_site(binary, work, velmora, args, name, listing=True)
            if pages is None:
                continue
            check_rates(name, pages, report, per_test)
            check_against_listing(name, pages["1-calc.c.html"],
                                  os.path.join(work, "lsc", "calc.c.lsc"),
                                  source_of(os.path.join(work, "calc.c")))
            if per_test:
                matrix = table_with_class(pages["index.html"], "matrix")
                if check(matrix is not None, "%s: no matrix" % name):
                    marks = [[text_of(cell) for cell in row.findall("td")]
                             for row in matrix.find("tbody").iter("tr")]
                    check(marks == [["\u25cf"]] * 3, "%s: matrix %s" % (name, marks))
                check_test_pages(name, pages)
        # French labels, with the French report's rates.
        pages, report = run_site(binary, work, velmora, ["calc.fdc", "calc.tio"], "french",
                                 env={"ZELTOCOV_LAN": "FR"})
        if pages is not None:
            sections = report_sections(report)
            conclusion = rate_rows(table_with_class(pages["index.html"], "rates"))
            check(conclusion == sections.get("Conclusion"),
                  "french: %s != %s" % (conclusion, sections.get("Conclusion")))
            check(pages["index.html"].get("lang") == "fr", "french: lang is not fr")
            check(conclusion and conclusion[-1][0] == "Conditions composees",
                  "french: labels %s" % conclusion)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def check_test_pages(name, pages):
    """The tests of a -NOGLOBAL run: each row of the tests table links to the
    test's page; the tests counted beside a line of the file page are those
    named in its title, and the page of each of them lists an item of that line."""
    table = table_with_class(pages["index.html"], "tests")
    rows = list(table.find("tbody")) if table is not None else []
    reached = {}
    for number, row in enumerate(rows, 1):
        link = row[0].find("a")
        href = "test-%d.html" % number
        if not check(link is not None and link.get("href") == href and href in pages,
                     "%s: test row %d does not link to %s" % (name, number, href)):
            continue
        # Two lists of items: those only this test reaches, then all it hit.
        lists = [e for e in pages[href].iter("ul") if e.get("class") == "items"]
        for item in (lists[-1].iter("a") if lists else ()):
            line = int(item.get("href").partition("#L")[2])
            reached.setdefault(line, set()).add(text_of(link))
    check(len(rows) > 0, "%s: no tests" % name)
    counted = 0
    for number, row in source_rows(pages["1-calc.c.html"]).items():
        mark = next((i for i in row.iter("i") if i.get("class") == "t"), None)
        if mark is None:
            continue
        counted += 1
        count = int(text_of(mark).split()[-1])
        title = [t for t in (mark.get("title") or "").split("\n") if t]
        check(count == len(title), "%s: line %d counts %d tests, names %s" % (name, number, count,
                                                                           title))
        check(set(title) <= reached.get(number, set()),
              "%s: line %d names %s, the test pages %s" % (name, number, title,
                                                           reached.get(number)))
    check(counted > 0, "%s: no line shows its tests" % name)


def scenario_hostile(binary, velmora):
    work = html_sites.hostile_work()
    try:
        for args in (["h.fdc", "h.tio"], ["h.fdc", "h.tio", "-NOGLOBAL"]):
            name = "hostile " + " ".join(args[2:])
            pages, report = run_site(binary, work, velmora, args, name, listing=True)
            if pages is None:
                continue
            check_rates(name, pages, report, "-NOGLOBAL" in args)
            page = pages.get("1-h__b_.c.html")
            if not check(page is not None, "%s: pages %s" % (name, sorted(pages))):
                continue
            check_against_listing(name, page, os.path.join(work, "lsc", "h&<b>.c.lsc"),
                                  html_sites.HOSTILE_SOURCE_LINES)
            check(text_of(page.find(".//h1")) == "h&<b>.c", "%s: title of the page" % name)
            services = table_with_class(page, "services")
            check(text_of(services.find(".//tbody/tr/th")) == "f</script>&",
                  "%s: function name %r" % (name, text_of(services.find(".//tbody/tr/th"))))
            row = source_rows(page)[6]
            check("Call of g\ufffd&amp;" in text_of(row), "%s: call item %r" % (name, text_of(row)))
            if "-NOGLOBAL" in args:
                tests = [text_of(row.find("th")) for row in
                         table_with_class(pages["index.html"], "tests").find("tbody")]
                check(tests == ["t</script>&\ufffd", "second & last"], "%s: tests %s"
                      % (name, tests))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def scenario_folders(binary, root, velmora):
    """Files of two folders: a page per folder with its rates and its files."""
    work = html_sites.example_work(root)
    try:
        lib = os.path.join(work, "lib")
        os.makedirs(lib)
        html_sites.hostile_work(lib)
        with open(os.path.join(lib, "h.fdc"), "rb") as stream:
            fdc = stream.read().replace(b'FC "h&<b>.c" "."', b'FC "h&<b>.c" "lib"')
        with open(os.path.join(lib, "h.fdc"), "wb") as stream:
            stream.write(fdc)
        pages, report = run_site(binary, work, velmora,
                                 ["calc.fdc", "calc.tio", "lib/h.fdc", "lib/h.tio"], "folders")
        if pages is None:
            return
        check_rates("folders", pages, report, False)
        sections = report_sections(report)
        folders = table_with_class(pages["index.html"], "folders")
        if not check(folders is not None, "folders: no table of folders"):
            return
        links = [(link.get("href"), text_of(link)) for link in folders.iter("a")]
        check(links == [("dir-1-..html", "."), ("dir-2-lib.html", "lib")],
              "folders: links %s" % links)
        for page_name, file_name in (("dir-1-..html", "calc.c"), ("dir-2-lib.html", "h&<b>.c")):
            page = pages.get(page_name)
            if not check(page is not None, "folders: no page %s" % page_name):
                continue
            # One file in each folder: the folder's rates are its file's.
            check(rate_rows(table_with_class(page, "rates")) == sections.get(file_name),
                  "folders: rates of %s differ from the report's %s" % (page_name, file_name))
            files = [text_of(row.find("th")) for row in
                     table_with_class(page, "files").find("tbody")]
            check(files == [file_name], "folders: %s lists %s" % (page_name, files))
    finally:
        shutil.rmtree(work, ignore_errors=True)


def scenario_matrix(binary, root, velmora):
    """A test that runs one file only: the matrix marks that file only, though the
    modified conditions of the other count the pairs of the tests before it."""
    work = html_sites.hostile_work(html_sites.example_work(root))
    try:
        with open(os.path.join(work, "only.tio"), "w", encoding="utf-8") as stream:
            stream.write('NT "only h" 9 1\nFT 1\nDC 1\nTP 0\n')
        pages, report = run_site(binary, work, velmora,
                                 ["calc.fdc", "h.fdc", "calc.tio", "only.tio", "-NOGLOBAL"],
                                 "matrix")
        if pages is None:
            return
        matrix = table_with_class(pages["index.html"], "matrix")
        if check(matrix is not None, "matrix: no matrix"):
            marks = [[text_of(cell) for cell in row.findall("td")]
                     for row in matrix.find("tbody").iter("tr")]
            check(marks == [["\u25cf", ""]] * 3 + [["", "\u25cf"]], "matrix: marks %s" % marks)
        # The report counts the earlier tests' pairs in the last test's conclusion.
        last = dict(report_sections(report).get("Conclusion Test only h", []))
        check(not last.get("Modified conditions", "0.0%").startswith("0.0%"),
              "matrix: the last test counts no pair: %s" % last)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def scenario_history(binary, root, velmora):
    """Two runs recorded in a measure database: the charts show both measures."""
    work = html_sites.example_work(root)
    tpm = tempfile.mkdtemp(prefix="zeltocov-tpm-")
    os.makedirs(os.path.join(tpm, "Coverage"))
    env = {"ZELTO_TPM_ROOT": tpm, "ZELTO_TPM_USER": "ci"}
    try:
        status, stderr = html_sites.run_zeltocov(binary, work, velmora, ["calc.fdc"], env)
        check(status == 0, "history: first run: %s" % stderr)
        pages, _ = run_site(binary, work, velmora, ["calc.fdc", "calc.tio"], "history", env=env)
        if pages is None:
            return
        for page_name in ("index.html", "1-calc.c.html"):
            page = pages[page_name]
            rates = dict(rate_rows(table_with_class(page, "rates")))
            figures = [figure for figure in page.iter("figure")]
            check(len(figures) == len(rates), "history %s: %d charts for %d rates"
                  % (page_name, len(figures), len(rates)))
            for figure in figures:
                caption = figure.find("figcaption")
                label = (caption.text or "").strip()
                last = text_of(caption.find("b"))
                check(rates.get(label, "").startswith(last + " "),
                      "history %s: %s ends at %s, rate %s" % (page_name, label, last,
                                                              rates.get(label)))
                lines = [element for element in figure.iter()
                         if element.tag.endswith("}polyline")]
                if not check(len(lines) == 1, "history %s: %s without its line"
                             % (page_name, label)):
                    continue
                points = lines[0].get("points").split()
                check(len(points) == 2, "history %s: %s has %d points" % (page_name, label,
                                                                         len(points)))
                # The first run hit nothing: its point is at 0 %.
                check(points[0].endswith(",96.0"), "history %s: first point %s"
                      % (page_name, points[0]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(tpm, ignore_errors=True)


def scenario_many_tests(binary, root, velmora):
    """More tests than the index shows: the tests and the matrix get a page of their own."""
    work = html_sites.example_work(root)
    try:
        with open(os.path.join(work, "many.tio"), "w") as stream:
            for test in range(501):
                # Numbers are reversed hexadecimal; even tests hit main's entry, odd
                # tests nothing.
                stream.write('NT "t%d" %s 1\nFT 4c19f6a3\nDC 6212707f\n%s'
                             % (test, ("%x" % (test + 1))[::-1], "TP c\n" if test % 2 == 0 else ""))
        pages, report = run_site(binary, work, velmora,
                                 ["calc.fdc", "many.tio", "-NOGLOBAL", "-SUMMARY=CONCLUSION"],
                                 "many tests")
        if pages is None:
            return
        index = pages["index.html"]
        check(table_with_class(index, "matrix") is None and table_with_class(index, "tests") is None,
              "many tests: the index holds the tests")
        check(any(link.get("href") == "tests.html" for link in index.iter("a")),
              "many tests: no link to tests.html")
        tests = pages.get("tests.html")
        if not check(tests is not None, "many tests: no tests.html"):
            return
        # No matrix of every test and every file: each test lists the files it hit.
        check(table_with_class(tests, "matrix") is None, "many tests: tests.html has a matrix")
        table = table_with_class(tests, "tests")
        rows = list(table.find("tbody")) if table is not None else []
        check(len(rows) == 501, "many tests: %d rows of tests" % len(rows))
        hit = [[(link.get("href"), text_of(link)) for link in row[-1].iter("a")] for row in rows]
        check(hit == [[("1-calc.c.html", "calc.c")] if test % 2 == 0 else [] for test in range(501)],
              "many tests: the files that the tests hit: %s" % hit[:4])
        counts = [row[-1].get("data-v") for row in rows]
        check(counts == ["1" if test % 2 == 0 else "0" for test in range(501)],
              "many tests: the sort keys of the files hit: %s" % counts[:4])
        # The rows of the tests equal the report's test conclusions.
        check_rates("many tests", dict(pages, **{"index.html": tests_as_index(pages)}), report,
                    True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def tests_as_index(pages):
    """The index with the tests page's table of tests, for check_rates."""
    index = pages["index.html"]
    body = index.find("body")
    body.append(table_with_class(pages["tests.html"], "tests"))
    return index


def main():
    binary, root = sys.argv[1:3]
    velmora = html_sites.velmora_dir()
    try:
        scenario_example(binary, root, velmora)
        scenario_hostile(binary, velmora)
        scenario_history(binary, root, velmora)
        scenario_folders(binary, root, velmora)
        scenario_matrix(binary, root, velmora)
        scenario_many_tests(binary, root, velmora)
    finally:
        shutil.rmtree(velmora, ignore_errors=True)
    for failure in failures:
        print("FAILED: " + failure)
    print("HTML validation: %d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

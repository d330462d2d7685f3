#!/usr/bin/env python3
"""Validates the outputs for CI systems of real runs of zeltocov.

  validate_ci_outputs.py <zeltocov> <source root> <schema> <dtd>

For each run below: the -XML output against the Cobertura DTD (xmllint), the -JSON
output against its shipped schema, the invariants of both (counts never above
totals, totals that are the sums of their parts, unhit items that match the
counts, hit and unhit items that make the totals, run figures that are the
selected files' in both modes, methods that have lines), the paths that GitLab
reads, the size of the -DIGEST output, and determinism (a second run with the
same SOURCE_DATE_EPOCH gives the same bytes).
Exits with status 1 and a message per failure.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import jsonschema

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def cobertura_rate(covered, valid):
    if valid == 0 or covered >= valid:
        return "1"
    digits = covered * 10000 // valid
    if digits == 0:
        return "0"
    return "0." + ("%04d" % digits).rstrip("0")


def line_totals(lines):
    valid = len(lines)
    covered = sum(1 for line in lines if int(line.get("hits")) > 0)
    outcomes = hit = 0
    for line in lines:
        if line.get("branch") == "true":
            text = line.get("condition-coverage")
            c, t = text[text.index("(") + 1:-1].split("/")
            check(int(text[:text.index("%")]) == int(c) * 100 // int(t),
                  "condition-coverage %s is not its own ratio" % text)
            outcomes += int(t)
            hit += int(c)
    return valid, covered, outcomes, hit


def check_rates(element, totals, where):
    valid, covered, outcomes, hit = totals
    check(covered <= valid and hit <= outcomes, "%s: covered above valid" % where)
    check(element.get("line-rate") == cobertura_rate(covered, valid),
          "%s: line-rate %s for %d/%d" % (where, element.get("line-rate"), covered, valid))
    check(element.get("branch-rate") == cobertura_rate(hit, outcomes),
          "%s: branch-rate %s for %d/%d" % (where, element.get("branch-rate"), hit, outcomes))


def check_xml(path, dtd, work, sources_exist):
    run = subprocess.run(["xmllint", "--noout", "--nonet", "--dtdvalid", dtd, path],
                         capture_output=True, text=True)
    check(run.returncode == 0, "%s is not valid against the DTD: %s" % (path, run.stderr))
    root = ElementTree.parse(path).getroot()
    sums = [0, 0, 0, 0]
    for package in root.iter("package"):
        package_sums = [0, 0, 0, 0]
        for cls in package.iter("class"):
            where = "class %s" % cls.get("filename")
            lines = cls.findall("lines/line")
            numbers = [int(line.get("number")) for line in lines]
            check(numbers == sorted(set(numbers)) and all(n >= 1 for n in numbers),
                  "%s: line numbers not increasing from 1" % where)
            totals = line_totals(lines)
            check_rates(cls, totals, where)
            package_sums = [a + b for a, b in zip(package_sums, totals)]
            method_lines = {}
            for method in cls.iter("method"):
                mlines = method.findall("lines/line")
                check(len(mlines) > 0, "%s: method %s without lines" % (where, method.get("name")))
                check_rates(method, line_totals(mlines), "method " + method.get("name"))
                for line in mlines:
                    number = int(line.get("number"))
                    method_lines[number] = max(method_lines.get(number, 0), int(line.get("hits")))
            # The class's lines are its methods' and those of no function.
            class_lines = {int(l.get("number")): int(l.get("hits")) for l in lines}
            check(all(class_lines.get(number, -1) >= hits for number, hits in method_lines.items()),
                  "%s: a line of a method is not the class's" % where)
        check_rates(package, package_sums, "package " + package.get("name"))
        sums = [a + b for a, b in zip(sums, package_sums)]
    valid, covered, outcomes, hit = sums
    check([int(root.get(name)) for name in
           ("lines-valid", "lines-covered", "branches-valid", "branches-covered")] ==
          [valid, covered, outcomes, hit], "%s: totals are not the sums of the classes" % path)
    check_rates(root, sums, path)
    # What GitLab reads: source, class@filename, line@number and line@hits.
    sources = [source.text for source in root.findall("sources/source")]
    check(sources == [work], "%s: sources %s, not the current directory" % (path, sources))
    for cls in root.iter("class"):
        filename = cls.get("filename")
        check(bool(filename), "%s: a class without filename" % path)
        if sources_exist:
            check(os.path.isfile(os.path.join(sources[0], filename)),
                  "%s: %s is not found under the source" % (path, filename))
        for line in cls.findall("lines/line"):
            check(line.get("number").isdigit() and line.get("hits").isdigit(),
                  "%s: a line without number or hits" % path)


COUNTERS = ["functions", "functionsAndExits", "calls", "statementBlocks", "implicitBlocks",
            "decisions", "loops", "asynchronousTransferBlocks", "basicConditions",
            "modifiedConditions", "compoundConditions"]


def add(into, coverage):
    """Sums hit and total counts (files' and functions' "empty" left aside)."""
    for key, ratio in coverage.items():
        total = into.setdefault(key, {"hit": 0, "total": 0})
        total["hit"] += ratio["hit"]
        total["total"] += ratio["total"]


def counts(coverage):
    """The hit and total counts of a coverage object."""
    return {key: {"hit": ratio["hit"], "total": ratio["total"]} for key, ratio in coverage.items()}


def check_coverage(coverage, where):
    for key, ratio in coverage.items():
        check(ratio["hit"] <= ratio["total"], "%s: %s hit above total" % (where, key))
        check(("empty" in ratio) == (ratio["total"] == 0),
              "%s: %s says why it is empty only when it is" % (where, key))
    if "decisions" in coverage:
        check(coverage["decisions"]["total"] ==
              coverage["statementBlocks"]["total"] + coverage["implicitBlocks"]["total"],
              "%s: decisions are not the blocks" % where)


def count_items(items):
    counted = {}
    for item in items:
        counted[item["type"]] = counted.get(item["type"], 0) + 1
    return counted


def check_items(coverage, unhit_items, hit_items, where):
    """Unhit items match the missed counts; hit ones (when given) the hits."""
    unhit = count_items(unhit_items)
    hit = count_items(hit_items) if hit_items is not None else None
    for key in COUNTERS:
        if key not in coverage or key == "decisions":
            continue
        missed = coverage[key]["total"] - coverage[key]["hit"]
        hits = coverage[key]["hit"]
        if key == "functionsAndExits":
            # The exits only: the entry is counted under functions.
            entry = coverage.get("functions", {"hit": 0, "total": 0})
            missed -= entry["total"] - entry["hit"]
            hits -= entry["hit"]
        check(unhit.get(key, 0) == missed,
              "%s: %d unhit %s listed, %d missed" % (where, unhit.get(key, 0), key, missed))
        if hit is not None:
            check(hit.get(key, 0) == hits,
                  "%s: %d hit %s listed, %d hit" % (where, hit.get(key, 0), key, hits))


def check_json(path, schema):
    with open(path, encoding="utf-8") as stream:
        document = json.load(stream)
    try:
        jsonschema.validate(document, schema, cls=jsonschema.Draft202012Validator)
    except jsonschema.ValidationError as error:
        check(False, "%s does not follow the schema: %s" % (path, error.message))
        return
    files_sum = {}
    for index, source in enumerate(document["files"]):
        where = "%s: file %s" % (path, source["path"])
        check_coverage(source["coverage"], where)
        functions_sum = {}
        for function in source["functions"]:
            fwhere = "%s function %s" % (where, function["name"])
            check_coverage(function["coverage"], fwhere)
            add(functions_sum, function["coverage"])
            check("hit" in function, "%s: no hit items" % fwhere)
            hit_items = function.get("hit", [])
            check_items(function["coverage"], function["unhit"], hit_items, fwhere)
            counted = [item for item in hit_items if "count" in item]
            if document["run"]["countOriented"]:
                check(all(item["count"] >= 1 for item in counted),
                      "%s: a hit item with a count of 0" % fwhere)
                check(all("count" in item for item in hit_items
                          if item["kind"] != "modified-condition"),
                      "%s: a hit item without its count" % fwhere)
            else:
                check(not counted, "%s: counts in a run that is not count-oriented" % fwhere)
            for item in function["unhit"] + hit_items:
                if item["kind"] in ("basic-condition", "modified-condition"):
                    check(not item["text"].startswith('"'),
                          "%s: condition %s with its quotes" % (fwhere, item["text"]))
            for condition in function.get("modifiedConditions", []):
                check(condition["hit"] == any(pair["hit"] for pair in condition["pairs"]),
                      "%s: modified condition %s hit without a hit pair" % (fwhere, condition["condition"]))
        check(functions_sum == counts(source["coverage"]) or not source["functions"],
              "%s: coverage is not the sum of its functions" % where)
        add(files_sum, source["coverage"])
    run = document["run"]
    check_coverage(run["coverage"], path + ": run")
    # The selected files' figures, with or without -NOGLOBAL (for the types that
    # the files measure: the run's may be more, from the other loaded files).
    check(files_sum == {key: ratio for key, ratio in counts(run["coverage"]).items()
                        if key in files_sum or not document["files"]},
          "%s: run coverage is not the sum of the files" % path)
    if run["global"]:
        check("tests" not in document, "%s: tests without -NOGLOBAL" % path)
    else:
        for test in document["tests"]:
            check_coverage(test["coverage"], "%s: test %s" % (path, test["name"]))
            tests_files = {}
            for entry in test["files"]:
                check(0 <= entry["file"] < len(document["files"]), "%s: bad file index" % path)
                add(tests_files, entry["coverage"])
                source = document["files"][entry["file"]]
                functions_hits = {}
                check("functions" in entry, "%s: test %s: no functions" % (path, test["name"]))
                for function in entry.get("functions", []):
                    fwhere = "%s: test %s function %s" % (path, test["name"], function["name"])
                    check(source["functions"][function["function"]]["name"] == function["name"],
                          "%s: bad function index" % fwhere)
                    check_coverage(function["coverage"], fwhere)
                    check_items(function["coverage"], function["unhit"], None, fwhere)
                    add(functions_hits, function["coverage"])
                for key, ratio in entry["coverage"].items():
                    check(functions_hits.get(key, {"hit": 0})["hit"] == ratio["hit"],
                          "%s: test %s: file hits are not the sum of its functions"
                          % (path, test["name"]))
            for key, ratio in test["coverage"].items():
                check(tests_files.get(key, {"hit": 0})["hit"] == ratio["hit"],
                      "%s: test %s hits are not the sum of its files" % (path, test["name"]))


def run_zeltocov(binary, work, velmora, args):
    env = dict(os.environ, VELMORADIR=velmora, SOURCE_DATE_EPOCH="1700000000", TZ="UTC",
               LANG="C")
    env.pop("ZELTOCOV_LAN", None)
    result = subprocess.run([binary] + args, cwd=work, env=env, capture_output=True)
    return result.returncode, result.stderr.decode(errors="replace")


def scenario(name, binary, root, schema_path, dtd, velmora, inputs, args, prepare=None,
             sources_exist=False):
    with open(schema_path, encoding="utf-8") as stream:
        schema = json.load(stream)
    work = tempfile.mkdtemp(prefix="zeltocov-ci-")
    try:
        for path in inputs:
            shutil.copy(os.path.join(root, path), work)
        if prepare:
            prepare(work)
        outputs = ["-XML=out.xml", "-JSON=out.json", "-DIGEST=out.md", "-OUTPUT=report.txt"]
        contents = []
        for attempt in range(2):
            status, stderr = run_zeltocov(binary, work, velmora, args + outputs)
            if not check(status == 0, "%s: status %d: %s" % (name, status, stderr)):
                return
            contents.append([open(os.path.join(work, out), "rb").read()
                             for out in ("out.xml", "out.json", "out.md")])
        check(contents[0] == contents[1], "%s: a second run gave other bytes" % name)
        check(len(contents[0][2]) < 1024 * 1024, "%s: digest of 1 MiB or more" % name)
        check(contents[0][2].startswith(b"## Coverage\n"), "%s: digest without its title" % name)
        check_xml(os.path.join(work, "out.xml"), dtd, os.path.realpath(work), sources_exist)
        check_json(os.path.join(work, "out.json"), schema)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    binary, root, schema, dtd = sys.argv[1:5]
    velmora = tempfile.mkdtemp(prefix="zeltocov-velmora-")
    os.makedirs(os.path.join(velmora, "lib", "locale"))
    example = ["examples/calc/calc.fdc", "examples/calc/calc.tio", "examples/calc/calc.c"]

    try:
        scenario("example", binary, root, schema, dtd, velmora, example, ["calc.fdc", "calc.tio"])
        # The example's FDC names the directory it was instrumented in; the map
        # says the source is here.
        scenario("example -NOGLOBAL, sources mapped here", binary, root, schema, dtd, velmora,
                 example, ["calc.fdc", "calc.tio", "-NOGLOBAL", "-SOURCEMAP=/home/dev/calc,."],
                 sources_exist=True)
        scenario("example -NOGLOBAL, one function selected", binary, root, schema, dtd, velmora,
                 example, ["calc.fdc", "calc.tio", "-NOGLOBAL", "-SERVICE=apply"])
        scenario("example, calls only", binary, root, schema, dtd, velmora, example,
                 ["calc.fdc", "calc.tio", "-CALL"])
        scenario("example, conditions only", binary, root, schema, dtd, velmora, example,
                 ["calc.fdc", "calc.tio", "-COND=COMPOUND", "-FAILUNDER=COND:1"])
        fixture = "tests/e2e/cases/ci_json_noglobal/input/"
        scenario("two tests -NOGLOBAL", binary, root, schema, dtd, velmora,
                 [fixture + "m.fdc", fixture + "m.tio"], ["m.fdc", "m.tio", "-NOGLOBAL"])
        selection = "tests/e2e/cases/cio_file_selection/input/"
        for mode in ([], ["-NOGLOBAL"]):
            scenario("two files, one selected %s" % mode, binary, root, schema, dtd, velmora,
                     [selection + name for name in ("k.fdc", "m.fdc", "t.tio")],
                     ["k.fdc", "m.fdc", "t.tio", "-FILE=m.c"] + mode)
        # The changed lines of a diff, with the gate on them, in a global run and
        # one test by one.
        changes = "tests/e2e/cases/changes_affected_example/input/change.diff"
        for mode in ([], ["-NOGLOBAL"]):
            scenario("example with changed lines %s" % mode, binary, root, schema, dtd, velmora,
                     example + [changes],
                     ["calc.fdc", "calc.tio", "-SOURCEMAP=/home/dev/calc,.", "-CHANGES=change.diff",
                      "-FAILUNDER=CHANGED:75"] + mode, sources_exist=True)
        hostile = "tests/e2e/cases/ci_hostile_names/input/"
        scenario("hostile names", binary, root, schema, dtd, velmora,
                 [hostile + "h.fdc", hostile + "h.tio"], ["h.fdc", "h.tio"])
    finally:
        shutil.rmtree(velmora, ignore_errors=True)
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

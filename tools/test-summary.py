#!/usr/bin/env python3
"""Adds up the GoogleTest cases of every suite, and the other ctest tests, into one closing line."""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

passed = failed = skipped = 0
for results in map(Path, sys.argv[1:]):
    suite_failures = {}
    for xml in sorted(results.glob("*.xml")):
        if xml.name == "ctest.xml":
            continue
        root = ET.parse(xml).getroot()
        suite_failures[xml.stem] = 0
        for case in root.iter("testcase"):
            if case.get("result") == "skipped" or case.get("status") == "notrun":
                skipped += 1
            elif case.find("failure") is not None:
                failed += 1
                suite_failures[xml.stem] += 1
            else:
                passed += 1
    ctest = results / "ctest.xml"
    if not ctest.exists():
        continue
    for case in ET.parse(ctest).getroot().iter("testcase"):
        name, status = case.get("name"), case.get("status")
        # A suite's cases are counted above; it adds a failure of its own only when it failed
        # without a failing case (a crash, a time-out, a leak at exit).
        if name in suite_failures and (status != "fail" or suite_failures[name]):
            continue
        if status == "fail":
            failed += 1
            print(f"FAILED: {name}")
        elif status in ("run", "pass", None):
            passed += 1
        else:
            skipped += 1

line = f"{passed} passed, {failed} failed"
if skipped:
    line += f", {skipped} skipped"
print("Summary: " + line)
sys.exit(1 if failed else 0)

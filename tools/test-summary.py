#!/usr/bin/env python3
"""Adds up the GoogleTest cases of every suite, and the other ctest tests, into one closing line."""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

passed = failed = skipped = 0
for results in map(Path, sys.argv[1:]):
    gtest_suites = set()
    for xml in sorted(results.glob("*.xml")):
        if xml.name == "ctest.xml":
            continue
        root = ET.parse(xml).getroot()
        gtest_suites.add(xml.stem)
        for case in root.iter("testcase"):
            if case.get("result") == "skipped" or case.get("status") == "notrun":
                skipped += 1
            elif case.find("failure") is not None:
                failed += 1
            else:
                passed += 1
    ctest = results / "ctest.xml"
    if not ctest.exists():
        continue
    for case in ET.parse(ctest).getroot().iter("testcase"):
        name, status = case.get("name"), case.get("status")
        if name in gtest_suites and status != "fail":
            continue
        # A suite that crashed before writing its report counts as one failure.
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
print("Sockmere tests: " + line)
sys.exit(1 if failed else 0)

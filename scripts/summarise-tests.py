"""Adds up JUnit result files into the closing lines of a test run: one on the 32-bit plugin's
stage (what ran, or why it did not) where its tests were collected, then "tests: N passed, M
failed, K skipped"."""
import re
import sys
import xml.etree.ElementTree as ET

# The cases of the tests run once per build ("arch"): their 32-bit half.
X86_CASE = re.compile(r"[\[-]x86[\]-]")

passed = failed = skipped = 0
x86 = {"passed": 0, "failed": 0, "skipped": 0}
x86_skip_reasons = set()
for path in sys.argv[1:]:
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        print(f"summary: {path}: {error}")
        failed += 1
        continue
    for case in root.iter("testcase"):
        skip = case.find("skipped")
        if case.find("failure") is not None or case.find("error") is not None:
            outcome = "failed"
        elif skip is not None or case.get("status") in ("notrun", "disabled"):
            outcome = "skipped"
        else:
            outcome = "passed"
        passed, failed, skipped = (passed + (outcome == "passed"), failed + (outcome == "failed"),
                                   skipped + (outcome == "skipped"))
        if X86_CASE.search(case.get("name", "")):
            x86[outcome] += 1
            if skip is not None:
                x86_skip_reasons.add(skip.get("message", "").removeprefix("Skipped: "))
print()
if sum(x86.values()) == 0:
    pass  # a run of the 64-bit plugin alone (make check)
elif x86["passed"] + x86["failed"] == 0:
    print(f"32-bit plugin: did not run: {'; '.join(sorted(x86_skip_reasons))}")
else:
    print(f"32-bit plugin: {x86['passed']} passed, {x86['failed']} failed, {x86['skipped']} skipped")
print(f"tests: {passed} passed, {failed} failed, {skipped} skipped")
sys.exit(1 if failed else 0)

"""The module's layering, read from its #include lines: entry points and viewer (plugin/) on top,
export/ below them, symbol/ below export/, the handle owners (base/) at the bottom. A file may
include its own folder and folders below it, never one above: no cycles between folders.

    /usr/bin/python3 -m pytest -q tests/layout_test.py
"""
import pathlib
import re

import pytest

REPO = pathlib.Path(__file__).resolve().parents[1]
ORDER = ["base", "symbol", "export", "plugin"]  # bottom to top
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(folder):
    return sorted(p for p in (REPO / folder).iterdir() if p.suffix in (".h", ".cpp"))


def included_folders(path):
    """Folders of the project named by path's quoted includes ("../x/y.h", "x/y.h" or "y.h")."""
    found = set()
    for name in INCLUDE.findall(path.read_text(encoding="utf-8")):
        target = (path.parent / name).resolve()
        if not target.exists():
            target = (REPO / name).resolve()
        try:
            found.add(target.relative_to(REPO).parts[0])
        except ValueError:
            pass
    return found


@pytest.mark.parametrize("folder", ORDER)
def test_no_folder_includes_one_above_it(folder):
    above = set(ORDER[ORDER.index(folder) + 1:])
    offending = {str(p.relative_to(REPO)): sorted(included_folders(p) & above) for p in sources(folder)}
    assert {k: v for k, v in offending.items() if v} == {}


def test_the_platform_free_core_never_includes_windows_h():
    core = [p for folder in ORDER for p in sources(folder)
            if p.suffix == ".cpp" and not p.stem.endswith("_win32")]
    headers_of_core = {h for p in core for h in [p.with_suffix(".h")] if h.exists()}
    offending = [str(p.relative_to(REPO)) for p in sorted(set(core) | headers_of_core)
                 if re.search(r"#\s*include\s*<windows\.h>", p.read_text(encoding="utf-8"))]
    assert offending == []


def test_no_product_file_probes_for_another_system():
    # The plugin behaves as the platform's documentation says; what differs under Wine is the
    # tests' business, never a branch of the product's.
    offending = [str(p.relative_to(REPO)) for folder in ORDER for p in sources(folder)
                 if "wine_get_version" in p.read_text(encoding="utf-8")]
    assert offending == []

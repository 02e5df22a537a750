"""The two plugins taken out of the distributed archive each load in a host of their own
bitness and show a symbol. The archive's static checks are in tests/package_test.py.
"""
from __future__ import annotations

import pathlib
import sys

import numpy as np
import pytest

import hostlib

sys.path.insert(0, str(hostlib.REPO / "tests"))
from package_archive import archive_path, extract  # noqa: E402

CONTENT = "qrlister package: città – 東京".encode("utf-8")


@pytest.fixture(scope="module")
def extracted(tmp_path_factory) -> pathlib.Path:
    return extract(archive_path(), tmp_path_factory.mktemp("package"))


def _shows_symbol(plugin: pathlib.Path, tmp_path: pathlib.Path, arch: str):
    content = tmp_path / "label.qr"
    content.write_bytes(CONTENT)
    shown = tmp_path / "shown.bmp"
    log = hostlib.run_host([
        f"open a {hostlib.qpath(content)} 640 480",
        f"image a {hostlib.qpath(shown)}",
        # The fit's single-precision arithmetic must hold on x87 too: 290 px at 73 gives 72.
        "resize a 640 73",
        "layout a",
        "close a",
    ], tmp_path, arch=arch, plugin=plugin)
    assert "open a ok" in log, list(log)
    assert log.boxes() == []
    image = hostlib.read_bmp(shown)
    expected = hostlib.expected_symbol(CONTENT)
    assert (image.height, image.width) == expected.shape  # fits in 640 x 480: full size
    assert np.array_equal(image.gray(), expected)
    assert hostlib.decode(image) == CONTENT
    assert expected.shape == (290, 290)
    assert log.starting("layout") == ["layout a client=640,73 child=284,0,72,72"]


def test_packaged_plugin_loads_and_shows_a_symbol(extracted, tmp_path, arch):
    _shows_symbol(extracted / hostlib.ARCHES[arch].plugin_name, tmp_path, arch)

"""The two plugins taken out of the distributed archive each load in a host of their own
bitness and show a symbol. The archive's static checks are in tests/package_test.py.
"""
from __future__ import annotations

import os
import pathlib
import subprocess
import sys

import numpy as np
import pytest

import hostlib

sys.path.insert(0, str(hostlib.REPO / "tests"))
from package_archive import REPO, archive_path, extract  # noqa: E402

CONTENT = "qrlister package: città – 東京".encode("utf-8")


@pytest.fixture(scope="module")
def extracted(tmp_path_factory) -> pathlib.Path:
    return extract(archive_path(), tmp_path_factory.mktemp("package"))


def _need_host(build: str) -> pathlib.Path:
    host = REPO / "build" / build / "testhost.exe"
    if not host.exists():
        pytest.skip(f"no {host.relative_to(REPO)}")
    return host


def _shows_symbol(plugin: pathlib.Path, tmp_path: pathlib.Path):
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
    ], tmp_path, plugin=plugin)
    assert "open a ok" in log, list(log)
    assert log.boxes() == []
    image = hostlib.read_bmp(shown)
    expected = hostlib.expected_symbol(CONTENT)
    assert (image.height, image.width) == expected.shape  # fits in 640 x 480: full size
    assert np.array_equal(image.gray(), expected)
    assert hostlib.decode(image) == CONTENT
    assert expected.shape == (290, 290)
    assert log.starting("layout") == ["layout a client=640,73 child=284,0,72,72"]


def test_packaged_64bit_plugin_loads_and_shows_a_symbol(extracted, tmp_path, monkeypatch):
    monkeypatch.setattr(hostlib, "HOST_EXE", _need_host("win64"))
    _shows_symbol(extracted / "qrlister.wlx64", tmp_path)


@pytest.fixture(scope="module")
def wine32_env():
    """A 32-bit Wine prefix beside the run's own (never the 64-bit one itself), with its own
    wineserver for the module's lifetime. Needs the display and prefix of scripts/wine.sh."""
    if os.environ.get("QRL_WINE_READY") != "1":
        pytest.skip("32-bit loading runs only inside scripts/wine.sh")
    if not os.environ.get("QRL_WINE32"):
        pytest.skip(os.environ.get("QRL_WINE32_MISSING", "no usable 32-bit Wine"))
    prefix = pathlib.Path(os.environ["WINEPREFIX"] + "-win32")
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEARCH="win32", QRL_WINE=os.environ["QRL_WINE32"])
    quiet = dict(env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    prefix.mkdir(parents=True, exist_ok=True)
    subprocess.run(["wineserver", "-k"], **quiet)
    # One server for all runs, as scripts/wine.sh does for the 64-bit prefix.
    subprocess.run(["wineserver", "-p"], check=True, **quiet)
    try:
        if not (prefix / "system.reg").exists():
            subprocess.run([env["QRL_WINE"], "wineboot", "-i"], check=True, timeout=300, **quiet)
        yield env
    finally:
        subprocess.run(["wineserver", "-k"], **quiet)


def test_packaged_32bit_plugin_loads_and_shows_a_symbol(extracted, tmp_path, monkeypatch, wine32_env):
    monkeypatch.setattr(hostlib, "HOST_EXE", _need_host("win32"))
    for key in ("WINEPREFIX", "WINEARCH", "QRL_WINE"):
        monkeypatch.setenv(key, wine32_env[key])
    _shows_symbol(extracted / "qrlister.wlx", tmp_path)

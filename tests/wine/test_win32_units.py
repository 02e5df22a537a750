"""The plugin's Win32 code tested directly, in each build: tests/win32 (win32_tests.exe) renders
every symbol version and checks each pixel against libqrencode's modules, checks the fit and the
clipboard's copy, the files the BMP writer and the encoder export leave (bytes, pixels, what
stays on disk after every outcome of a replacement) and how a viewer is recognised."""
import os
import re
import subprocess

import pytest

import hostlib

pytestmark = pytest.mark.check


@pytest.fixture(scope="module")
def run(tmp_path_factory, arch):
    """The runner's output lines, run once per build under Wine in a folder of its own."""
    build = hostlib.ARCHES[arch]
    work = tmp_path_factory.mktemp("win32")
    out = work / "win32_tests.out"
    command = [build.wine(), str(build.build / "win32_tests.exe"), hostlib.winpath(work)]
    if os.environ.get("QRL_WINE_READY") != "1":
        command = ["bash", str(hostlib.REPO / "scripts" / "wine.sh")] + command
    with open(out, "wb") as stdout:  # a file, not a pipe: a piped Wine process waits for the server
        subprocess.run(command, stdout=stdout, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=300)
    return out.read_text(errors="replace").splitlines()


def test_every_win32_test_passes(run):
    assert run and run[-1] == "failures 0", "\n".join(run)
    tests = [line for line in run if line.startswith("test ")]
    assert len(tests) >= 15 and all(line.endswith(" ok") for line in tests), "\n".join(run)


def test_every_version_is_its_modules_ten_pixels_each(run):
    results = [line for line in run if re.match(r"version \d+ ", line)]
    assert results == [f"version {v} {10 * (17 + 4 * v)}px 32bpp ok" for v in range(1, 41)]

"""The rendering's integer scaling, proved for every symbol version: tools/rendercheck renders a
text of each version 1 to 40 with the plugin's own code (one StretchDIBits of the 1-bit module
image into a display-compatible bitmap) and compares every pixel with libqrencode's modules."""
import os
import re
import subprocess

import hostlib

RENDERCHECK = hostlib.BUILD / "rendercheck.exe"


def test_every_version_is_its_modules_ten_pixels_each(tmp_path):
    out = tmp_path / "rendercheck.out"
    command = [os.environ.get("QRL_WINE", "/usr/lib/wine/wine64"), str(RENDERCHECK)]  # the 64-bit loader
    if os.environ.get("QRL_WINE_READY") != "1":
        command = ["bash", str(hostlib.REPO / "scripts" / "wine.sh")] + command
    with open(out, "wb") as stdout:  # a file, not a pipe: a piped Wine process waits for the server
        subprocess.run(command, stdout=stdout, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=300,
                       check=True)
    lines = out.read_text(errors="replace").splitlines()
    results = [line for line in lines if line.startswith("version ")]
    assert lines[-1] == "done", lines[-5:]
    expected = [f"version {v} {10 * (17 + 4 * v)}px 32bpp ok" for v in range(1, 41)]
    assert results == expected

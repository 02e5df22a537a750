"""The distributed archive, checked without Windows or Wine: what it holds, and what the two
plugins in it export, import and say about themselves.

    /usr/bin/python3 -m pytest -q tests/package_test.py
(tests/wine/test_package.py loads the same plugins under Wine.)
"""
from __future__ import annotations

import hashlib
import pathlib
import re
import subprocess
import zipfile

import pytest

from package_archive import REPO, VERSION, archive_path, extract
from pe_image import read_pe, version_info

# name in the archive -> PE machine, cross objdump
PLUGINS = {
    "qrlister.wlx64": (0x8664, "x86_64-w64-mingw32-objdump"),
    "qrlister.wlx": (0x14C, "i686-w64-mingw32-objdump"),
}

# DLLs every Windows installation has. Anything else (libstdc++-6, libgcc_s_*, libwinpthread-1,
# a libqrencode DLL) would have to ship beside the plugin, and the archive holds none.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "gdiplus.dll", "comdlg32.dll",
               "ole32.dll", "oleaut32.dll", "advapi32.dll", "shell32.dll", "comctl32.dll", "ntdll.dll"}

# A 64-bit host takes a Unicode-only plugin; a 32-bit one also looks for the 8-bit ListLoad.
EXPORTS = {
    "qrlister.wlx64": ["ListCloseWindow", "ListGetDetectString", "ListLoadW", "ListSendCommand"],
    "qrlister.wlx": ["ListCloseWindow", "ListGetDetectString", "ListLoad", "ListLoadW", "ListSendCommand"],
}


@pytest.fixture(scope="module")
def package(tmp_path_factory):
    """(zip path, directory the archive was extracted to)."""
    zip_path = archive_path()
    return zip_path, extract(zip_path, tmp_path_factory.mktemp("package"))


# ---------------------------------------------------------------------------------------------
# The archive

def test_archive_is_named_after_the_version_and_holds_four_files(package):
    zip_path, _ = package
    assert zip_path.name == f"qrlister-{VERSION}.zip"
    with zipfile.ZipFile(zip_path) as archive:
        assert archive.testzip() is None
        names = sorted(e.filename for e in archive.infolist())
    # Flat: Total Commander looks for pluginst.inf at the archive's root.
    assert names == ["pluginst.inf", "qrlister.wlx", "qrlister.wlx64", "readme.txt"]


def test_pluginst_inf_is_exactly_the_install_section(package):
    raw = (package[1] / "pluginst.inf").read_bytes()
    assert raw == (
        "[plugininstall]\r\n"
        "description=QR Code viewer for .qr and .qrcode files\r\n"
        "type=wlx\r\n"
        "file=qrlister.wlx\r\n"
        "defaultdir=qrlister\r\n"
        f"version={VERSION}\r\n").encode("ascii")


def test_readme_has_crlf_lines_and_the_licence_notes(package):
    raw = (package[1] / "readme.txt").read_bytes()
    assert b"\n" not in raw.replace(b"\r\n", b"") and b"\r" not in raw.replace(b"\r\n", b""), \
        "a bare LF or CR line end"
    text = raw.decode("ascii")
    assert VERSION in text.splitlines()[0]
    assert not re.search(r"@[A-Z0-9_]+@", text), "an unfilled template placeholder"
    flowing = " ".join(text.split())
    for phrase in ["statically linked", "GNU Lesser General Public License, version 2.1",
                   'source package "qrencode"', "scripts/qrencode-win.sh", "relink"]:
        assert phrase in flowing, phrase
    # The notes name the very tarball the plugins were linked from.
    tarballs = list((REPO / "build" / "qrencode-src").glob("qrencode_*.orig.tar.*"))
    assert len(tarballs) == 1
    assert tarballs[0].name in text
    assert hashlib.sha256(tarballs[0].read_bytes()).hexdigest() in text


# ---------------------------------------------------------------------------------------------
# The two plugins

def _objdump(tool: str, path: pathlib.Path) -> str:
    return subprocess.run([tool, "-p", str(path)], check=True, capture_output=True, text=True).stdout


@pytest.mark.parametrize("name", PLUGINS)
def test_plugin_is_built_for_its_bitness(package, name):
    assert read_pe(package[1] / name).machine == PLUGINS[name][0]


@pytest.mark.parametrize("name", PLUGINS)
def test_plugin_exports_its_functions_undecorated(package, name):
    # A 32-bit __stdcall build exports ListLoadW@12 unless the link strips the suffix; the
    # host looks the names up undecorated.
    dump = _objdump(PLUGINS[name][1], package[1] / name)
    table = dump.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
    assert re.findall(r"^\s*\[\s*\d+\]\s+(\S+)\s*$", table, re.M) == EXPORTS[name]


@pytest.mark.parametrize("name", PLUGINS)
def test_plugin_imports_only_system_dlls(package, name):
    dump = _objdump(PLUGINS[name][1], package[1] / name)
    imports = {m.lower() for m in re.findall(r"DLL Name: (\S+)", dump)}
    assert {"kernel32.dll", "user32.dll", "gdi32.dll"} <= imports
    assert imports <= SYSTEM_DLLS, sorted(imports - SYSTEM_DLLS)


@pytest.mark.parametrize("name", PLUGINS)
def test_version_resource_is_italian_unicode_and_carries_the_version(package, name):
    info = version_info(package[1] / name)
    numbers = tuple(int(n) for n in VERSION.split(".")) + (0,)
    assert info.resource_language == 0x0410
    assert info.translations == [(0x0410, 1200)]
    assert list(info.string_tables) == ["041004B0"]
    strings = info.string_tables["041004B0"]
    assert info.file_version == numbers and info.product_version == numbers
    assert strings["FileVersion"] == VERSION and strings["ProductVersion"] == VERSION
    assert strings["OriginalFilename"] == name
    assert strings["FileDescription"]

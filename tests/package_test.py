"""The distributed archives, checked without Windows or Wine: what the plugin archive holds,
what the two plugins in it export, import and say about themselves, the checksums published
with them, and whether the source archive beside it rebuilds the same bytes (and once more in
another folder) and relinks the plugin as its readme says.

    /usr/bin/python3 -m pytest -q tests/package_test.py
(tests/wine/test_package.py loads the same plugins under Wine.)
"""
from __future__ import annotations

import calendar
import hashlib
import os
import pathlib
import re
import struct
import subprocess
import tarfile
import zipfile

import pytest

from package_archive import REPO, VERSION, archive_path, extract
from pe_image import first_difference, read_pe, version_info

# name in the archive -> PE machine
PLUGINS = {"qrlister.wlx64": 0x8664, "qrlister.wlx": 0x14C}

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

def test_archive_is_named_after_the_version_and_holds_five_files_of_the_sources_date(package, source_archive):
    zip_path, _ = package
    assert zip_path.name == f"qrlister-{VERSION}.zip"
    with zipfile.ZipFile(zip_path) as archive:
        assert archive.testzip() is None
        entries = archive.infolist()
    # Flat: Total Commander looks for pluginst.inf at the archive's root.
    assert [e.filename for e in entries] == [
        "pluginst.inf", "qrlister.wlx", "qrlister.wlx64", "readme.txt", "lgpl-2.1.txt"]
    # The date the source archive records, in UTC; zip keeps even seconds only (rounded up).
    epoch = _recorded_epoch(source_archive)
    assert {calendar.timegm(entry.date_time) - epoch for entry in entries} <= {0, 1}


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
                   'source package "qrencode"', "scripts/qrencode-win.sh", "relink", "lgpl-2.1.txt",
                   f"qrlister-{VERSION}-src.tar.gz", "third_party/", "QRL_QRENCODE_SOURCE="]:
        assert phrase in flowing, phrase
    # The notes name the very tarball the plugins were linked from.
    tarball = _linked_tarball()
    assert tarball.name in text
    assert hashlib.sha256(tarball.read_bytes()).hexdigest() in text


def _linked_tarball() -> pathlib.Path:
    tarballs = list((REPO / "build" / "qrencode-src").glob("qrencode_*.orig.tar.*"))
    assert len(tarballs) == 1
    return tarballs[0]


def test_licence_is_the_one_the_library_ships(package):
    raw = (package[1] / "lgpl-2.1.txt").read_bytes()
    assert b"\n" not in raw.replace(b"\r\n", b""), "a bare LF line end"
    with tarfile.open(_linked_tarball()) as library:
        copying = library.extractfile(library.getmember(f"{_unpacked_name(_linked_tarball())}/COPYING")).read()
    assert raw.replace(b"\r\n", b"\n") == copying
    assert b"GNU LESSER GENERAL PUBLIC LICENSE" in raw and b"Version 2.1" in raw


def _unpacked_name(tarball: pathlib.Path) -> str:
    """qrencode_4.1.1.orig.tar.bz2 unpacks to qrencode-4.1.1/."""
    return re.sub(r"\.orig\.tar\..*$", "", tarball.name).replace("_", "-")


# ---------------------------------------------------------------------------------------------
# The two plugins

@pytest.mark.parametrize("name", PLUGINS)
def test_plugin_is_built_for_its_bitness_without_a_link_time(package, name):
    image = read_pe(package[1] / name)
    assert image.machine == PLUGINS[name]
    assert image.timestamp == 0


@pytest.mark.parametrize("name", PLUGINS)
def test_plugin_exports_its_functions_undecorated(package, name):
    # A 32-bit __stdcall build exports ListLoadW@12 unless the link strips the suffix; the
    # host looks the names up undecorated.
    assert read_pe(package[1] / name).export_names() == EXPORTS[name]


@pytest.mark.parametrize("name", PLUGINS)
def test_plugin_imports_only_system_dlls(package, name):
    imports = {dll.lower() for dll in read_pe(package[1] / name).imported_dlls()}
    assert {"kernel32.dll", "user32.dll", "gdi32.dll"} <= imports
    assert imports <= SYSTEM_DLLS, sorted(imports - SYSTEM_DLLS)


@pytest.mark.parametrize("name", PLUGINS)
def test_plugin_holds_no_probe_for_wine(package, name):
    assert b"wine_get_version" not in (package[1] / name).read_bytes()


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


# ---------------------------------------------------------------------------------------------
# The source archive beside it

SOURCE_ROOT = f"qrlister-{VERSION}"


@pytest.fixture(scope="module")
def source_archive(package) -> pathlib.Path:
    path = package[0].with_name(f"qrlister-{VERSION}-src.tar.gz")
    assert path.is_file(), f"no {path.name} beside {package[0].name}"
    return path


def _readme_tarball(package) -> tuple[str, str]:
    """(file name, SHA-256) of the library tarball the readme names."""
    text = (package[1] / "readme.txt").read_text("ascii")
    named = re.search(r"(qrencode_\S+\.orig\.tar\.\w+)\s+SHA-256 ([0-9a-f]{64})", text)
    assert named, "the readme names no tarball with its SHA-256"
    return named.group(1), named.group(2)


def test_source_archive_holds_the_library_tarball_the_readme_names(package, source_archive):
    name, sha256 = _readme_tarball(package)
    with tarfile.open(source_archive) as archive:
        # One folder, and nothing that unpacks outside it or as a link.
        for member in archive.getmembers():
            assert member.name == SOURCE_ROOT or member.name.startswith(SOURCE_ROOT + "/"), member.name
            assert ".." not in member.name.split("/") and (member.isfile() or member.isdir()), member.name
        library = archive.extractfile(f"{SOURCE_ROOT}/third_party/{name}").read()
        sums = archive.extractfile(f"{SOURCE_ROOT}/third_party/SHA256SUMS").read().decode("ascii")
    assert hashlib.sha256(library).hexdigest() == sha256
    assert sums == f"{sha256}  {name}\n"


def _recorded_epoch(source_archive: pathlib.Path) -> int:
    with tarfile.open(source_archive) as archive:
        return int(archive.extractfile(f"{SOURCE_ROOT}/SOURCE_DATE_EPOCH").read())


def test_source_archive_is_the_project_as_built_at_the_commits_date(source_archive):
    toplevel = subprocess.run(["git", "-C", str(REPO), "rev-parse", "--show-toplevel"],
                              capture_output=True, text=True)
    if toplevel.returncode != 0 or pathlib.Path(toplevel.stdout.strip()) != REPO:
        pytest.skip("not a git checkout: no list of the project's files to hold the archive to")
    listed = subprocess.run(["git", "-C", str(REPO), "ls-files", "-z"], check=True, capture_output=True).stdout
    tracked = sorted(name for name in listed.decode().split("\0") if name and (REPO / name).exists())
    with tarfile.open(source_archive) as archive:
        members = archive.getmembers()
        files = {member.name.split("/", 1)[1]: archive.extractfile(member).read()
                 for member in members
                 if member.isfile() and not member.name.startswith(f"{SOURCE_ROOT}/third_party/")}
    commit_date = subprocess.run(["git", "-C", str(REPO), "log", "-1", "--format=%ct"],
                                 check=True, capture_output=True, text=True).stdout.strip()
    assert files.pop("SOURCE_DATE_EPOCH") == f"{commit_date}\n".encode()
    assert sorted(files) == tracked
    # Working copies, not the last commit: the plugins were built from them.
    assert [name for name in tracked if files[name] != (REPO / name).read_bytes()] == []
    assert {(m.mtime, m.uid, m.gid, m.uname, m.gname) for m in members} == {(int(commit_date), 0, 0, "", "")}


def _extract_tar(archive: tarfile.TarFile, directory: pathlib.Path) -> None:
    """Extracts with the "tar" filter where Python has it (3.12, and 3.11 from 3.11.4): members
    kept as they are, but none may land outside the folder. Python 3.14 would filter by default."""
    if hasattr(tarfile, "tar_filter"):
        archive.extractall(directory, filter="tar")
    else:
        archive.extractall(directory)


# ---------------------------------------------------------------------------------------------
# The same bytes again

# Where a packaged tree keeps what it built and wrote: both plugins, the static library each
# links, and the three files published.
PLUGIN_BUILDS = {"qrlister.wlx": "build/win32/qrlister.wlx", "qrlister.wlx64": "build/win64/qrlister.wlx64"}
LIBRARIES = ["build/deps/qrencode-x86_64/lib/libqrencode.a", "build/deps/qrencode-i686/lib/libqrencode.a"]
PUBLISHED = [f"qrlister-{VERSION}.zip", f"qrlister-{VERSION}-src.tar.gz", "SHA256SUMS"]


def _sha256(path: pathlib.Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def test_sha256sums_and_the_readme_name_what_was_written(package, source_archive):
    zip_path, unpacked = package
    written = {zip_path.name: zip_path, source_archive.name: source_archive,
               "qrlister.wlx": unpacked / "qrlister.wlx", "qrlister.wlx64": unpacked / "qrlister.wlx64"}
    assert zip_path.with_name("SHA256SUMS").read_text("ascii") == "".join(
        f"{_sha256(path)}  {name}\n" for name, path in written.items())
    readme = (unpacked / "readme.txt").read_text("ascii")
    for name in PLUGINS:
        assert f"{_sha256(unpacked / name)}  {name}\n" in readme, name


def _assert_same_bytes(built: pathlib.Path, expected: pathlib.Path) -> None:
    difference = first_difference(expected.read_bytes(), built.read_bytes())
    assert difference is None, f"{built} is not {expected}: {difference}"


def _unpack_and_package(source_archive: pathlib.Path, folder: pathlib.Path, umask: int = 0o022,
                        **env) -> pathlib.Path:
    """The source archive unpacked in folder and packaged there as its readme says (the plugins
    alone, no tests), offline: the library comes from third_party/, not from apt."""
    folder.mkdir(parents=True, exist_ok=True)
    with tarfile.open(source_archive) as archive:
        _extract_tar(archive, folder)
    tree = folder / SOURCE_ROOT
    run_env = {key: value for key, value in os.environ.items() if key != "QRL_QRENCODE_SOURCE"}
    result = subprocess.run(["bash", "scripts/package.sh", "--no-setup", "--no-test", "--plugins-only"],
                            cwd=tree, env=dict(run_env, **env), preexec_fn=lambda: os.umask(umask),
                            capture_output=True, text=True, timeout=1200)
    assert result.returncode == 0, result.stdout[-3000:] + result.stderr[-3000:]
    assert "verified" in result.stdout
    assert not (tree / "build" / "qrencode-src" / "apt-source.log").exists(), "fetched through apt"
    return tree


@pytest.fixture(scope="module")
def rebuilt(source_archive, tmp_path_factory) -> pathlib.Path:
    """The source archive, unpacked and packaged again: the tree with its build/ and dist/."""
    return _unpack_and_package(source_archive, tmp_path_factory.mktemp("rebuilt"))


def test_source_archive_rebuilds_the_same_bytes(package, rebuilt):
    """Without git: the date comes from the archive's SOURCE_DATE_EPOCH, the file list from the
    unpacked tree. Both plugins and all three published files are the released bytes."""
    zip_path, unpacked = package
    for name, built in PLUGIN_BUILDS.items():
        _assert_same_bytes(rebuilt / built, unpacked / name)
    for name in PUBLISHED:
        _assert_same_bytes(rebuilt / "dist" / name, zip_path.with_name(name))


def test_two_builds_in_two_folders_give_the_same_bytes(source_archive, rebuilt, tmp_path):
    """A second build, later, in a folder of another length, with a time zone 14 hours from
    UTC, umask 077, another locale and a SOURCE_DATE_EPOCH of its own: none of these may reach
    the libraries, the plugins or the archives."""
    second = _unpack_and_package(source_archive, tmp_path / "a-second-folder-with-a-longer-name", umask=0o077,
                                 TZ="XST-14", LC_ALL="C", SOURCE_DATE_EPOCH="1")
    for path in [*LIBRARIES, *PLUGIN_BUILDS.values(), *(f"dist/{name}" for name in PUBLISHED)]:
        _assert_same_bytes(second / path, rebuilt / path)


def test_source_archive_relinks_the_plugin_with_a_changed_library(package, rebuilt, tmp_path):
    """The readme's relinking steps in the rebuilt tree."""
    plugin = rebuilt / PLUGIN_BUILDS["qrlister.wlx64"]
    env = {key: value for key, value in os.environ.items() if key != "QRL_QRENCODE_SOURCE"}

    def build(**extra) -> None:
        result = subprocess.run(["bash", "scripts/build.sh", "win64", "qrlister"], cwd=rebuilt,
                                env=dict(env, **extra), capture_output=True, text=True, timeout=900)
        assert result.returncode == 0, result.stdout[-3000:] + result.stderr[-3000:]

    name, _ = _readme_tarball(package)
    with tarfile.open(rebuilt / "third_party" / name) as library:
        _extract_tar(library, tmp_path / "library")
    changed = tmp_path / "library" / _unpacked_name(pathlib.Path(name))
    with open(changed / "qrencode.c", "a", encoding="ascii") as source:
        source.write('\nconst char qrl_changed_library[] = "a libqrencode changed by its user";\n')
    build(QRL_QRENCODE_SOURCE=str(changed))
    assert b"a libqrencode changed by its user" in plugin.read_bytes()

    # The changed library lasts one build: the next one links the tarball's again.
    build()
    _assert_same_bytes(plugin, package[1] / "qrlister.wlx64")

"""scripts/debsrc.sh, the deb-src twin of the machine's Debian entry, on sample apt folders of
each layout Debian machines come with. Every twin is read back by apt itself, with a private
configuration: the machine's own apt setup is neither read for the samples nor changed.

    /usr/bin/python3 -m pytest -q tests/debsrc_test.py
"""
from __future__ import annotations

import pathlib
import re
import subprocess
import textwrap

import pytest

REPO = pathlib.Path(__file__).resolve().parents[1]
SCRIPT = REPO / "scripts" / "debsrc.sh"
KEYRING = "/usr/share/keyrings/debian-archive-keyring.gpg"

# Debian 12 as containers have it: comments inside the stanzas, security in a stanza of its own.
DEB822_DEBIAN = """\
    Types: deb
    # http://snapshot.debian.org/archive/debian/20250520T000000Z
    URIs: http://deb.debian.org/debian
    Suites: bookworm bookworm-updates
    Components: main
    Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

    Types: deb
    # http://snapshot.debian.org/archive/debian-security/20250520T000000Z
    URIs: http://deb.debian.org/debian-security
    Suites: bookworm-security
    Components: main
    Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
    """

# What Debian's installer writes (and WSL and many older containers have).
ONE_LINE_DEBIAN = """\
    #deb cdrom:[Debian GNU/Linux 12.5.0 _Bookworm_ - Official amd64 NETINST with firmware 20240210-11:27]/ bookworm contrib main non-free-firmware

    deb http://deb.debian.org/debian/ bookworm main non-free-firmware
    deb-src http://deb.debian.org/debian/ bookworm main non-free-firmware

    deb http://security.debian.org/debian-security bookworm-security main non-free-firmware
    deb-src http://security.debian.org/debian-security bookworm-security main non-free-firmware

    # bookworm-updates, to get updates before a point release is made;
    deb http://deb.debian.org/debian/ bookworm-updates main non-free-firmware
    """

KEY_LINES = ["-----BEGIN PGP PUBLIC KEY BLOCK-----", ".", "mDMEZkQ7sBYJKwYBBAHaRw8BAQdAsample0key0material0only", "=AbCd",
             "-----END PGP PUBLIC KEY BLOCK-----"]
INLINE_KEY = "".join(f"\n {line}" for line in KEY_LINES)

# Name: (files in the apt folder, expected URI, suites, Signed-By or None).
LAYOUTS = {
    "deb822 sources": (
        {"sources.list.d/debian.sources": DEB822_DEBIAN},
        "http://deb.debian.org/debian", ["bookworm", "bookworm-updates"], KEYRING),
    "one-line sources.list with deb-src lines and comments": (
        {"sources.list": ONE_LINE_DEBIAN},
        "http://deb.debian.org/debian/", ["bookworm", "bookworm-updates"], None),
    "sources.list.d/*.list with options, no sources.list": (
        {"sources.list.d/mirror.list": f"""\
            deb [arch=amd64 signed-by={KEYRING}] https://mirror.example.org/debian/ bookworm main contrib
            deb [ arch=amd64 ] https://mirror.example.org/debian/ bookworm-updates main  # fixes
            """},
        "https://mirror.example.org/debian/", ["bookworm", "bookworm-updates"], KEYRING),
    "third-party and disabled entries around the Debian one": (
        {"sources.list": """\
            deb cdrom:[Debian GNU/Linux 12.5.0 _Bookworm_ - Official amd64 DVD Binary-1]/ bookworm contrib main
            deb-src http://sources.example.org/debian bookworm main
            deb [arch=amd64 signed-by=/etc/apt/keyrings/docker.asc] https://download.docker.com/linux/debian bookworm stable
            deb https://packages.sury.org/php/ bookworm main
            # deb http://old-mirror.example.org/debian bookworm main
            """,
         "sources.list.d/google-cloud-sdk.list": "deb https://packages.cloud.google.com/apt cloud-sdk-bookworm main\n",
         "sources.list.d/nodesource.sources": """\
            Types: deb
            URIs: https://deb.nodesource.com/node_20.x
            Suites: nodistro
            Components: main
            """,
         "sources.list.d/zz-debian.sources": """\
            Types: deb
            URIs: http://retired.example.org/debian
            Suites: bookworm
            Components: main
            Enabled: no

            Types: deb deb-src
            URIs: http://ftp.it.debian.org/debian
            Suites: bookworm
            Components: main contrib
            """},
        "http://ftp.it.debian.org/debian", ["bookworm"], None),
    "mirror list of a cloud image": (
        {"sources.list.d/debian.sources": """\
            Types: deb
            URIs: mirror+file:///etc/apt/mirrors/debian.list
            Suites: bookworm bookworm-updates bookworm-backports
            Components: main

            Types: deb
            URIs: mirror+file:///etc/apt/mirrors/debian-security.list
            Suites: bookworm-security
            Components: main
            """},
        "mirror+file:///etc/apt/mirrors/debian.list", ["bookworm", "bookworm-updates", "bookworm-backports"], None),
    "backports of one mirror listed before the release of another": (
        {"sources.list": """\
            deb http://deb.debian.org/debian bookworm-backports main
            deb http://ftp.fr.debian.org/debian bookworm main
            """},
        "http://ftp.fr.debian.org/debian", ["bookworm"], None),
    "lower-case field names and an inline key": (
        {"sources.list.d/debian.sources": "types: deb\nuris: http://deb.debian.org/debian\nsuites: bookworm\n"
                                          "components: main\nsigned-by:" + INLINE_KEY + "\n"},
        "http://deb.debian.org/debian", ["bookworm"], INLINE_KEY),
}

NO_DEBIAN_ENTRY = {
    "no files at all": {},
    "only third-party archives": {
        "sources.list": "deb https://packages.sury.org/php/ bookworm main\n"
                        "deb https://download.docker.com/linux/debian bookworm stable\n"},
    "only deb-src and commented entries": {
        "sources.list": "deb-src http://deb.debian.org/debian bookworm main\n"
                        "# deb http://deb.debian.org/debian bookworm main\n"},
    "only a disabled stanza": {
        "sources.list.d/debian.sources": "Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm\n"
                                         "Components: main\nEnabled: no\n"},
    "only backports and security": {
        "sources.list": "deb http://deb.debian.org/debian bookworm-backports main\n"
                        "deb http://security.debian.org/debian-security bookworm-security main\n"},
}


def derive(tmp_path: pathlib.Path, files: dict[str, str]) -> subprocess.CompletedProcess:
    apt = tmp_path / "apt"
    (apt / "sources.list.d").mkdir(parents=True)
    for name, text in files.items():
        (apt / name).write_text(textwrap.dedent(text))
    return subprocess.run(["bash", str(SCRIPT), str(apt)], capture_output=True, text=True, timeout=30)


def parse_stanza(text: str) -> dict[str, str]:
    fields, name = {}, None
    for line in text.splitlines():
        if line[:1] in (" ", "\t"):
            fields[name] += "\n" + line
        else:
            name, _, value = line.partition(":")
            fields[name] = value.strip()
    return fields


def indexes_apt_wants(tmp_path: pathlib.Path, stanza: str) -> list[str]:
    """The source indexes `apt-get update` would fetch for the twin alone, from a private
    configuration; nothing is downloaded."""
    parts = tmp_path / "twin"
    for sub in ("lists/partial", "cache/archives/partial", "parts"):
        (parts / sub).mkdir(parents=True)
    (parts / "parts" / "qrlister-src.sources").write_text(stanza)
    result = subprocess.run(
        ["apt-get", "-o", "Dir::Etc::SourceList=/dev/null", "-o", f"Dir::Etc::SourceParts={parts / 'parts'}",
         "-o", f"Dir::State::Lists={parts / 'lists'}", "-o", f"Dir::Cache={parts / 'cache'}",
         "-o", "Debug::NoLocking=1", "update", "--print-uris"],
        capture_output=True, text=True, timeout=60)
    assert result.returncode == 0, result.stderr
    return re.findall(r"^'([^']*/source/Sources[^']*)'", result.stdout, re.M)


@pytest.mark.parametrize("layout", LAYOUTS)
def test_twin_mirrors_the_debian_entry_and_apt_reads_it(tmp_path, layout):
    files, uri, suites, signed_by = LAYOUTS[layout]
    result = derive(tmp_path, files)
    assert result.returncode == 0, result.stderr
    fields = parse_stanza(result.stdout)
    assert fields.pop("Types") == "deb-src"
    assert fields.pop("URIs") == uri
    assert fields.pop("Suites").split() == suites
    assert fields.pop("Components") == "main"
    assert fields.pop("Signed-By", None) == signed_by
    assert fields == {}
    # apt writes file:/// as file:/ and adds a compression suffix.
    base = uri.rstrip("/").replace(":///", ":/")
    wanted = {re.sub(r"\.\w+$", "", u) for u in indexes_apt_wants(tmp_path, result.stdout)}
    assert wanted == {f"{base}/dists/{suite}/main/source/Sources" for suite in suites}


@pytest.mark.parametrize("layout", NO_DEBIAN_ENTRY)
def test_without_a_debian_entry_it_stops_with_one_line_naming_what_it_looked_for(tmp_path, layout):
    result = derive(tmp_path, NO_DEBIAN_ENTRY[layout])
    assert result.returncode == 1
    assert result.stdout == ""
    lines = result.stderr.splitlines()
    assert len(lines) == 1, lines
    for looked_for in ("'deb'", "/debian", "main", "sources.list", "sources.list.d/*.list", "*.sources"):
        assert looked_for in lines[0]


def test_a_missing_apt_folder_is_named(tmp_path):
    result = subprocess.run(["bash", str(SCRIPT), str(tmp_path / "nowhere")], capture_output=True, text=True)
    assert result.returncode == 1
    assert result.stderr.splitlines() == [f"debsrc: no apt configuration folder {tmp_path / 'nowhere'}"]

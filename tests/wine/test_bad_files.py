"""Files a user may point the viewer at that are not a tidy text: each has one defined outcome,
the symbol shown (`open ok`) or the refusal box and `open none`, and the host lives on.

All cases run in one host process (a crash in one shows as the missing lines of the rest); each
test then reads its own case's lines from the shared log.
"""
from __future__ import annotations

import pathlib
import random
from dataclasses import dataclass
from typing import Callable

import numpy as np
import pytest

import hostlib

REFUSAL = ("Error", "The file is too large or not handled")
CLIENT_PX = 1000  # below the largest symbol (1770): those are shown fitted
BOM = b"\xef\xbb\xbf"


def normalised(data: bytes) -> bytes:
    """What the encoder gets from a file's bytes: one mark dropped, ill-formed parts replaced
    (Python's decoder replaces maximal subparts too), cut at the first NUL."""
    if data.startswith(BOM):
        data = data[len(BOM):]
    return data.decode("utf-8", errors="replace").encode("utf-8").split(b"\0")[0]


def longest_encodable(pattern: str) -> bytes:
    """The longest prefix of a repeated mixed text that still encodes, found with the same
    library the plugin links."""
    text = (pattern * 400).encode("utf-8")
    low, high = 1, 2953 * 3
    assert hostlib.expected_modules(text[:low]) is not None and hostlib.expected_modules(text[:high]) is None
    while high - low > 1:
        middle = (low + high) // 2
        if hostlib.expected_modules(text[:middle]) is not None:
            low = middle
        else:
            high = middle
    return text[:low]


MIXED = longest_encodable("Zürich 8001, ABC-12; Grüße aus 東京. ")
RANDOM = random.Random(20240501)
RANDOM_WITH_NUL = bytes(RANDOM.randrange(256) for _ in range(1500))
RANDOM_WITHOUT_NUL = bytes(RANDOM.randrange(1, 256) for _ in range(500))


@dataclass
class Case:
    name: str
    make: Callable[[pathlib.Path], pathlib.Path]  # creates the file (or not) and returns its path
    shows: bytes | None  # the text the symbol must hold; None: refused


def content(file_name: str, data: bytes):
    def make(folder: pathlib.Path) -> pathlib.Path:
        path = folder / file_name
        path.write_bytes(data)
        return path
    return make


def missing(folder):
    return folder / "missing.qr"


def directory(folder):
    path = folder / "x.qr"
    path.mkdir()
    return path


def sparse_3_gib(folder):
    # Starts with a letter: read whole, it would show "A"; refused by its size, nothing shows.
    path = folder / "huge.qr"
    with open(path, "wb") as f:
        f.write(b"A")
        f.truncate(3 << 30)
    return path


def long_path(folder):
    deep = folder
    while len(hostlib.winpath(deep)) < 300:
        deep = deep / ("nested-directory-" + "d" * 40)
    deep.mkdir(parents=True)
    path = deep / "long.qr"
    path.write_bytes(b"far down")
    assert len(hostlib.winpath(path)) > 260
    return path


CASES = [
    Case("missing", missing, None),
    Case("folder", directory, None),
    Case("empty", content("empty.qr", b""), None),
    Case("bom_only", content("bom.qr", BOM), None),
    Case("one_byte", content("one.qr", b"x"), b"x"),
    Case("letters_at_capacity", content("letters.qr", b"q" * 2953), b"q" * 2953),
    Case("letters_over_capacity", content("letters1.qr", b"q" * 2954), None),
    Case("digits_at_capacity", content("digits.qr", b"7" * 7089), b"7" * 7089),
    Case("digits_over_capacity", content("digits1.qr", b"7" * 7090), None),
    Case("mixed_at_capacity", content("mixed.qr", MIXED), MIXED),
    Case("mixed_over_capacity", content("mixed1.qr", (MIXED.decode() + "Z").encode()), None),
    Case("sparse_3_gib", sparse_3_gib, None),
    Case("random_binary", content("random.qr", RANDOM_WITH_NUL), normalised(RANDOM_WITH_NUL)),
    Case("random_binary_no_nul", content("random2.qr", RANDOM_WITHOUT_NUL), normalised(RANDOM_WITHOUT_NUL)),
    Case("utf16_with_mark", content("utf16.qr", b"\xff\xfeA\x00B\x00"), b"\xef\xbf\xbd\xef\xbf\xbdA"),
    Case("non_ascii_path", content("Ünïcödé 日本.qr", "Grüße".encode()), "Grüße".encode()),
    Case("long_path", long_path, b"far down"),
]


@pytest.fixture(scope="module")
def run(tmp_path_factory):
    """Runs every case in one host; returns (log lines per case, folder)."""
    folder = tmp_path_factory.mktemp("bad_files")
    lines = []
    for case in CASES:
        path = case.make(folder)
        lines += [
            f"echo case {case.name}",
            f"open {case.name} {hostlib.qpath(path)} {CLIENT_PX} {CLIENT_PX}",
            f"image {case.name} {hostlib.qpath(folder / (case.name + '.bmp'))}",
            f"close {case.name}",
        ]
    # A file another program holds open without sharing.
    held = content("held.qr", b"held")(folder)
    lines += [
        "echo case held_open",
        f"lock {hostlib.qpath(held)}",
        f"open held_open {hostlib.qpath(held)} {CLIENT_PX} {CLIENT_PX}",
        f"unlock {hostlib.qpath(held)}",
        f"open held_open_released {hostlib.qpath(held)} {CLIENT_PX} {CLIENT_PX}",
        "echo alive",
    ]
    log = hostlib.run_host(lines, folder, timeout=240)
    sections, current = {}, None
    for line in log:
        if line.startswith("echo case "):
            current = sections.setdefault(line[len("echo case "):], [])
        elif current is not None:
            current.append(line)
    return log, sections, folder


def test_host_survives_every_bad_file(run):
    log, _, _ = run
    assert log[-1] == "echo alive", log[-5:]
    assert not log.starting("error"), log.starting("error")


@pytest.mark.parametrize("case", CASES, ids=[c.name for c in CASES])
def test_bad_file_has_its_defined_outcome(run, case):
    _, sections, folder = run
    section = sections.get(case.name)
    assert section is not None, f"the host never reached case {case.name}"
    boxes = [tuple(line[5:-1].split('" "', 1)) for line in section if line.startswith("box ")]
    if case.shows is None:
        assert boxes == [REFUSAL]
        assert f"open {case.name} none" in section
        return
    assert boxes == [], boxes
    assert f"open {case.name} ok" in section
    image = hostlib.read_bmp(folder / (case.name + ".bmp"))
    expected = hostlib.expected_symbol(case.shows)
    if expected.shape[0] <= CLIENT_PX:
        assert np.array_equal(image.gray(), expected)
    else:
        # Fitted to the client height by a halftone stretch: judged by size and by reading it.
        assert image.width == image.height and CLIENT_PX - 1 <= image.height <= CLIENT_PX
    assert hostlib.decode(image) == case.shows


def test_file_held_open_without_sharing_is_refused_until_released(run):
    _, sections, _ = run
    section = sections["held_open"]
    assert section[0] == "lock ok", section
    assert section[1:3] == [f'box "{REFUSAL[0]}" "{REFUSAL[1]}"', "open held_open none"]
    assert "open held_open_released ok" in section


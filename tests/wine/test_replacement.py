"""A save as the disk sees it, through the host's file trace: the new file's data flushed before
its name moves over the old file's (or, under a free name, before its handle is closed), a flush
that fails failing the save, and the old file back under its own name, alone, whenever the
replacement fails half-way."""
from __future__ import annotations

import re
from dataclasses import dataclass

import pytest

from hostlib import qpath, winpath

OLD = b"the user's old bytes"
FORMATS = ["bmp", "png"]  # written through a handle of ours / by the encoder, by name


@dataclass
class Call:
    name: str
    fields: list[str]
    result: str


def traced(log) -> list[Call]:
    """The `file ...` lines, in order; quoted paths as fields of their own."""
    found = []
    for line in log:
        m = re.fullmatch(r"file (\S+) (.*) = (ok|failed \d+)", line)
        if m:
            fields = [q if q else w for q, w in re.findall(r'"([^"]*)"|(\S+)', m.group(2))]
            found.append(Call(m.group(1), fields, m.group(3)))
    return found


def windows_form(path) -> str:
    """A path as logged or as a Unix path, in one comparable form."""
    text = path if isinstance(path, str) else winpath(path)
    return text.removeprefix("\\\\?\\").lower()


def same_file(logged: str, path) -> bool:
    return windows_form(logged) == windows_form(path)


def handles_on(calls, path) -> list[str]:
    """The handles CreateFileW gave on path, in the order it gave them."""
    return [c.fields[-1] for c in calls if c.name == "CreateFileW" and c.result == "ok" and same_file(c.fields[0], path)]


def index_of(calls, name, handle) -> list[int]:
    return [i for i, c in enumerate(calls) if c.name == name and c.fields[0] == handle]


def errors(log):
    """Texts of the "Error" boxes, the dialog's overwrite question (Wine's caption) left out."""
    return [text for caption, text in log.boxes() if caption == "Error" and "already exists" not in text]


@pytest.fixture
def folders(tmp_path):
    """(the content file, an empty folder the saves go to)."""
    (tmp_path / "small.qr").write_bytes(b"flushed before the name moves")
    out = tmp_path / "out"
    out.mkdir()
    return tmp_path / "small.qr", out


def saves(content, *steps):
    return [f"open v {qpath(content)} 400 300", "answer yes", "inject trace", *steps, "inject off"]


def save(path):
    return f"save v {qpath(path)}"


@pytest.mark.parametrize("fmt", FORMATS)
def test_a_save_over_a_file_flushes_the_new_one_before_it_takes_the_name(host, folders, fmt):
    content, out = folders
    target = out / f"old.{fmt}"
    target.write_bytes(OLD)
    log = host(saves(content, save(target)))
    calls = traced(log)
    replaces = [i for i, c in enumerate(calls) if c.name == "ReplaceFileW"]
    assert len(replaces) == 1 and calls[replaces[0]].result == "ok" and same_file(calls[replaces[0]].fields[0], target)
    # REPLACEFILE_IGNORE_MERGE_ERRORS: without it, a file whose permissions can't be merged (a
    # share that refuses permission changes) is not replaced at all on Windows.
    assert calls[replaces[0]].fields[3] == "0x2", calls[replaces[0]]
    at = replaces[0]
    replacement = calls[at].fields[1]
    mine = handles_on(calls[:at], replacement)
    flushes = [i for h in mine for i in index_of(calls[:at], "FlushFileBuffers", h) if calls[i].result == "ok"]
    writes = [i for h in mine for i in index_of(calls, "WriteFile", h)]
    assert flushes, "\n".join(log)
    assert max(writes, default=-1) < max(flushes)
    assert target.read_bytes() != OLD and ("File saved in:", winpath(target)) in log.boxes()


@pytest.mark.parametrize("fmt", FORMATS)
def test_a_save_under_a_free_name_flushes_before_the_handle_is_closed(host, folders, fmt):
    content, out = folders
    target = out / f"new.{fmt}"
    log = host(saves(content, save(target)))
    calls = traced(log)
    mine = handles_on(calls, target)
    assert mine and not [c for c in calls if c.name == "ReplaceFileW"], "\n".join(log)
    # The handle open last on the file: what the name is left with once the box says saved.
    last = mine[-1]
    closes = index_of(calls, "CloseHandle", last)
    flushes = [i for i in index_of(calls, "FlushFileBuffers", last) if calls[i].result == "ok"]
    writes = [i for h in mine for i in index_of(calls, "WriteFile", h)]
    assert flushes and closes and max(writes, default=-1) < flushes[-1] < closes[0], "\n".join(log)
    assert ("File saved in:", winpath(target)) in log.boxes()


@pytest.mark.parametrize("fmt", FORMATS)
def test_a_failed_flush_fails_the_save(host, folders, fmt):
    # Like a failed write: one error box, and nothing claimed as saved, neither a new file nor a
    # half-replaced old one.
    content, out = folders
    fresh, existing = out / f"new.{fmt}", out / f"old.{fmt}"
    existing.write_bytes(OLD)
    log = host(saves(content, "inject fail FlushFileBuffers 1", save(fresh),
                     "inject fail FlushFileBuffers 1", save(existing)))
    assert log.count("injected FlushFileBuffers 1") == 2, log
    failed = errors(log)
    assert len(failed) == 2 and all(text.startswith("The image could not be saved to") for text in failed), log
    assert not [b for b in log.boxes() if b[0] == "File saved in:"]
    assert existing.read_bytes() == OLD
    assert sorted(p.name for p in out.iterdir()) == [existing.name]


# How ReplaceFileW is documented to leave the files for each code, which the injector does first.
HALF_WAY = {
    "remove replaced": 1175,   # both files under their own names
    "move replacement": 1176,  # with a backup name: both under their own names
    "move replacement 2": 1177,  # the old file under the backup name, the new one under its own
}


@pytest.mark.parametrize("how", HALF_WAY)
def test_a_replacement_failed_half_way_puts_the_old_file_back(host, folders, how):
    content, out = folders
    targets = [out / f"old.{fmt}" for fmt in FORMATS]
    steps = []
    for target in targets:
        target.write_bytes(OLD + target.suffix.encode())
        steps += [f"inject fail ReplaceFileW 1 {HALF_WAY[how]}", save(target)]
    log = host(saves(content, *steps))
    assert log.count("injected ReplaceFileW 1") == len(targets), log
    assert sorted(p.name for p in out.iterdir()) == sorted(t.name for t in targets)  # no ~qrl….tmp
    for target in targets:
        assert target.read_bytes() == OLD + target.suffix.encode(), "\n".join(log)
    failed = errors(log)
    assert len(failed) == len(targets) and all(text.startswith("The image could not be saved to") for text in failed)
    assert not [b for b in log.boxes() if b[0] == "File saved in:"]

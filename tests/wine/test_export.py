"""Getting the image out under Wine: the host's commands, the clipboard, and Ctrl+S with the save
dialog, the three writers, the overwrite prompt and files another program holds open."""
import pathlib
import struct

import numpy as np
import pytest
from PIL import Image

from hostlib import decode, qpath, read_bmp, winpath

TEXT = b"export me"
# The dialog as the plugin asks for it: a file name of up to 32,767 units; the folder must exist;
# replacing a file is asked first; the host's current folder stays where it was (0x80A).
FILTERS = ('filters="JPEG|*.jpg|PNG|*.png|BitMap|*.bmp|Tutti i file|*.*" index=1 defext=bmp'
           ' maxfile=32768 flags=0x80A')
COPIED = ("QR Code Viewer", "QRCode copied")


@pytest.fixture
def content(tmp_path):
    path = tmp_path / "text.qr"
    path.write_bytes(TEXT)
    return path


def rgb(pixels):
    """H x W x 3 int array from a Bmp's pixels or a PIL image."""
    if isinstance(pixels, Image.Image):
        return np.asarray(pixels.convert("RGB"))[:, :, ::-1].astype(int)
    return pixels[:, :, :3].astype(int)


def png_header(path):
    """(width, height, bit depth, colour type) from a PNG file's IHDR chunk: the same pixels may be
    stored 1-bit or as 8-bit RGB at twenty times the size, and only the header tells."""
    data = pathlib.Path(path).read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR", path
    return struct.unpack_from(">IIBB", data, 16)


PALETTE = 3  # PNG colour type


def saved_boxes(log):
    return [text for caption, text in log.boxes() if caption == "File saved in:"]


def is_overwrite_prompt(text):
    # The dialog's own question; Wine shows it under the default caption "Error".
    return "already exists" in text


def errors(log):
    return [text for caption, text in log.boxes() if caption == "Error" and not is_overwrite_prompt(text)]


# ---------------------------------------------------------------------------------------------
# Host commands and the clipboard

@pytest.mark.check
def test_commands_answer_and_only_copy_touches_the_clipboard(host, content, tmp_path):
    log = host([
        f"open v {qpath(content)} 400 300",
        "command v 2", "command v 4", "command v 3", "command v 0",
        "clipboard " + qpath(tmp_path / "before.bmp"),
        "command host 1", "command host 3", "command null 1", "command bogus 3",
        "clipboard " + qpath(tmp_path / "after-refused.bmp"),
        "command v 1",
    ])
    assert log.starting("command ") == [
        "command v 2 1", "command v 4 1", "command v 3 0", "command v 0 1",
        "command host 1 1", "command host 3 1", "command null 1 1", "command bogus 3 1",
        "command v 1 0",
    ]
    # Whatever an earlier run left there, refused commands don't change it.
    before, after = log.starting("clipboard")
    assert before == after
    if before != "clipboard none":
        assert (tmp_path / "before.bmp").read_bytes() == (tmp_path / "after-refused.bmp").read_bytes()
    # Only the copy speaks, and only after the clipboard holds the image.
    assert log.boxes() == [COPIED]
    assert log.index('box "QR Code Viewer" "QRCode copied"') < log.index("command v 1 0")


@pytest.mark.check
def test_clipboard_keeps_its_own_copy_after_close_and_unload(host, content, tmp_path, arch):
    log = host([
        f"open v {qpath(content)} 400 300",
        "image v " + qpath(tmp_path / "shown.bmp"),
        "clipdata",
        "command v 1",
        "clipowner v",
        "clipdata",
        "clipboard " + qpath(tmp_path / "open.bmp"),
        "close v",
        "clipdata",
        "clipboard " + qpath(tmp_path / "closed.bmp"),
        "unload",
        "clipdata",
        "clipboard " + qpath(tmp_path / "unloaded.bmp"),
    ])
    assert log.starting("clipboard") == ["clipboard 210 210"] * 3
    # The very handle placed stays a live bitmap: Windows keeps it (Wine keeps a copy, so only
    # the handle shows a plugin that deleted what it handed over).
    assert log.starting("clipdata") == ["clipdata none"] + ["clipdata bitmap 210 210"] * 3
    # Opened by the viewer: with no owner, EmptyClipboard leaves the clipboard ownerless and
    # Windows refuses SetClipboardData (Wine accepts it, so only the owner shows the fault).
    assert log.starting("clipowner") == ["clipowner v plugin"]
    shown = read_bmp(tmp_path / "shown.bmp")
    assert (shown.width, shown.height) == (210, 210)
    for name in ("open", "closed", "unloaded"):
        copy = read_bmp(tmp_path / f"{name}.bmp")
        assert np.array_equal(rgb(copy.pixels), rgb(shown.pixels)), name
    assert decode(read_bmp(tmp_path / "unloaded.bmp")) == TEXT


def test_copy_while_another_program_holds_the_clipboard_fails_honestly(host, content, tmp_path):
    other = tmp_path / "other.qr"
    other.write_bytes(b"already on the clipboard")
    log = host([
        f"open first {qpath(other)} 400 300", "command first 1",
        f"open v {qpath(content)} 400 300",
        "cliphold",
        "command v 1",
        "cliprelease",
        "clipboard " + qpath(tmp_path / "after.bmp"),
        "command v 1",  # and once the clipboard is free again, the copy works
        "clipboard " + qpath(tmp_path / "free.bmp"),
    ])
    assert log.starting("cliphold") == ["cliphold ok"]
    failed = log.index("cliphold ok")
    assert log[failed + 1:failed + 4] == [
        'box "Error" "The QR Code could not be copied to the clipboard."', "command v 1 1", "cliprelease"]
    assert log.boxes() == [COPIED, ("Error", "The QR Code could not be copied to the clipboard."), COPIED]
    assert decode(read_bmp(tmp_path / "after.bmp")) == b"already on the clipboard"
    assert log.starting("command v 1 ") == ["command v 1 1", "command v 1 0"]
    assert decode(read_bmp(tmp_path / "free.bmp")) == TEXT


# ---------------------------------------------------------------------------------------------
# Ctrl+S: dialog, dispatch by extension, the writers

@pytest.mark.check
def test_save_writes_each_format_by_its_extension(host, content, tmp_path, arch):
    out = tmp_path / "out.d"  # a dotted folder: only the file name's extension may count
    out.mkdir()
    names = ["a.png", "b.JPG", "c.jpeg", "d.bmp", "e.gif", "f.Png"]
    lines = [f"open v {qpath(content)} 400 300", "image v " + qpath(tmp_path / "shown.bmp")]
    lines += [f"save v {qpath(out / name)}" for name in names]
    log = host(lines)

    assert log.starting("dialog ") == ["dialog " + FILTERS] * len(names)
    saved = [winpath(out / n) for n in names if not n.endswith(".gif")]
    assert saved_boxes(log) == saved
    assert [b for b in log.boxes() if b[0] == "Format not supported"] == [
        ("Format not supported", winpath(out / "e.gif"))]
    assert not (out / "e.gif").exists()
    assert log.stdout.count("Formato file non supportato.") == 1
    assert errors(log) == []

    shown = read_bmp(tmp_path / "shown.bmp")
    for png in ("a.png", "f.Png"):
        image = Image.open(out / png)
        assert image.format == "PNG"
        assert np.array_equal(rgb(image), rgb(shown.pixels)), png
        assert png_header(out / png) == (210, 210, 1, PALETTE), png
    for jpeg in ("b.JPG", "c.jpeg"):
        image = Image.open(out / jpeg)
        assert image.format == "JPEG" and image.size == (210, 210)
        assert decode(image) == TEXT
    assert_bmp_file(out / "d.bmp", shown)


def assert_bmp_file(path, shown):
    """The file is the 32-bit bottom-up bitmap of shown, headers field by field."""
    data = path.read_bytes()
    w, h = shown.width, shown.height
    row = w * 4
    assert len(data) == 54 + row * h
    fields = struct.unpack_from("<2sIHHIIiiHHIIiiII", data, 0)
    assert fields == (b"BM", 54 + row * h, 0, 0, 54, 40, w, h, 1, 32, 0, row * h, 0, 0, 0, 0)
    pixels = np.frombuffer(data, np.uint8, offset=54).reshape(h, w, 4)[::-1]
    assert (pixels[:, :, 3] == 0).all()
    assert np.array_equal(pixels[:, :, :3].astype(int), rgb(shown.pixels))
    light = bytes(pixels[pixels[:, :, 0] == 255][0])
    assert light == b"\xff\xff\xff\x00"


@pytest.mark.check
def test_copy_and_save_deliver_the_fitted_image(host, content, tmp_path, arch):
    log = host([
        f"open v {qpath(content)} 400 150",
        "image v " + qpath(tmp_path / "shown.bmp"),
        "command v 1",
        "clipboard " + qpath(tmp_path / "clip.bmp"),
        f"save v {qpath(tmp_path / 'fit.bmp')}",
        f"save v {qpath(tmp_path / 'fit.png')}",
    ])
    assert log.starting("image v") == ["image v 150 150 32"]
    assert log.starting("clipboard") == ["clipboard 150 150"]
    assert len(saved_boxes(log)) == 2
    shown = read_bmp(tmp_path / "shown.bmp")
    assert len(np.unique(rgb(shown.pixels))) > 2, "a fit blends module edges into grey"
    assert np.array_equal(rgb(read_bmp(tmp_path / "clip.bmp").pixels), rgb(shown.pixels))
    assert_bmp_file(tmp_path / "fit.bmp", shown)
    assert np.array_equal(rgb(Image.open(tmp_path / "fit.png")), rgb(shown.pixels))
    # A fit's greys need 8 bits, still through a palette.
    assert png_header(tmp_path / "fit.png") == (150, 150, 8, PALETTE)


def test_cancelled_dialog_does_nothing(host, content, tmp_path):
    log = host([
        f"open v {qpath(content)} 400 300",
        "dialog cancel",
        "key v ctrl+s",
        "command v 3",
    ])
    assert log.starting("dialog ") == ["dialog " + FILTERS]
    assert log.boxes() == []
    assert sorted(p.name for p in tmp_path.iterdir() if not p.name.startswith("host-")) == ["text.qr"]


def test_a_failed_dialog_says_so_and_the_host_keeps_its_folder(host, content, tmp_path):
    # A dialog that can't run answers as a cancelled one does; only the extended error tells
    # them apart. And saving into a folder must not leave the host's current folder there.
    out = tmp_path / "saved here"
    out.mkdir()
    log = host([
        f"open v {qpath(content)} 400 300",
        "cwd",
        "dialog fail 0x3003",
        "key v ctrl+s",
        f"save v {qpath(out / 'a.png')}",
        "cwd",
    ])
    assert log.starting("dialog failed") == ["dialog failed 0x3003"]
    assert log.boxes() == [
        ("Error", "The save dialog could not be used: the file name is too long (error 0x3003)."),
        ("File saved in:", winpath(out / "a.png")),
    ]
    before, after = log.starting("cwd ")
    assert before == after and "saved here" not in after


# ---------------------------------------------------------------------------------------------
# Replacing files

def test_overwrite_is_asked_first(host, content, tmp_path):
    target = tmp_path / "old.png"
    target.write_bytes(b"keep me")
    log = host([
        f"open v {qpath(content)} 400 300",
        "answer no",
        f"save v {qpath(target)}",
        "answer yes",
        f"save v {qpath(target)}",
    ])
    assert len([text for _, text in log.boxes() if is_overwrite_prompt(text)]) == 2
    assert errors(log) == []
    # Refused: the first save never happened; accepted: the second one replaced the file.
    assert saved_boxes(log) == [winpath(target)]
    assert Image.open(target).size == (210, 210)


def test_a_full_disk_leaves_the_file_it_was_to_replace(host, tmp_path):
    # The old files, pictures of a small fit, lie below the limit; the largest symbol's BMP
    # (12.5 MB) and 1-bit PNG (5.6 KB) cross it, the host's log (about 1 KB) never does.
    limit_kb = 4
    small, largest = tmp_path / "small.qr", tmp_path / "largest.qr"
    small.write_bytes(TEXT)
    largest.write_bytes(b"a" * 2953)  # version 40, 1770 x 1770 pixels
    out = tmp_path / "out"
    out.mkdir()
    targets = [out / "old.bmp", out / "old.png"]
    host([f"open v {qpath(small)} 400 30"] + [f"save v {qpath(t)}" for t in targets])
    old = {t: t.read_bytes() for t in targets}
    assert all(0 < len(data) < limit_kb * 1024 for data in old.values())

    log = host([f"open v {qpath(largest)} 1770 1770", "answer yes"] + [f"save v {qpath(t)}" for t in targets],
               file_limit_kb=limit_kb)
    assert log.starting("open ") == ["open v ok"]
    assert saved_boxes(log) == []
    assert errors(log) == [f"The image could not be saved to\\n{winpath(t)}" for t in targets]
    for target in targets:
        assert target.read_bytes() == old[target], target.name
    assert sorted(p.name for p in out.iterdir()) == ["old.bmp", "old.png"]


def test_a_file_held_open_is_an_error_and_stays(host, content, tmp_path):
    targets = [tmp_path / name for name in ("held.bmp", "held.png", "held.jpg")]
    lines = [f"open v {qpath(content)} 400 300", "answer yes"]
    for target in targets:
        target.write_bytes(b"held by another program")
        lines += [f"lock {qpath(target)}", f"save v {qpath(target)}", f"unlock {qpath(target)}"]
    log = host(lines)
    assert log.starting("lock ") == ["lock ok"] * 3
    assert saved_boxes(log) == []
    failures = errors(log)
    assert len(failures) == 3
    for target, text in zip(targets, failures):
        assert winpath(target) in text
        assert target.read_bytes() == b"held by another program"
    assert [p.name for p in tmp_path.iterdir() if p.suffix.lower() == ".tmp"] == []

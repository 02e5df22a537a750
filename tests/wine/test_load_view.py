"""Loading and viewing under Wine: the detect string, which files the host opens, the symbols
the viewer shows (pixel for pixel against the native encoder, and read back by ZXing), the
refusals, and fitting and centring as the lister window changes size."""
import re

import numpy as np
import pytest

from hostlib import decode, expected_modules, expected_symbol, qpath, read_bmp

NOT_HANDLED = ("Error", "The file is too large or not handled")
DETECT = "EXT=\"QR\"|EXT=\"QRCODE\""
ONE_MODULE_TEXT = b"A"  # version 1: 21 modules, 210 px
BIG_CLIENT = 1800       # taller than the largest symbol (1770 px): nothing is fitted


def write(tmp_path, name, data):
    path = tmp_path / name
    path.write_bytes(data)
    return path


def fit_px(full_px, client_height_px):
    """The fitted side of a square image: single-precision s = Hv / W, truncated."""
    scale = np.float32(client_height_px) / np.float32(full_px)
    return int(np.float32(full_px) * scale)


def layouts(log):
    """{ID: (client, child)} from the layout lines, in order of appearance per ID."""
    found = {}
    for line in log.starting("layout "):
        m = re.fullmatch(r"layout (\S+) client=(\d+),(\d+) child=(-?\d+),(-?\d+),(\d+),(\d+)", line)
        assert m, line
        numbers = tuple(int(g) for g in m.groups()[1:])
        found.setdefault(m.group(1), []).append((numbers[:2], numbers[2:]))
    return found


def gray_of(path):
    bmp = read_bmp(path)
    assert bmp.bpp == 32
    assert not bmp.pixels[:, :, 3].any(), "the fourth byte of every pixel is 0"
    return bmp.gray()


# ---------------------------------------------------------------------------------------------
# Detect string and file selection

def test_detect_string_is_truncated_safely(host):
    sizes = [64, 22, 21, 5, 2, 1, 0, -1, -100]
    log = host([f"detect {n}" for n in sizes])
    expected = []
    for n in sizes:
        if n >= 1:
            expected.append(f'detect "{DETECT[:n - 1]}" guard=ok')
        else:
            expected.append("detect none guard=ok")  # nothing written, nothing overrun
    assert log.starting("detect ") == expected


def test_host_opens_only_qr_and_qrcode_files(host, tmp_path):
    names = {"a.qr": "ok", "b.QR": "ok", "c.QrCode": "ok", "d.qrcode": "ok",
             "e.txt": "skipped", "f.qrc": "skipped", "g.qr.txt": "skipped", "h": "skipped"}
    lines = []
    for i, name in enumerate(names):
        lines.append(f"open v{i} {qpath(write(tmp_path, name, b'hello'))} 400 300")
    log = host(lines)
    assert log.starting("open ") == [f"open v{i} {result}" for i, result in enumerate(names.values())]
    assert log.boxes() == []


# ---------------------------------------------------------------------------------------------
# The symbols shown

SYMBOL_CASES = [
    # (name, file bytes, the text the symbol must hold)
    ("ascii", b"Hello, world! 123", b"Hello, world! 123"),
    ("crlf", b"line one\r\nline two\r\n", b"line one\r\nline two\r\n"),
    ("german", "Äpfel".encode(), "Äpfel".encode()),
    ("cyrillic", "Привет, мир".encode(), "Привет, мир".encode()),
    ("japanese", "こんにちは世界".encode(), "こんにちは世界".encode()),
    ("euro", "€".encode(), "€".encode()),
    ("bom", b"\xef\xbb\xbfwith a mark", b"with a mark"),
    ("two-marks", b"\xef\xbb\xbf\xef\xbb\xbfA", b"\xef\xbb\xbfA"),
    ("latin1", b"caf\xe9 au lait", b"caf\xef\xbf\xbd au lait"),
    ("utf16", b"\xff\xfeA\x00B\x00", b"\xef\xbf\xbd\xef\xbf\xbdA"),
    ("nul-byte", b"AB\x00CD", b"AB"),  # not "nul": a device name
]


@pytest.mark.check
def test_symbols_match_the_encoder_and_read_back(host, tmp_path, arch):
    # A 32-bit file manager may call ListLoad, with the path in the ANSI code page; the names
    # hold characters of that code page beyond ASCII.
    entries = ["wide", "ansi"] if arch == "x86" else ["wide"]
    lines = []
    for entry in entries:
        lines.append(f"loadentry {entry}")
        for name, data, _ in SYMBOL_CASES:
            lines += [f"open {name} {qpath(write(tmp_path, name + ' Grüße.qr', data))} 600 600",
                      f"image {name} {qpath(tmp_path / f'{name}-{entry}.bmp')}",
                      f"close {name}"]
    log = host(lines)
    assert log.boxes() == []
    assert log.starting("open ") == [f"open {name} ok" for name, _, _ in SYMBOL_CASES] * len(entries)
    for entry in entries:
        for name, _, text in SYMBOL_CASES:
            shown = gray_of(tmp_path / f"{name}-{entry}.bmp")
            expected = expected_symbol(text)
            assert shown.shape == expected.shape, (entry, name)
            assert np.array_equal(shown, expected), (entry, name)
            assert decode(shown) == text, (entry, name)


def test_capacity_edges(host, tmp_path):
    cases = [("letters", b"a" * 2953, True), ("letters-over", b"a" * 2954, False),
             ("digits", b"7" * 7089, True), ("digits-over", b"7" * 7090, False)]
    lines = []
    for name, data, _ in cases:
        lines += [f"open {name} {qpath(write(tmp_path, name + '.qr', data))} {BIG_CLIENT} {BIG_CLIENT}",
                  f"image {name} {qpath(tmp_path / (name + '.bmp'))}"]
    log = host(lines)
    assert log.starting("open ") == [f"open {n} {'ok' if fits else 'none'}" for n, _, fits in cases]
    assert log.boxes() == [NOT_HANDLED, NOT_HANDLED]
    assert log.starting("image ") == ["image letters 1770 1770 32", "image letters-over none",
                                      "image digits 1770 1770 32", "image digits-over none"]
    for name, data, fits in cases:
        if fits:
            assert np.array_equal(gray_of(tmp_path / (name + ".bmp")), expected_symbol(data)), name
    assert decode(gray_of(tmp_path / "letters.bmp")) == b"a" * 2953


@pytest.mark.check
def test_files_without_a_symbol_are_refused_with_a_box(host, tmp_path):
    (tmp_path / "folder.qr").mkdir()
    cases = {
        "empty": write(tmp_path, "empty.qr", b""),
        "mark-only": write(tmp_path, "mark.qr", b"\xef\xbb\xbf"),
        "missing": tmp_path / "missing.qr",
        "over": write(tmp_path, "over.qr", b"x" * 3000),
        "huge": write(tmp_path, "huge.qr", b"A" * (1024 * 1024 + 1)),
        "nul-first": write(tmp_path, "starts-with-nul.qr", b"\x00abc"),
        "folder": tmp_path / "folder.qr",
    }
    lines = []
    for name, path in cases.items():
        lines += [f"open {name} {qpath(path)} 400 300", f"layout {name}"]
    log = host(lines)
    expected = []
    for name in cases:
        expected += ['box "Error" "The file is too large or not handled"', f"open {name} none",
                     f"layout {name} none"]
    assert list(log) == expected


# ---------------------------------------------------------------------------------------------
# Fitting and centring

def test_viewer_clips_its_image_control(host, tmp_path):
    # The viewer paints white around the symbol; without WS_CLIPCHILDREN every resize would paint
    # that white over the symbol before the symbol is drawn again (flicker).
    path = write(tmp_path, "a.qr", ONE_MODULE_TEXT)
    log = host([f"open a {qpath(path)} 400 300", "windows a"])
    assert log.starting("windows ") == [
        'windows a QRcodeWindowClass "QR Code Viewer" 0x52000000 child=Static 0x5000000E']


@pytest.mark.check
def test_fit_to_height_and_centring(host, tmp_path, arch):
    small = write(tmp_path, "small.qr", ONE_MODULE_TEXT)
    text29 = b"a" * 40
    assert expected_modules(text29).shape == (29, 29)
    text33 = b"a" * 60
    assert expected_modules(text33).shape == (33, 33)
    log = host([
        f"open a {qpath(small)} 400 300", "layout a",
        f"shot a {qpath(tmp_path / 'shot.bmp')}",
        "resize a 400 150", "layout a", f"image a {qpath(tmp_path / 'a150.bmp')}",
        "resize a 400 0", "layout a",             # nothing to fit into: keeps what it shows
        "resize a 400 300", "layout a", f"image a {qpath(tmp_path / 'a300.bmp')}",
        f"open b {qpath(write(tmp_path, 'b.qr', text29))} 400 73", "layout b",
        f"open c {qpath(small)} 400 100 5", "layout c",  # fitted at open; show flags ignored
        f"open d {qpath(write(tmp_path, 'd.qr', text33))} 400 300", "layout d",
        "resize d 400 1", "layout d",
        "resize a 100 300", "layout a",           # narrower only: clipped equally, not fitted
    ])
    a, b, c, d = (layouts(log)[k] for k in "abcd")
    assert a[0] == ((400, 300), (95, 45, 210, 210))
    assert a[1] == ((400, 150), (125, 0, 150, 150))
    assert a[2] == ((400, 0), (125, -75, 150, 150))
    assert a[3] == ((400, 300), (95, 45, 210, 210))  # grown back: full size again
    assert a[4] == ((100, 300), (-55, 45, 210, 210))
    assert b == [((400, 73), (164, 0, 72, 72))]
    assert fit_px(290, 73) == 72
    side = fit_px(210, 100)
    assert c == [((400, 100), ((400 - side) // 2, (100 - side) // 2, side, side))]
    at_open = fit_px(330, 300)
    assert d[0] == ((400, 300), ((400 - at_open) // 2, (300 - at_open) // 2, at_open, at_open))
    one = fit_px(330, 1)
    kept = at_open if one == 0 else one
    assert d[1] == ((400, 1), ((400 - kept) // 2, int((1 - kept) / 2), kept, kept))

    fitted = gray_of(tmp_path / "a150.bmp")
    assert fitted.shape == (150, 150)
    assert decode(fitted) == ONE_MODULE_TEXT
    assert np.array_equal(gray_of(tmp_path / "a300.bmp"), expected_symbol(ONE_MODULE_TEXT))

    # What the user sees: the symbol at the centre on white.
    screen = read_bmp(tmp_path / "shot.bmp").gray()
    assert screen.shape == (300, 400)
    assert np.array_equal(screen[45:255, 95:305], expected_symbol(ONE_MODULE_TEXT))
    around = screen.copy()
    around[45:255, 95:305] = 255
    assert (around == 255).all()


def test_many_resizes_end_with_the_right_image(host, tmp_path, arch):
    text = b"https://example.org/resize"
    full = expected_symbol(text).shape[0]
    heights = [300, 120, 250, 90, 400, 37, 0, 512, 200, 61, 299, 150] * 3
    lines = [f"open r {qpath(write(tmp_path, 'r.qr', text))} 500 300"]
    lines += [f"resize r 500 {h}" for h in heights]
    lines += ["layout r", f"image r {qpath(tmp_path / 'r.bmp')}"]
    log = host(lines)
    side = min(full, fit_px(full, heights[-1]))
    assert layouts(log)["r"] == [((500, 150), ((500 - side) // 2, (150 - side) // 2, side, side))]
    shown = gray_of(tmp_path / "r.bmp")
    assert shown.shape == (side, side)
    assert decode(shown) == text


def test_every_fit_starts_from_the_full_rendering(host, tmp_path):
    # Shrunk step by step, the viewer must show what a viewer fitted straight to the last height
    # shows: a fit of a fit blurs the module edges further at every step.
    text = b"a" * 60
    assert expected_modules(text).shape == (33, 33)  # 330 px: fitted at every height below
    path = qpath(write(tmp_path, "steps.qr", text))
    log = host([
        f"open steps {path} 400 300", "resize steps 400 200", "resize steps 400 90",
        f"image steps {qpath(tmp_path / 'steps.bmp')}",
        f"open straight {path} 400 90",
        f"image straight {qpath(tmp_path / 'straight.bmp')}",
    ])
    assert log.starting("image ") == ["image steps 90 90 32", "image straight 90 90 32"]
    stepped, straight = gray_of(tmp_path / "steps.bmp"), gray_of(tmp_path / "straight.bmp")
    assert np.array_equal(stepped, straight), f"{np.count_nonzero(stepped != straight)} pixels differ"


def test_viewers_own_their_images(host, tmp_path):
    first, second = b"first viewer", b"second viewer"
    log = host([
        f"open a {qpath(write(tmp_path, 'a.qr', first))} 400 300",
        f"open b {qpath(write(tmp_path, 'b.qr', second))} 400 150",
        f"open c {qpath(write(tmp_path, 'c.qr', b''))} 400 300",  # a failed load in between
        "close b",
        f"image a {qpath(tmp_path / 'a-after-b.bmp')}",
        "resize a 400 200", "resize a 400 300",
        f"image a {qpath(tmp_path / 'a-resized.bmp')}",
        f"open d {qpath(write(tmp_path, 'd.qr', second))} 400 150",
        "closeplugin a",
        f"image d {qpath(tmp_path / 'd-after-a.bmp')}",
    ])
    assert log.boxes() == [NOT_HANDLED]
    assert np.array_equal(gray_of(tmp_path / "a-after-b.bmp"), expected_symbol(first))
    assert np.array_equal(gray_of(tmp_path / "a-resized.bmp"), expected_symbol(first))
    fitted = gray_of(tmp_path / "d-after-a.bmp")
    assert fitted.shape == (150, 150)
    assert decode(fitted) == second

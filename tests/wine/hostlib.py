"""Helpers shared by the Wine tests: run the test host, read what it wrote, and build the
expected pictures natively.

Stable API (other test files import these names):

    REPO, BUILD, HOST_EXE, PLUGIN      paths (pathlib.Path) of the repo, build/win64, the host and
                                       the plugin (QRL_PLUGIN in the environment overrides PLUGIN)
    ARCHES                             "x64" and "x86": Arch (.host_exe, .plugin, .wine(),
                                       .missing()), the 64-bit and the 32-bit build
    winpath(path) -> str               Windows form of a Unix path (Z:\\...), for Wine
    qpath(path) -> str                 the same, double-quoted and escaped for a host script line
    run_host(lines, tmp_path, *, arch="x64", plugin=None, timeout=90, check=True, file_limit_kb=None,
             stall=None)               -> HostLog: runs that build's tools/testhost on a script,
                                       returns its log lines; file_limit_kb: no file of the host grows past that
                                       size (a full disk: writes beyond it fail); stall: seconds
                                       without a new log line that count as a hang
    HostLog                            list of log lines (str) plus .returncode, .stdout (text),
                                       .stdout_bytes, .boxes() and .starting(prefix)
    read_bmp(path) -> Bmp              32/24-bit BMP, top-down or bottom-up; .width .height .bpp
                                       .top_down .pixels (H x W x channels, BGR[X], top row first)
                                       .gray() -> H x W uint8
    expected_symbol(text_bytes) -> ndarray | None
                                       the native libqrencode rendering (H x W uint8, 0 dark /
                                       255 light, 10 px per module, no margin), None if the text
                                       can't be encoded
    decode(image) -> bytes | None      ZXing's reading of a QR symbol in a Bmp, PIL image or
                                       2-D/3-D array (a white quiet zone is added first)
    probe_readings(log) -> list[tuple[int, int]]
                                       (GDI, USER) of every `gdi` line, in order; fails the test
                                       when the probe could not measure (-1)

Wine itself is provided by scripts/wine.sh (QRL_WINE_READY=1 in the environment); outside it,
run_host wraps each call in scripts/wine.sh, which works but is slower.
"""
from __future__ import annotations

import ctypes
import dataclasses
import itertools
import os
import pathlib
import re
import subprocess
import struct
import time

import numpy as np

REPO = pathlib.Path(__file__).resolve().parents[2]
BUILD = REPO / "build" / "win64"
HOST_EXE = BUILD / "testhost.exe"
PLUGIN = pathlib.Path(os.environ.get("QRL_PLUGIN") or BUILD / "qrlister.wlx64")  # QRL_PLUGIN: another build

MODULE_PX = 10


@dataclasses.dataclass(frozen=True)
class Arch:
    """One of the two builds that ship, and the Wine loader that runs its programs."""
    name: str
    build: pathlib.Path
    plugin_name: str
    loader_variable: str  # set by scripts/wine.sh where this loader runs

    @property
    def host_exe(self) -> pathlib.Path:
        return HOST_EXE if self.name == "x64" else self.build / "testhost.exe"

    @property
    def plugin(self) -> pathlib.Path:
        return PLUGIN if self.name == "x64" else self.build / self.plugin_name

    def wine(self) -> str:
        return os.environ.get(self.loader_variable) or "/usr/lib/wine/wine64"  # never /usr/bin/wine

    def missing(self) -> str:
        """Why this build's programs can't run here; empty when they can."""
        if self.name == "x86" and not os.environ.get("QRL_WINE32"):
            return os.environ.get("QRL_WINE32_MISSING", "no 32-bit Wine (run inside scripts/wine.sh)")
        built = [p for p in (self.host_exe, self.plugin) if not p.exists()]
        return f"not built (bash scripts/build.sh win{self.name[1:]}): " + ", ".join(map(str, built)) if built else ""


ARCHES = {"x64": Arch("x64", BUILD, "qrlister.wlx64", "QRL_WINE"),
          "x86": Arch("x86", REPO / "build" / "win32", "qrlister.wlx", "QRL_WINE32")}


# ---------------------------------------------------------------------------------------------
# Paths and scripts

def winpath(path) -> str:
    """Windows form of an absolute Unix path through Wine's Z: drive (no winepath call)."""
    return "Z:" + str(pathlib.Path(path).absolute()).replace("/", "\\")


def qpath(path) -> str:
    """winpath(path) quoted for a host script line."""
    return '"' + winpath(path).replace("\\", "\\\\").replace('"', '\\"') + '"'


# ---------------------------------------------------------------------------------------------
# Running the host

class HostError(RuntimeError):
    """The host exited non-zero (check=True) or ran past its timeout; .log holds what it logged."""

    def __init__(self, message, log=None):
        super().__init__(message)
        self.log = log if log is not None else HostLog()


class HostLog(list):
    """The host's log lines, without line ends, plus how the run ended."""

    returncode: int = 0
    stdout_bytes: bytes = b""

    @property
    def stdout(self) -> str:
        return self.stdout_bytes.decode("utf-8", errors="replace")

    def starting(self, prefix: str) -> list[str]:
        """The lines that start with prefix."""
        return [line for line in self if line.startswith(prefix)]

    def boxes(self) -> list[tuple[str, str]]:
        """(caption, text) of every message box logged, in order."""
        found = []
        for line in self:
            m = re.fullmatch(r'box "(.*)" "(.*)"', line, re.S)
            if m:
                found.append((m.group(1), m.group(2)))
        return found


_run_numbers = itertools.count(1)


def run_host(lines, tmp_path, *, arch="x64", plugin=None, timeout=90, check=True, file_limit_kb=None,
             stall=None) -> HostLog:
    """Writes lines (str each, no line ends) as a host script into tmp_path, runs
    `testhost.exe PLUGIN --script S --log L` of that arch's build under Wine (plugin: another
    plugin file than the build's) and returns the log.

    Output goes to files, not pipes (a piped Wine process waits for the wineserver to exit).
    With check=True a non-zero exit raises HostError; a timeout always does, and so does a log
    that gained no line for `stall` seconds (when given): the host is killed either way.

    file_limit_kb makes the disk full for the host alone: its process may grow no file past that
    many KiB (`ulimit -f`, with SIGXFSZ ignored so that the write fails instead of killing it).
    The limit holds for every file the process writes, its own log and output too: keep those
    below it. The wineserver, already running, is not affected.
    """
    tmp_path = pathlib.Path(tmp_path)
    n = next(_run_numbers)
    script = tmp_path / f"host-{n}.script"
    log = tmp_path / f"host-{n}.log"
    out = tmp_path / f"host-{n}.out"
    script.write_text("".join(line + "\n" for line in lines), encoding="utf-8")
    build = ARCHES[arch]
    command = [build.wine(), str(build.host_exe), winpath(plugin or build.plugin), "--script", winpath(script),
               "--log", winpath(log)]
    if file_limit_kb is not None:
        command = ["bash", "-c", 'ulimit -f "$0" && trap "" XFSZ && exec "$@"', str(int(file_limit_kb))] + command
    if os.environ.get("QRL_WINE_READY") != "1":
        command = ["bash", str(REPO / "scripts" / "wine.sh")] + command
    with open(out, "wb") as stdout:
        proc = subprocess.Popen(command, stdout=stdout, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        try:
            returncode = _wait(proc, log, timeout, stall)
        except subprocess.TimeoutExpired as hung:
            proc.kill()
            proc.wait()
            raise HostError(f"host {hung.output}; log so far:\n{_read(log)}", HostLog(_read(log).splitlines()))
    result = HostLog(_read(log).splitlines())
    result.returncode = returncode
    result.stdout_bytes = out.read_bytes()
    if check and returncode != 0:
        # An empty log says nothing by itself: say whether the host ever made it.
        made = f"{log.stat().st_size} bytes" if log.exists() else "never made"
        raise HostError(f"host exited {returncode}; log ({made}):\n{_read(log)}\noutput:\n{result.stdout}")
    return result


def _wait(proc, log, timeout, stall) -> int:
    """proc's exit status; TimeoutExpired (output: what ran out) past timeout or a stalled log."""
    if stall is None:
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired as expired:
            expired.output = f"timed out after {timeout} s"
            raise
    started = last_change = time.monotonic()
    last_size = -1
    while True:
        try:
            return proc.wait(timeout=0.2)
        except subprocess.TimeoutExpired as expired:
            now = time.monotonic()
            size = log.stat().st_size if log.exists() else 0
            if size != last_size:
                last_size, last_change = size, now
            if now - started > timeout:
                expired.output = f"timed out after {timeout} s"
                raise
            if now - last_change > stall:
                expired.output = f"logged nothing for {stall} s"
                raise


def _read(path) -> str:
    try:
        return pathlib.Path(path).read_bytes().decode("utf-8", errors="replace")
    except FileNotFoundError:
        return ""


# ---------------------------------------------------------------------------------------------
# BMP files

class Bmp:
    """A decoded BMP: pixels are stored top row first whatever the file's row order."""

    def __init__(self, width, height, bpp, top_down, pixels, header):
        self.width, self.height, self.bpp, self.top_down = width, height, bpp, top_down
        self.pixels = pixels  # H x W x (4 for 32 bpp: B, G, R, X; 3 for 24 bpp: B, G, R)
        self.header = header  # raw file + info header fields, for format tests

    def gray(self) -> np.ndarray:
        """H x W uint8 luminance (integer, exact for grey pixels)."""
        b, g, r = (self.pixels[:, :, i].astype(np.uint32) for i in range(3))
        return ((r * 299 + g * 587 + b * 114 + 500) // 1000).astype(np.uint8)


def read_bmp(path) -> Bmp:
    """Reads an uncompressed 24- or 32-bit BMP (BITMAPINFOHEADER or later)."""
    data = pathlib.Path(path).read_bytes()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP")
    file_size, _, offset = struct.unpack_from("<IIL", data, 2)
    header_size, width, height, planes, bpp, compression, image_size = struct.unpack_from("<IiiHHII", data, 14)
    if bpp not in (24, 32) or compression not in (0, 3):
        raise ValueError(f"{path}: unsupported BMP ({bpp} bpp, compression {compression})")
    top_down = height < 0
    height = abs(height)
    channels = bpp // 8
    stride = (width * channels + 3) & ~3
    rows = np.frombuffer(data, np.uint8, count=stride * height, offset=offset).reshape(height, stride)
    pixels = rows[:, : width * channels].reshape(height, width, channels)
    if not top_down:
        pixels = pixels[::-1]
    header = dict(file_size=file_size, offset=offset, header_size=header_size, planes=planes,
                  compression=compression, image_size=image_size)
    return Bmp(width, height, bpp, top_down, np.ascontiguousarray(pixels), header)


# ---------------------------------------------------------------------------------------------
# Expected symbols

class _QRcode(ctypes.Structure):
    _fields_ = [("version", ctypes.c_int), ("width", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte))]


_qrencode = None


def _library():
    global _qrencode
    if _qrencode is None:
        lib = ctypes.CDLL("libqrencode.so.4")
        lib.QRcode_encodeString.restype = ctypes.POINTER(_QRcode)
        lib.QRcode_encodeString.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_int]
        lib.QRcode_free.argtypes = [ctypes.POINTER(_QRcode)]
        _qrencode = lib
    return _qrencode


def expected_modules(text_bytes: bytes) -> np.ndarray | None:
    """N x N bool (True = dark) as the plugin encodes text_bytes (version 0, level L, 8-bit
    hint, case-sensitive), or None when it can't be encoded. The text ends at its first NUL."""
    lib = _library()
    code = lib.QRcode_encodeString(bytes(text_bytes).split(b"\0")[0], 0, 0, 2, 1)
    if not code:
        return None
    try:
        n = code.contents.width
        raw = np.ctypeslib.as_array(code.contents.data, shape=(n * n,)).copy()
    finally:
        lib.QRcode_free(code)
    return (raw & 1).astype(bool).reshape(n, n)


def expected_symbol(text_bytes: bytes) -> np.ndarray | None:
    """The plugin's full-size rendering of text_bytes: 10 px per module, 0 dark, 255 light,
    no margin; None when the text can't be encoded."""
    modules = expected_modules(text_bytes)
    if modules is None:
        return None
    image = np.where(modules, 0, 255).astype(np.uint8)
    return np.repeat(np.repeat(image, MODULE_PX, axis=0), MODULE_PX, axis=1)


# ---------------------------------------------------------------------------------------------
# Reading symbols back

def decode(image, quiet_px: int = 40) -> bytes | None:
    """The bytes ZXing reads from a QR symbol, or None. image: Bmp, PIL image or ndarray."""
    import zxingcpp
    if isinstance(image, Bmp):
        array = image.gray()
    elif isinstance(image, np.ndarray):
        array = image if image.ndim == 2 else image[:, :, :3].mean(axis=2).astype(np.uint8)
    else:
        array = np.asarray(image.convert("L"))
    padded = np.pad(array.astype(np.uint8), quiet_px, constant_values=255)
    result = zxingcpp.read_barcode(padded, formats=zxingcpp.BarcodeFormat.QRCode)
    if result is None or not result.valid:
        return None
    return bytes(result.bytes)


# ---------------------------------------------------------------------------------------------
# The leak probe

def probe_readings(log) -> list[tuple[int, int]]:
    """(GDI, USER) from each `gdi` line of a host log. The probe answers -1 when it can't measure;
    two such answers would compare equal and hide any leak, so that fails here."""
    readings = []
    for line in log.starting("gdi "):
        gdi, user = (int(n) for n in line.split()[1:])
        assert gdi >= 0 and user >= 0, f"the leak probe could not measure: {line!r}"
        readings.append((gdi, user))
    return readings

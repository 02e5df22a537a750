"""Reads what the package tests need from a Windows PE file, without Windows or Wine: the
machine, the exported names, the imported DLLs, the resources, and the version resource's fixed
and string parts. Read from the file's own tables, so no tool's text layout is relied on.

    read_pe(path) -> PeImage            .machine (0x14c i386, 0x8664 x86-64) .timestamp
                                        .resources() .export_names() .imported_dlls()
    version_info(path) -> VersionInfo   the RT_VERSION resource, parsed
    first_difference(a, b) -> str|None  where two builds of an image part: header field, section
"""
from __future__ import annotations

import dataclasses
import pathlib
import struct

RT_VERSION = 16
_DIRECTORIES = ["export", "import", "resource", "exception", "certificate", "base relocation", "debug",
                "architecture", "global pointer", "TLS", "load configuration", "bound import",
                "import address table", "delay import", "CLR"]
_FIXED_SIGNATURE = 0xFEEF04BD


class PeError(ValueError):
    """The file is not a PE image, or a structure in it runs outside the file."""


@dataclasses.dataclass
class Resource:
    type_id: int | str
    name_id: int | str
    language: int
    code_page: int  # what the resource directory's data entry records (often 0)
    data: bytes


class PeImage:
    def __init__(self, data: bytes):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = self._u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        self.machine, sections, self.timestamp, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = self._u16(optional)
        if magic == 0x10B:
            count_at, dirs_at = 92, 96
        elif magic == 0x20B:
            count_at, dirs_at = 108, 112
        else:
            raise PeError(f"unknown optional header magic {magic:#x}")
        self.is_64bit = magic == 0x20B
        count = self._u32(optional + count_at)
        self.directories_at = optional + dirs_at
        self.directories = [struct.unpack_from("<II", data, self.directories_at + 8 * i) for i in range(count)]
        self.section_table_at = table = optional + optional_size
        self.sections = []
        for i in range(sections):
            name, vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("ascii", "replace"), vaddr, max(vsize, raw_size), raw_ptr, raw_size))

    def _u16(self, offset: int) -> int:
        return struct.unpack_from("<H", self.data, offset)[0]

    def _u32(self, offset: int) -> int:
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset_of(self, rva: int) -> int:
        """File offset of a relative virtual address; PeError if no section holds it."""
        for _, vaddr, size, raw_ptr, raw_size in self.sections:
            if vaddr <= rva < vaddr + size and rva - vaddr < raw_size:
                return raw_ptr + rva - vaddr
        raise PeError(f"RVA {rva:#x} is in no section")

    def _string_at(self, rva: int) -> str:
        start = self.offset_of(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("ascii")

    def export_names(self) -> list[str]:
        """The export directory's name table, in its order (sorted, as the loader's lookup needs)."""
        if not self.directories or self.directories[0][0] == 0:
            return []
        directory = self.offset_of(self.directories[0][0])
        names, name_table = struct.unpack_from("<I", self.data, directory + 24)[0], self._u32(directory + 32)
        return [self._string_at(self._u32(self.offset_of(name_table) + 4 * i)) for i in range(names)]

    def imported_dlls(self) -> list[str]:
        """The DLL names of the import directory, in its order."""
        if len(self.directories) <= 1 or self.directories[1][0] == 0:
            return []
        found, entry = [], self.offset_of(self.directories[1][0])
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, entry)
            if not (lookup or name or thunks):
                return found
            found.append(self._string_at(name))
            entry += 20

    def resources(self) -> list[Resource]:
        """Every leaf of the three-level resource tree (type / name / language)."""
        if len(self.directories) <= 2 or self.directories[2][0] == 0:
            return []
        base = self.offset_of(self.directories[2][0])
        found: list[Resource] = []

        def entries(directory: int):
            named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if name & 0x80000000:
                    at = base + (name & 0x7FFFFFFF)
                    length = self._u16(at)
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        for type_id, names in entries(0):
            for name_id, languages in entries(names & 0x7FFFFFFF):
                for language, leaf in entries(languages & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise PeError("resource tree deeper than three levels")
                    rva, size, code_page, _ = struct.unpack_from("<IIII", self.data, base + leaf)
                    start = self.offset_of(rva)
                    found.append(Resource(type_id, name_id, language, code_page, self.data[start:start + size]))
        return found


def read_pe(path) -> PeImage:
    return PeImage(pathlib.Path(path).read_bytes())


def first_difference(a: bytes, b: bytes) -> str | None:
    """None for the same bytes; else the first offset where they differ and what holds it in a (a
    header field, a data directory's or section's entry, or a section), and the first section
    whose contents differ. The image checksum changes with any other byte: it is named only when
    nothing else differs."""
    if a == b:
        return None
    differing = (i for i, (x, y) in enumerate(zip(a, b)) if x != y)
    at = next(differing, min(len(a), len(b)))
    sizes = "" if len(a) == len(b) else f" (sizes {len(a)} and {len(b)})"
    try:
        image, other = PeImage(a), PeImage(b)
    except (PeError, struct.error):
        return f"first difference at offset {at:#x}{sizes}"
    pe = image._u32(0x3C)
    checksum = pe + 24 + 64
    if checksum <= at < checksum + 4:
        at = next((i for i in differing if i >= checksum + 4), at if len(a) == len(b) else min(len(a), len(b)))
    fields = {pe + 8: "the COFF header's time stamp", checksum: "the optional header's checksum"}
    if image.directories and image.directories[0][0]:
        fields[image.offset_of(image.directories[0][0]) + 4] = "the export directory's time stamp"
    where = next((name for start, name in fields.items() if start <= at < start + 4), None)
    directory = (at - image.directories_at) // 8
    if where is None and 0 <= directory < len(image.directories):
        kind = _DIRECTORIES[directory] if directory < len(_DIRECTORIES) else str(directory)
        where = f"the {kind} directory's entry in the optional header"
    entry = (at - image.section_table_at) // 40
    if where is None and 0 <= entry < len(image.sections):
        where = f"the section table's entry for {image.sections[entry][0]}"
    if where is None:
        where = next((f"section {name}" for name, _, _, raw_ptr, raw_size in image.sections
                      if raw_ptr <= at < raw_ptr + raw_size), None)
    if where is None:
        first_raw = min((raw_ptr for _, _, _, raw_ptr, raw_size in image.sections if raw_size), default=len(a))
        where = "the headers" if at < first_raw else "no section"
    contents = {name: b[raw_ptr:raw_ptr + raw_size] for name, _, _, raw_ptr, raw_size in other.sections}
    section = next((name for name, _, _, raw_ptr, raw_size in sorted(image.sections, key=lambda s: s[3])
                    if contents.get(name) != a[raw_ptr:raw_ptr + raw_size]), None)
    first_section = f"; the first section that differs: {section}" if section else "; every section is the same"
    return f"first difference at offset {at:#x}, in {where}{sizes}{first_section}"


# ---------------------------------------------------------------------------------------------
# The version resource: a tree of (length, value length, type, key, value, children) nodes,
# each aligned to four bytes.

@dataclasses.dataclass
class VersionInfo:
    resource_language: int
    file_version: tuple[int, int, int, int]
    product_version: tuple[int, int, int, int]
    string_tables: dict[str, dict[str, str]]  # "041004B0" -> {"FileVersion": "1.0.0", ...}
    translations: list[tuple[int, int]]  # (language, code page) pairs from VarFileInfo


def _align4(offset: int) -> int:
    return (offset + 3) & ~3


def _node(data: bytes, start: int):
    """(key, value bytes, is_text, children, end) of the node at start."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, start)
    end = start + length
    key_end = start + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[start + 6:key_end].decode("utf-16-le")
    value_start = _align4(key_end + 2)
    # Text values count UTF-16 units, binary ones bytes.
    value_size = value_length * 2 if is_text else value_length
    value = data[value_start:min(value_start + value_size, end)]
    children = []
    child = _align4(value_start + value_size)
    while child < end:
        node = _node(data, child)
        children.append(node)
        child = _align4(node[4])
    return key, value, bool(is_text), children, end


def version_info(path) -> VersionInfo:
    """The image's one RT_VERSION resource, parsed; PeError if it has none or more than one."""
    found = [r for r in read_pe(path).resources() if r.type_id == RT_VERSION]
    if len(found) != 1:
        raise PeError(f"{len(found)} version resources")
    resource = found[0]
    key, fixed, _, children, _ = _node(resource.data, 0)
    if key != "VS_VERSION_INFO" or len(fixed) < 52:
        raise PeError("malformed VS_VERSION_INFO")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != _FIXED_SIGNATURE:
        raise PeError("bad VS_FIXEDFILEINFO signature")

    def split(ms: int, ls: int):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    tables: dict[str, dict[str, str]] = {}
    translations: list[tuple[int, int]] = []
    for child_key, _, _, grandchildren, _ in children:
        if child_key == "StringFileInfo":
            for table_key, _, _, strings, _ in grandchildren:
                tables[table_key] = {
                    name: value.decode("utf-16-le").rstrip("\0") for name, value, _, _, _ in strings}
        elif child_key == "VarFileInfo":
            for var_key, value, _, _, _ in grandchildren:
                if var_key == "Translation":
                    translations += [struct.unpack_from("<HH", value, i) for i in range(0, len(value) - 3, 4)]
    return VersionInfo(resource.language, split(file_ms, file_ls), split(product_ms, product_ls),
                       tables, translations)

"""What each point of the fault sweep (faultsweep.py) must give, and the sweep's table.

A point survives when the host lives through it and the uninjected run after it logs exactly
what the reference run logged, with a good file or clipboard. Beside that every injected run
must give:
- answers: `ListLoadW` none or a viewer, `ListSendCommand` 0 only for a copy the clipboard holds
  (else 1); at most one box, one of the plugin's own, and one that fits what happened;
- no leak: the GDI and USER objects held after the viewer has closed and the uninjected run
  after it are what they were before, less what the bare save dialog itself leaves per dialog
  opened, and the library leaves the process at that run's end;
- no torn file: a save target holds its old bytes exactly or a complete new image of this run's
  symbol, and no temporary file (~qrl*.tmp) is left beside it;
- the clipboard free for other programs once the run is over.
"""
from __future__ import annotations

import dataclasses
import re

from PIL import Image

import hostlib

# What a save over an existing file finds there, and must leave there when it fails.
OLD_BYTES = b"the file that was there before the save\n" * 64
NOT_HANDLED = ("Error", "The file is too large or not handled")
COPIED = ("QR Code Viewer", "QRCode copied")
COPY_FAILED = ("Error", "The QR Code could not be copied to the clipboard.")
DIALOG_FAILED_PREFIX = "The save dialog could not be used"
CLSID_BOXES = {"jpg": ("Error", "CLSID for JPEG."), "png": ("Error", "CLSID for PNG.")}
# Not the plugin's: the save dialog's own question before it replaces a file.
OVERWRITE_PROMPT = "already exists"
# The host's own: its bare save dialog (filter "All") opened before a count among them.
NOISE = ("echo ", "gdi ", "inject ", "calls ", "injected ", "unfired ", "baredialog ", 'dialog filters="All" ')
TROUBLE = ("error ", "stuck ", "window ", "crash ", "hang")
KEPT_LOADED = "the library stays loaded for good"


def between(log, start: str, end: str) -> hostlib.HostLog:
    """The lines after the line `start` up to the line `end` (or the log's end)."""
    segment = hostlib.HostLog()
    if start not in log:
        return segment
    for line in log[log.index(start) + 1:]:
        if line == end:
            break
        segment.append(line)
    return segment


def normalised(segment, folder) -> list[str]:
    """The lines that say what the plugin did, with the run's folder written <dir>."""
    where = hostlib.winpath(folder)
    return [line.replace(where, "<dir>") for line in segment if not line.startswith(NOISE)]


def plugin_boxes(segment, folder) -> list[tuple[str, str]]:
    where = hostlib.winpath(folder)
    return [(caption, text.replace(where, "<dir>")) for caption, text in segment.boxes()
            if OVERWRITE_PROMPT not in text]


def dialogs_opened(segment) -> int:
    return sum(line.startswith("dialog filters=") for line in segment) - sum(
        line.startswith("dialog failed") for line in segment)


def readings(segment) -> list[tuple[int, int]]:
    return [tuple(int(n) for n in line.split()[1:]) for line in segment.starting("gdi ")]


def bare_dialog_leftover(log, dialogs: int) -> tuple[int, int]:
    """(GDI, USER) objects one bare save dialog leaves behind: the first two readings of a host
    that opened `dialogs` of them in between."""
    (gdi0, user0), (gdi1, user1) = readings(log)[:2]
    return (gdi1 - gdi0) // dialogs, (user1 - user0) // dialogs


def clipboard_holds(segment, run) -> int:
    """For a scenario that copies, 1 when the run ended with a bitmap on the clipboard, else 0;
    1 for every other scenario (which leaves the clipboard as it was)."""
    if run.scenario.kind not in ("copy", "pair"):
        return 1
    return 0 if "clipboard none" in segment else 1


def growth(before, after, dialogs, leftover, clipboard=0) -> str:
    """'' when after is before plus the dialogs' own leftovers and the change in bitmaps the
    clipboard holds; else what grew."""
    if min(before + after) < 0:
        return "the leak probe could not measure"
    gdi = after[0] - before[0] - dialogs * leftover[0] - clipboard
    user = after[1] - before[1] - dialogs * leftover[1]
    return "" if gdi == 0 and user == 0 else f"GDI {gdi:+d}, USER {user:+d} (after {dialogs} dialogs)"


def image_problem(path, fmt: str, size, text: bytes) -> str:
    """'' when path is a complete image whose symbol reads back as text, of `size` pixels (what
    the reference run's viewer showed) or of the full-size rendering (what a viewer shows when
    its fit could not be made)."""
    try:
        if fmt == "bmp":
            image = hostlib.read_bmp(path)
            dimensions = (image.width, image.height)
        else:
            image = Image.open(path)
            image.load()  # a truncated file fails here
            dimensions = image.size
    except Exception as error:  # noqa: BLE001 - any reader error means the file is not whole
        return f"does not read back ({error})"
    modules = hostlib.expected_modules(text)
    full = (len(modules) * hostlib.MODULE_PX,) * 2 if modules is not None else None
    if size and dimensions not in (size, full):
        return f"{dimensions[0]} x {dimensions[1]}, not {size[0]} x {size[1]}"
    if hostlib.decode(image) != text:
        return "its symbol does not read back as this run's text"
    return ""


@dataclasses.dataclass
class Findings:
    wrong: list = dataclasses.field(default_factory=list)
    torn: list = dataclasses.field(default_factory=list)
    succeeded: bool = False  # the scenario's operation did what it does without a failure


def target_state(run, size) -> str:
    """absent | old | image | torn: WHY"""
    path = run.folder / run.scenario.target
    if not path.exists():
        return "absent"
    if run.scenario.over and path.read_bytes() == OLD_BYTES:
        return "old"
    why = image_problem(path, run.scenario.fmt, size, run.text)
    return "torn: " + why if why else "image"


def save_findings(run, segment, size, found: Findings) -> None:
    folder, target = run.folder, "<dir>\\" + run.scenario.target
    saved = ("File saved in:", target)
    failed = {("Error", "The image could not be saved to\\n" + target), CLSID_BOXES.get(run.scenario.fmt)}
    boxes = plugin_boxes(segment, folder)
    for box in boxes:
        if box != saved and box not in failed and not (box[0] == "Error" and box[1].startswith(DIALOG_FAILED_PREFIX)):
            found.wrong.append(f"box {box} is not one of the save's")
    state = target_state(run, size)
    unchanged = "old" if run.scenario.over else "absent"
    for temporary in sorted(folder.glob("~qrl*.tmp")):
        found.torn.append(f"left {temporary.name}")
    if state.startswith("torn") or (state == "absent" and run.scenario.over):
        found.torn.append(f"{run.scenario.target}: " + ("the old file is gone" if state == "absent" else state))
    elif saved in boxes and state != "image":
        found.wrong.append(f"said saved, but the target is {state}")
    elif any(box != saved for box in boxes) and state != unchanged:
        found.wrong.append(f"said not saved, but the target is {state}")
    found.succeeded = boxes == [saved] and state == "image"


def load_findings(segment, verb, boxes, found) -> bool:
    """A load answers a viewer or none, and only none may come with a box, the refusal."""
    answers = [line.split()[-1] for line in segment.starting(verb)]
    if answers not in (["ok"], ["none"]):
        found.wrong.append(f"{verb}answered {answers}")
    if any(box != NOT_HANDLED for box in boxes) or (answers == ["ok"] and boxes):
        found.wrong.append(f"{verb}{answers} with boxes {boxes}")
    return answers == ["ok"] and not boxes


def copy_findings(run, segment, viewer, size, boxes, found) -> bool:
    """0 only for a copy the clipboard holds; the box, if any, says which."""
    results = [line.split()[-1] for line in segment.starting(f"command {viewer} 1 ")]
    if results not in (["0"], ["1"]):
        found.wrong.append(f"copy answered {results}")
        return False
    held = not image_problem(run.folder / "clip.bmp", "bmp", size, run.text)
    if results == ["0"] and not held:
        found.wrong.append("copy answered 0 but the clipboard doesn't hold this run's symbol")
    if results == ["0"] and boxes not in ([], [COPIED]) or results == ["1"] and boxes not in ([], [COPY_FAILED]):
        found.wrong.append(f"copy answered {results[0]} with boxes {boxes}")
    return results == ["0"] and boxes == [COPIED] and held


def findings_of(run, segment, size) -> Findings:
    found = Findings()
    found.wrong += [line for line in segment if line.startswith(TROUBLE)]
    if "alive closed yes" in segment:
        found.wrong.append("ListCloseWindow left the viewer alive")
    boxes = plugin_boxes(segment, run.folder)
    if len(boxes) > 1:
        found.wrong.append(f"{len(boxes)} boxes: {boxes}")
    kind = run.scenario.kind
    if kind in ("open", "fit"):
        found.succeeded = load_findings(segment, "open v ", boxes, found)
    elif kind == "quickview":
        found.succeeded = load_findings(segment, "quickview v ", boxes, found)
    elif kind == "copy":
        found.succeeded = copy_findings(run, segment, "v", size, boxes, found)
    elif kind == "pair":  # a second viewer beside the first, copied and closed
        loaded = [box for box in boxes if box == NOT_HANDLED]
        found.succeeded = load_findings(segment, "open w ", loaded, found)
        copied = copy_findings(run, segment, "w", size, [box for box in boxes if box != NOT_HANDLED], found)
        found.succeeded = found.succeeded and copied
    elif kind == "selectall":
        results = [line.split()[-1] for line in segment.starting("command v 3 ")]
        if results not in (["0"], ["1"]) or boxes:
            found.wrong.append(f"select all answered {results} with boxes {boxes}")
        found.succeeded = results == ["0"] and not boxes
    else:
        save_findings(run, segment, size, found)
    return found


class Reference:
    """The counted run of a scenario: its calls, its log and its result, all as they must be."""

    def __init__(self, run, segment):
        self.run, self.scenario, self.segment = run, run.scenario, segment
        self.calls = [(m.group(1), int(m.group(2)), bool(m.group(3)))
                      for m in (re.fullmatch(r"calls (\S+) (\d+)( never)?", line) for line in segment) if m]
        self.lines = normalised(segment, run.folder)
        self.size = self.shown_size()
        found = findings_of(run, segment, self.size)
        problems = found.wrong + found.torn + ([] if found.succeeded else ["it did not succeed"])
        problems += [] if self.calls else ["no calls counted"]
        self.problem = "; ".join(problems)

    def shown_size(self):
        """The size of what a copy or save must hold: the reference's own result."""
        for line in self.segment.starting("clipboard "):
            parts = line.split()
            if len(parts) == 3:
                return int(parts[1]), int(parts[2])
        target = self.run.folder / self.scenario.target
        if self.scenario.kind == "save" and target.exists():
            try:
                image = hostlib.read_bmp(target) if self.scenario.fmt == "bmp" else Image.open(target)
                return (image.width, image.height)
            except Exception:  # noqa: BLE001 - judged (and reported) by findings_of
                return None
        return None

    def failable_calls(self) -> list[tuple[str, int]]:
        return [(name, n) for name, n, never in self.calls if not never]


@dataclasses.dataclass
class Verdict:
    point: object
    alive: bool = True
    survived: bool = False
    leak: str = ""
    torn: list = dataclasses.field(default_factory=list)
    wrong: list = dataclasses.field(default_factory=list)
    notes: list = dataclasses.field(default_factory=list)
    first_leak: str = ""  # what the counts showed the first time, where the point was repeated

    def ok(self) -> bool:
        return self.alive and self.survived and not self.leak and not self.torn and not self.wrong

    def only_counts(self) -> bool:
        """Everything was right but the GDI and USER counts (the library did leave)."""
        return (self.alive and self.survived and bool(self.leak) and not self.torn and not self.wrong
                and KEPT_LOADED not in self.leak)

    def describe(self) -> str:
        p = self.point
        said = ([] if self.alive else ["the host died"]) + self.notes + self.wrong + self.torn
        said += [f"leak: {self.leak}"] if self.leak else []
        return f"{p.scenario.name}: {p.name} call {p.k}: " + "; ".join(said)


def judge(point, log, reference, runs, leftover) -> Verdict | None:
    """The verdict on one point of a host's log; None when the host never got to it."""
    n, (injected, checked) = point.number, runs
    if f"echo @{n}" not in log:
        return None
    verdict = Verdict(point, alive=f"echo @{n} end" in log)
    during = between(log, f"echo @{n}", f"echo @{n} check")
    found = findings_of(injected, during, reference.size)
    verdict.wrong += found.wrong
    verdict.torn += found.torn
    if f"injected {point.name} {point.k}" not in during:
        verdict.wrong.append("the failure never fired")
    if "cliphold failed" in during:
        verdict.wrong.append("the clipboard was left open: no other program could copy or paste")
    if not verdict.alive:
        verdict.notes.append(f"last line {log[-1]!r}" if log else "no log")
        return verdict
    after = between(log, f"echo @{n} check", f"echo @{n} end")
    before_run = readings(hostlib.HostLog(log[:log.index(f"echo @{n}")]))[-1]
    after_run, after_next = readings(during)[-1], readings(after)[-1]
    # A copy's bitmap is the clipboard's: one held more or less is no leak of the plugin's.
    held_before = 1  # the run before was a copy that worked (or no copy at all: no count)
    held_next = clipboard_holds(after, checked)
    # What the two runs leave together: the count right after the injected run is not the
    # plugin's alone, since Wine 10 keeps a few GDI objects of the last box or window it drew
    # until the next one (2 or 4 after a box, given back by the next viewer or dialog). Objects
    # of the plugin's that outlive its library stay past the next run, which unloads it again.
    leak = growth(before_run, after_next, dialogs_opened(during) + dialogs_opened(after), leftover,
                  held_next - held_before)
    verdict.leak = f"{leak}; right after the injected run: {after_run[0] - before_run[0]:+d} GDI, " \
                   f"{after_run[1] - before_run[1]:+d} USER" if leak else ""
    # A box's hold on the library is let go of at the next call into it, so only the next run
    # shows a reference kept for good.
    if after.starting("unload ")[-1:] != ["unload freed"]:
        verdict.leak = (verdict.leak + "; " if verdict.leak else "") + KEPT_LOADED
    next_run = findings_of(checked, after, reference.size)
    differs = normalised(after, checked.folder) != reference.lines
    verdict.survived = next_run.succeeded and not next_run.wrong and not next_run.torn and not differs
    if not verdict.survived:
        verdict.notes.append("the next run went otherwise: " + "; ".join(
            next_run.wrong + next_run.torn + ([" | ".join(normalised(after, checked.folder))] if differs else [])))
    return verdict


@dataclasses.dataclass
class Summary:
    references: list
    verdicts: list
    seconds: float
    host_starts: int

    def rows(self):
        for reference in self.references:
            mine = [v for v in self.verdicts if v.point.scenario.name == reference.scenario.name]
            yield (reference.scenario.name, len(mine), sum(v.alive and v.survived for v in mine),
                   sum(bool(v.leak) for v in mine), sum(bool(v.torn) for v in mine), sum(bool(v.wrong) for v in mine))

    def table(self) -> str:
        rows = list(self.rows())
        totals = ("all", *(sum(row[i] for row in rows) for i in range(1, 6)))
        lines = ["| scenario | points injected | survived | leaks | torn files | wrong answers |",
                 "|---|---:|---:|---:|---:|---:|"]
        lines += ["| " + " | ".join(str(cell) for cell in row) + " |" for row in rows + [totals]]
        lines.append(f"{totals[1]} points in {self.seconds:.0f} s, {self.host_starts} host processes")
        repeated = [v for v in self.verdicts if v.first_leak]
        if repeated:
            lines.append(f"{len(repeated)} points moved the counts once and were repeated; "
                         f"{sum(v.ok() for v in repeated)} moved nothing the second time")
        return "\n".join(lines)

    def repeats(self) -> str:
        """The points repeated for their counts: what they showed the first time."""
        return "\n".join(f"{v.point.scenario.name}: {v.point.name} call {v.point.k}: first {v.first_leak}; "
                         f"repeated: {v.leak or 'nothing moved'}" for v in self.verdicts if v.first_leak)

    def details(self) -> str:
        said = [f"reference {r.scenario.name}: {r.problem}" for r in self.references if r.problem]
        said += [v.describe() for v in self.verdicts if not v.ok()]
        return "\n".join(said)

    def all_passed(self) -> bool:
        return not any(r.problem for r in self.references) and all(v.ok() for v in self.verdicts)

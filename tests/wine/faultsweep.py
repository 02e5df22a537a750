"""The fault sweep: every import of the plugin failed, one call at a time, in each scenario.

For each scenario the host first counts the calls each import of the plugin gets in the
scenario's action (`inject count` ... `inject report`); that run is the reference. Then, for
every point (import, k), the scenario runs with the k-th call of that import failed
(`inject fail NAME K`), and right after it once more without any failure, in the same host.
Where an import is called many times, the first, second and last calls stand for the rest (the
full sweep adds one from the middle and the last but one).

Many points share one host process; a point that kills or hangs the host is recorded and the
sweep goes on in a new host from the next point. faultcheck.py judges each point.

    bash scripts/wine.sh /usr/bin/python3 tests/wine/faultsweep.py [--full] [--only SCENARIO ...]
        [--points NAME:K ...] [--work FOLDER]          (make faults: scripts/faults.sh)
"""
from __future__ import annotations

import argparse
import dataclasses
import pathlib
import shutil
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))

import faultcheck  # noqa: E402
import hostlib  # noqa: E402
from faultcheck import OLD_BYTES  # noqa: E402
from hostlib import qpath  # noqa: E402

SMALL_TEXT = b"fault sweep, run abcd"
LARGE_TEXT = b"a" * 2953  # the largest symbol, version 40
VIEW_W, VIEW_H = 400, 300
LARGE_VIEW_W, LARGE_VIEW_H = 1100, 1000
BARE_DIALOGS = 2
STALL_S = 30


def run_text(base: bytes, serial: int) -> bytes:
    """base with its last four letters naming the run: every run shows a symbol of its own (same
    version, lower-case letters only, so the largest text stays in 8-bit mode), and an image
    left over from another run can't pass for this run's."""
    letters = bytes(ord("a") + (serial // 26 ** i) % 26 for i in range(4))
    return base[:-4] + letters


@dataclasses.dataclass(frozen=True)
class Scenario:
    name: str
    base: bytes
    kind: str           # open | fit | copy | selectall | save | quickview | pair
    fmt: str = ""       # save: png | jpg | bmp
    over: bool = False  # save: over an existing file

    @property
    def target(self) -> str:
        return f"saved.{self.fmt}"

    @property
    def large(self) -> bool:
        return self.base == LARGE_TEXT

    def parts(self, run_dir: pathlib.Path):
        """(setup, action, teardown) script lines for one run in run_dir (see prepare). Only the
        action is counted and injected; the viewer is always closed by the end."""
        content, following = qpath(run_dir / "content.qr"), qpath(run_dir / "next.qr")
        # The largest symbol (1770 pixels) is always fitted, to a height at which it still reads.
        width, height = (LARGE_VIEW_W, LARGE_VIEW_H) if self.large else (VIEW_W, VIEW_H)
        opened = [f"open v {content} {width} {height}"]
        # ListCloseWindow alone, so that a viewer it left alive is seen (`close` would destroy it
        # with the lister window).
        closed = ["alive closed", "close v"]
        if self.kind == "open":
            return [], opened + ["closeplugin v"], closed
        if self.kind == "fit":  # shorter than the symbol, then tall enough for all of it
            short, tall = (300, 1800) if self.large else (150, 300)
            return [], [f"open v {content} {VIEW_W} {short}", f"resize v {VIEW_W} {tall}", "closeplugin v"], closed
        if self.kind == "copy":
            return opened, ["command v 1"], [f"clipboard {qpath(run_dir / 'clip.bmp')}", "close v"]
        if self.kind == "pair":  # quick view and a lister window at once: the first is fitted
            return opened, [f"open w {following} {width} {height}", f"resize v {width} {height // 2}", "command w 1",
                            "closeplugin w"], ["alive closed", f"clipboard {qpath(run_dir / 'clip.bmp')}", "close w",
                                               "close v"]
        if self.kind == "selectall":
            return opened, ["command v 3"], ["close v"]
        if self.kind == "quickview":
            return opened, [f"quickview v {following}"], closed
        answer = ["answer yes"] if self.over else []  # the dialog's overwrite prompt
        return opened + answer, [f"save v {qpath(run_dir / self.target)}"], ["answer ok", "close v"]

    def prepare(self, run_dir: pathlib.Path, serial: int) -> bytes:
        """Makes run_dir with the run's content files (and the file a save replaces); returns the
        text the viewer shows at the end of the run."""
        run_dir.mkdir(parents=True, exist_ok=True)
        text = run_text(self.base, serial)
        following = run_text(self.base, serial + 1)
        (run_dir / "content.qr").write_bytes(text)
        (run_dir / "next.qr").write_bytes(following)
        if self.over:
            (run_dir / self.target).write_bytes(OLD_BYTES)
        return following if self.kind in ("quickview", "pair") else text


def scenarios(text: bytes) -> list[Scenario]:
    size = "large" if text == LARGE_TEXT else "small"
    kinds = ("open", "fit", "copy", "selectall", "quickview", "pair")
    plain = [Scenario(f"{kind}-{size}", text, kind) for kind in kinds]
    saves = [Scenario(f"save-{fmt}-{'over' if over else 'new'}-{size}", text, "save", fmt, over)
             for fmt in ("png", "jpg", "bmp") for over in (False, True)]
    return plain + saves


@dataclasses.dataclass(frozen=True)
class Point:
    scenario: Scenario
    name: str
    k: int
    number: int  # unique in the sweep: names the point's folders and log markers


def ks(calls: int, full: bool) -> list[int]:
    """Which calls of an import called `calls` times are failed."""
    chosen = {1, 2, calls} | ({calls // 2, calls - 1} if full else set())
    return sorted(k for k in chosen if 1 <= k <= calls)


def run_lines(scenario, run_dir, inject=()):
    """One run of scenario: inject is () for a plain run, ("count",) or ("fail", NAME, K). With
    every viewer closed, the library must leave the process when the host frees it (and is
    loaded again for the next run)."""
    setup, action, teardown = scenario.parts(run_dir)
    teardown = teardown + ["unload", "reload"]
    if not inject:
        return setup + action + teardown
    # `cliphold 0`: whether another program can open the clipboard once the plugin is done, asked
    # while the viewer is still there (a clipboard left open is closed when its window goes).
    after = ["inject report", "inject off"] if inject[0] == "count" else ["inject off", "cliphold 0"]
    return setup + ["inject " + " ".join(map(str, inject))] + action + after + teardown


def host_start():
    """The first lines of every host of points: a box shown once (the first box in a process
    makes objects of its own), then what bare save dialogs leave behind, after one that sets
    things up (two gdi readings around BARE_DIALOGS of them)."""
    return ["load w -", "close w", "baredialog 1", "gdi", f"baredialog {BARE_DIALOGS}", "gdi"]


def settled_reading():
    """A count taken after a bare save dialog: Wine 10 keeps a few GDI objects of the last box or
    window it drew (2 or 4) until the next one, and after the dialog that state is always the
    same. The dialog's own leftover is counted with the others (faultcheck.dialogs_opened)."""
    return ["baredialog 1", "gdi"]


@dataclasses.dataclass(frozen=True)
class Run:
    scenario: Scenario
    folder: pathlib.Path
    text: bytes  # what the viewer shows at the end: what a copy or a save must hold


class Sweep:
    def __init__(self, work: pathlib.Path, chosen: list[Scenario], full: bool, say=print, only_points=()):
        self.work, self.chosen, self.full, self.say = work, chosen, full, say
        self.only_points = set(only_points)  # "NAME:K" strings: just these points
        self.host_starts = 0
        self.serial = 0

    def new_run(self, scenario, *parts) -> Run:
        self.serial += 2  # a quick view shows the next text too
        folder = self.work.joinpath(scenario.name, *parts)
        return Run(scenario, folder, scenario.prepare(folder, self.serial))

    def warm_up(self, scenario, name):
        """Two plain runs: some objects are made at a first use, some (GDI+'s JPEG encoder) at
        the second; none of them is a leak."""
        return sum((run_lines(scenario, self.new_run(scenario, f"{name}-{n}").folder) for n in (1, 2)), [])

    def host(self, lines, timeout):
        self.host_starts += 1
        try:
            return hostlib.run_host(lines, self.work, timeout=timeout, check=False, stall=STALL_S)
        except hostlib.HostError as hung:
            hung.log.append("hang")
            return hung.log

    def count(self) -> dict[str, faultcheck.Reference]:
        """One host: each scenario warmed up once, then run counted: its reference."""
        lines, runs = [], {}
        for scenario in self.chosen:
            lines += self.warm_up(scenario, "warm")
            runs[scenario.name] = run = self.new_run(scenario, "ref")
            lines += [f"echo @count {scenario.name}"] + run_lines(scenario, run.folder, ("count",))
            lines += [f"echo @counted {scenario.name}"]
        log = self.host(lines, timeout=600)
        return {name: faultcheck.Reference(run, faultcheck.between(log, f"echo @count {name}", f"echo @counted {name}"))
                for name, run in runs.items()}

    def points(self, references) -> list[Point]:
        found = []
        for scenario in self.chosen:
            for name, calls in references[scenario.name].failable_calls():
                for k in ks(calls, self.full):
                    if not self.only_points or f"{name}:{k}" in self.only_points:
                        found.append(Point(scenario, name, k, len(found) + 1))
        return found

    def point_lines(self, point, runs):
        injected = self.new_run(point.scenario, f"p{point.number}", "inj")
        checked = self.new_run(point.scenario, f"p{point.number}", "chk")
        runs[point.number] = (injected, checked)
        n = point.number
        # The reading before the point is the one after the last (or after the warm-up).
        return ([f"echo @{n}"] + run_lines(point.scenario, injected.folder, ("fail", point.name, point.k))
                + ["gdi", f"echo @{n} check"] + run_lines(point.scenario, checked.folder)
                + settled_reading() + [f"echo @{n} end"])

    def host_lines(self, points, runs):
        """One host's script for points, in order: each scenario warmed up before its first."""
        lines, warmed = host_start(), set()
        for point in points:
            if point.scenario.name not in warmed:  # first uses in a process are not leaks
                warmed.add(point.scenario.name)
                lines += self.warm_up(point.scenario, f"warm{self.host_starts}") + settled_reading()
            lines += self.point_lines(point, runs)
        return lines

    def run_points(self, points, references) -> list[faultcheck.Verdict]:
        verdicts = []
        while points:
            runs = {}
            log = self.host(self.host_lines(points, runs), timeout=60 + 10 * len(points))
            leftover = faultcheck.bare_dialog_leftover(log, BARE_DIALOGS)
            done = 0
            for point in points:
                verdict = faultcheck.judge(point, log, references[point.scenario.name], runs[point.number], leftover)
                if verdict is None:
                    break  # the host never got here
                verdicts.append(verdict)
                if verdict.ok():  # a large symbol's files take megabytes; failures stay to be seen
                    shutil.rmtree(self.work / point.scenario.name / f"p{point.number}", ignore_errors=True)
                done += 1
                if not verdict.alive:
                    break
            if done == 0:  # it died before the first point: every later host would too
                verdicts += [faultcheck.Verdict(p, alive=False, notes=["the host never got to it"]) for p in points]
                break
            points = points[done:]
        return verdicts

    def repeat_counted(self, verdicts, references, numbered) -> list[faultcheck.Verdict]:
        """Runs each point whose only fault was in the counts once more, twice over in one host,
        and judges the second time. Wine 10 keeps the surface of a window it destroyed in one of
        two states, set by how the last save ended, so a point can move the counts by 2 once
        and never again; an object of the plugin's is left every time its library is loaded,
        and so shows the second time too."""
        counted = [v for v in verdicts if v.only_counts()]
        if not counted:
            return verdicts
        runs, repeats, second = {}, [], {}
        for verdict in counted:
            for _ in range(2):
                numbered += 1
                repeats.append(dataclasses.replace(verdict.point, number=numbered))
            second[verdict.point.number] = repeats[-1]
        log = self.host(self.host_lines(repeats, runs), timeout=60 + 20 * len(counted))
        leftover = faultcheck.bare_dialog_leftover(log, BARE_DIALOGS)
        judged = {}
        for verdict in counted:
            again = second[verdict.point.number]
            repeated = faultcheck.judge(again, log, references[again.scenario.name], runs[again.number], leftover)
            if repeated is None or not repeated.alive:
                repeated = faultcheck.Verdict(again, alive=False, notes=["the host died on the repeat"])
            repeated.point, repeated.first_leak = verdict.point, verdict.leak
            judged[verdict.point.number] = repeated
        return [judged.get(v.point.number, v) for v in verdicts]

    def run(self) -> faultcheck.Summary:
        started = time.monotonic()
        references = self.count()
        points = self.points(references)
        self.say(f"fault sweep: {len(points)} points in {len(self.chosen)} scenarios")
        verdicts = self.run_points(points, references)
        verdicts = self.repeat_counted(verdicts, references, len(points))
        return faultcheck.Summary(list(references.values()), verdicts, time.monotonic() - started, self.host_starts)


def main(argv=None) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--full", action="store_true", help="both symbol sizes and more calls per import")
    parser.add_argument("--only", nargs="*", default=[], help="scenario names to run (default: all)")
    parser.add_argument("--points", nargs="*", default=[], help="NAME:K points to run (default: all)")
    parser.add_argument("--work", help="folder for the sweep's files (default: a temporary one)")
    args = parser.parse_args(argv)
    chosen = scenarios(SMALL_TEXT) + (scenarios(LARGE_TEXT) if args.full else [])
    if args.only:
        chosen = [s for s in chosen if s.name in args.only]
    with tempfile.TemporaryDirectory(prefix="qrl-faults-") as scratch:
        work = pathlib.Path(args.work or scratch)
        work.mkdir(parents=True, exist_ok=True)
        summary = Sweep(work, chosen, args.full, only_points=args.points).run()
    print(summary.table())
    print(summary.repeats())
    print(summary.details())
    return 0 if summary.all_passed() else 1


if __name__ == "__main__":
    sys.exit(main())

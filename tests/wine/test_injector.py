"""The test host's fault injector itself: the k-th call of the plugin's import fails once, with
that function's failure, and nothing else changes; the host's own calls are never touched; a
reloaded plugin is routed again; calls that pass go through exactly as they came."""
from __future__ import annotations

import re

import pytest

from hostlib import qpath

NOT_HANDLED = 'box "Error" "The file is too large or not handled"'


@pytest.fixture
def content(tmp_path):
    for name, text in (("a.qr", b"injector"), ("b.qr", b"injector, next file")):
        (tmp_path / name).write_bytes(text)
    return tmp_path / "a.qr", tmp_path / "b.qr"


def calls(log) -> dict[str, str]:
    return {m.group(1): m.group(2) for m in (re.fullmatch(r"calls (\S+) (.+)", line) for line in log) if m}


def test_the_kth_call_fails_once_and_only_the_plugins(host, content, tmp_path):
    a, _ = (qpath(p) for p in content)
    log = host([
        "inject count", f"open x {a} 400 300", "inject report", "close x",
        # Armed, then the host writes a file of its own: its calls are not the plugin's.
        f"open y {a} 400 300", "inject fail CreateFileW 1", f"image y {qpath(tmp_path / 'shown.bmp')}", "close y",
        f"open z {a} 400 300",  # the failure: the file can't be opened
        f"open w {a} 400 300",  # once only
        "inject fail ReadFile 2", f"open v {a} 400 300", "inject off",  # one read per open: never reached
        "inject fail free 1", "inject fail NoSuchFunction 1", "echo end",
    ], check=False)
    counted = calls(log)
    assert counted["CreateFileW"] == "1" and counted["ReadFile"] == "1"
    assert counted["free"].endswith(" never") and counted["memcpy"].endswith(" never")
    assert log.starting("image y ")[0].startswith("image y 210 210") and (tmp_path / "shown.bmp").exists()
    at = log.index("injected CreateFileW 1")
    assert log[at - 1].startswith("close y") and log[at + 1:at + 3] == [NOT_HANDLED, "open z none"]
    assert "open w ok" in log and "open v ok" in log and log.count("injected CreateFileW 1") == 1
    assert log[log.index("open v ok") + 1:log.index("open v ok") + 3] == ["unfired ReadFile 2", "inject off"]
    errors = log.starting("error ")
    assert len(errors) == 2 and "never failed" in errors[0] and "imports no NoSuchFunction" in errors[1]
    assert log.returncode == 1 and log[-1] == "echo end"


def test_a_close_reported_failed_still_closes(host, content):
    # CloseHandle fails after the handle is gone, as a close whose data could not be written:
    # the content file is free again, so a program that wants it alone gets it.
    a, _ = (qpath(p) for p in content)
    log = host(["inject fail CloseHandle 1", f"open x {a} 400 300", f"lock {a}", f"unlock {a}"])
    assert "injected CloseHandle 1" in log and "open x ok" in log
    assert "lock ok" in log


def test_a_reloaded_plugin_is_routed_again(host, content):
    a, b = (qpath(p) for p in content)
    log = host(["inject count", f"open x {a} 400 300", f"quickview x {b}", "inject report",
                "inject fail CreateFileW 1", f"quickview x {a}"])
    assert "reload ok" in log
    # One content file read before the reload, one after it: the new mapping's calls count too.
    assert calls(log)["CreateFileW"] == "2"
    assert log[-2:] == [NOT_HANDLED, "quickview x none"]


def test_a_chosen_error_is_answered_and_a_failed_call_traced(host, content):
    a, _ = (qpath(p) for p in content)
    log = host(["inject trace", f"open x {a} 400 300", "close x",
                "inject fail CreateFileW 1 32", f"open y {a} 400 300", "inject fail CreateFileW 1 0"], check=False)
    opens = log.starting("file CreateFileW ")
    assert len(opens) == 2 and opens[0].endswith(" f1 = ok") and opens[1].endswith(" = failed 32"), log
    assert "file CloseHandle f1 = ok" in log and log.index("file CloseHandle f1 = ok") < log.index("close x")
    assert "inject fail CreateFileW 1 32" in log and log.starting("open y") == ["open y none"]
    assert "K >= 1, ERROR not 0" in log.starting("error ")[0]


def test_a_failed_dialog_reports_why(host, content, tmp_path):
    a, _ = (qpath(p) for p in content)
    log = host([f"open x {a} 400 300", "inject fail GetSaveFileNameW 1",
                f"save x {qpath(tmp_path / 'never.png')}"])
    boxes = log.boxes()
    assert len(boxes) == 1 and boxes[0][0] == "Error" and "out of memory" in boxes[0][1]
    assert not (tmp_path / "never.png").exists()


def test_routed_calls_go_through_unchanged(host, content, tmp_path):
    # The same views, copies and saves with every import routed through its stub and counted:
    # the same log and the same bytes.
    a, b = (qpath(p) for p in content)

    def views(tag):
        return [f"open x {a} 400 150", "resize x 300 90", f"image x {qpath(tmp_path / (tag + '.bmp'))}",
                "command x 1", f"clipboard {qpath(tmp_path / (tag + '-clip.bmp'))}",
                f"save x {qpath(tmp_path / (tag + '.png'))}", f"quickview x {b}", "close x"]

    plain = host(views("unrouted"))
    # The file calls also through the trace's stand-ins, which take the arguments on the stack too.
    routed = host(["inject count", "inject trace"] + views("stubbed") + ["inject report"])
    assert routed.starting("file FlushFileBuffers ")
    assert [line.replace("stubbed", "unrouted") for line in routed
            if not line.startswith(("inject", "calls", "file "))] == plain
    for suffix in (".bmp", "-clip.bmp", ".png"):
        assert (tmp_path / f"stubbed{suffix}").read_bytes() == (tmp_path / f"unrouted{suffix}").read_bytes()

"""Wine tests: run with `bash scripts/wine.sh /usr/bin/python3 -m pytest tests/wine` after
`bash scripts/build.sh win64` and `win32` (the hosts and the plugins must be built).

A test that takes the argument `arch` runs once per build that ships: "x64" (the 64-bit plugin in
the 64-bit host) and "x86" (the 32-bit ones); its `host` runs that build. Where 32-bit programs
can't run, the x86 cases are skipped with the reason, which the run's summary repeats."""
import pytest

import hostlib


def pytest_configure(config):
    config.addinivalue_line("markers", "check: one pass over each thing a user does; make check runs these")


def pytest_generate_tests(metafunc):
    if "arch" in metafunc.fixturenames:
        metafunc.parametrize("arch", list(hostlib.ARCHES), scope="module")


def pytest_collection_modifyitems(config, items):
    for item in items:
        params = getattr(item, "callspec", None)
        arch = params.params.get("arch", "x64") if params else "x64"
        why = hostlib.ARCHES[arch].missing()
        if why:
            item.add_marker(pytest.mark.skip(reason=why))


@pytest.fixture
def host(tmp_path, request):
    """host(lines, **kw) -> HostLog: hostlib.run_host with this test's tmp_path (and arch)."""
    arch = request.getfixturevalue("arch") if "arch" in request.fixturenames else "x64"

    def run(lines, **kw):
        kw.setdefault("arch", arch)
        return hostlib.run_host(lines, tmp_path, **kw)
    return run

"""Wine tests: run with `bash scripts/wine.sh /usr/bin/python3 -m pytest tests/wine` after
`bash scripts/build.sh win64` (the host and the plugin must be built)."""
import pytest

import hostlib


def pytest_configure(config):
    config.addinivalue_line("markers", "check: one pass over each thing a user does; make check runs these")


def pytest_collection_modifyitems(config, items):
    missing = [p for p in (hostlib.HOST_EXE, hostlib.PLUGIN) if not p.exists()]
    if missing:
        reason = "not built (bash scripts/build.sh win64): " + ", ".join(str(p) for p in missing)
        for item in items:
            item.add_marker(pytest.mark.skip(reason=reason))


@pytest.fixture
def host(tmp_path):
    """host(lines, **kw) -> HostLog: hostlib.run_host with this test's tmp_path."""
    def run(lines, **kw):
        return hostlib.run_host(lines, tmp_path, **kw)
    return run

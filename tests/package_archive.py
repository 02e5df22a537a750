"""The distributed archive, for the package tests: dist/qrlister-<VERSION>.zip.

`make package` names the archive it wrote in QRL_PACKAGE_ZIP; in any other run it is made
first with `scripts/package.sh --no-setup --no-test` (builds win64 and win32, then zips).
"""
from __future__ import annotations

import os
import pathlib
import subprocess
import zipfile

REPO = pathlib.Path(__file__).resolve().parents[1]
VERSION = (REPO / "VERSION").read_text().splitlines()[0].strip()


def archive_path() -> pathlib.Path:
    """The archive to test, made now unless `make package` named one."""
    given = os.environ.get("QRL_PACKAGE_ZIP")
    if given:
        return pathlib.Path(given)
    subprocess.run(["bash", str(REPO / "scripts" / "package.sh"), "--no-setup", "--no-test"],
                   check=True, stdout=subprocess.DEVNULL)
    return REPO / "dist" / f"qrlister-{VERSION}.zip"


def extract(zip_path: pathlib.Path, directory: pathlib.Path) -> pathlib.Path:
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(directory)
    return directory

"""Fixtures of the tavlen package's tests: a registry of their own with the control and the sample
module registered, controls and generated pictures. ctest sets the environment (tests/python/CMakeLists.txt)."""

import os
import pathlib
import shutil
import struct
import subprocess
import tempfile
import zlib

import pytest


def _required(name):
    value = os.environ.get(name)
    if not value:
        pytest.exit(f"{name} is not set: run these tests through ctest (ctest -R python.tavlen)", returncode=2)
    return value


def pytest_configure(config):
    """A registry file of the run's own, holding the control and the runtime's sample class; made before
    the tests are collected."""
    folder = tempfile.mkdtemp(prefix="tavlen-registry-")
    config.add_cleanup(lambda: shutil.rmtree(folder, ignore_errors=True))
    path = pathlib.Path(folder) / "registry"
    os.environ["TAVLEN_REGISTRY"] = str(path)
    cli = _required("TAVLEN_CLI")
    for module in (_required("TAVLEN_CONTROL_MODULE"), _required("TAVLEN_SAMPLE_MODULE")):
        subprocess.run([cli, "regsvr", module], check=True, capture_output=True)


@pytest.fixture(scope="session")
def registry():
    """The registry file of the run."""
    return pathlib.Path(os.environ["TAVLEN_REGISTRY"])


@pytest.fixture
def control():
    import tavlen

    with tavlen.Dispatch("TAVLEN.TavlenCtrl.1", 300, 200) as created:
        yield created


@pytest.fixture
def sample():
    import tavlen

    with tavlen.Dispatch("Tavlen.Sample.1") as created:
        yield created


def write_png(path, width, height, pixel):
    """An 8-bit RGB PNG whose pixel (x, y) is pixel(x, y) -> (r, g, b)."""
    rows = b"".join(b"\0" + bytes(c for x in range(width) for c in pixel(x, y)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) +
                     chunk(b"IEND", b""))
    return path


def quadrants(x, y, width=200, height=150):
    """Red, green, blue and white quarters."""
    left, top = x < width // 2, y < height // 2
    return (255, 0, 0) if left and top else (0, 255, 0) if top else (0, 0, 255) if left else (255, 255, 255)


@pytest.fixture
def picture(tmp_path):
    """A 200 x 150 PNG of four coloured quarters."""
    return write_png(tmp_path / "quadrants.png", 200, 150, quadrants)

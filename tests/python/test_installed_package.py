"""The package as a user installs it: a fresh venv of Debian's python3, `pip install --no-build-isolation .`
offline, then `import tavlen` from outside the source tree with no TAVLEN_REGISTRY and no regsvr step."""

import os
import pathlib
import subprocess

import pytest

from conftest import write_png

ROOT = pathlib.Path(__file__).resolve().parents[2]


@pytest.fixture(scope="module")
def venv(tmp_path_factory):
    folder = tmp_path_factory.mktemp("venv")
    subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", str(folder)], check=True)
    environment = {key: value for key, value in os.environ.items() if key not in ("TAVLEN_REGISTRY", "PYTHONPATH")}
    # The build flags of the tree under test (from ctest), so that ccache serves most of the compiling.
    environment["TAVLEN_CMAKE_ARGS"] = os.environ.get("TAVLEN_CMAKE_ARGS", "")
    install = subprocess.run([str(folder / "bin" / "pip"), "install", "--no-build-isolation", "--no-index",
                              "--no-deps", str(ROOT)], capture_output=True, text=True, env=environment,
                             cwd=folder, timeout=900)
    assert install.returncode == 0, install.stdout[-3000:] + install.stderr[-3000:]
    return folder, environment


def run_python(venv, code, cwd):
    folder, environment = venv
    return subprocess.run([str(folder / "bin" / "python"), "-c", code], capture_output=True, text=True,
                          env=environment, cwd=cwd, timeout=120)


def test_import_registers_the_packaged_module_in_the_environment(venv, tmp_path):
    source = write_png(tmp_path / "in.png", 30, 20, lambda x, y: (200, 100, 50))
    code = (
        "import os, tavlen\n"
        "c = tavlen.Dispatch('TAVLEN.TavlenCtrl.1', 64, 64)\n"
        f"assert c.ConvertToJpg({str(source)!r}, 'converted')\n"
        "print(os.environ['TAVLEN_REGISTRY'])\n"
        "print(tavlen.__file__)\n"
    )
    result = run_python(venv, code, tmp_path)
    assert result.returncode == 0, result.stderr
    registry, package = result.stdout.split()
    assert pathlib.Path(package).is_relative_to(venv[0]) and pathlib.Path(registry).is_relative_to(venv[0])
    assert (tmp_path / "converted.jpg").read_bytes()[:2] == b"\xff\xd8"
    assert "Tavlen.ocx" in pathlib.Path(registry).read_text()
    # A second process finds the registration done.
    again = run_python(venv, "import tavlen; tavlen.Dispatch('TAVLEN.TavlenCtrl.1', 64, 64)", tmp_path)
    assert again.returncode == 0, again.stderr


def test_a_picture_converted_with_the_pythonic_layer(venv, tmp_path):
    source = write_png(tmp_path / "in.png", 30, 20, lambda x, y: (200, 100, 50))
    result = run_python(venv, f"import tavlen; tavlen.open({str(source)!r}).gray().save('gray.png')", tmp_path)
    assert result.returncode == 0, result.stderr
    assert (tmp_path / "gray.png").read_bytes()[:4] == b"\x89PNG"

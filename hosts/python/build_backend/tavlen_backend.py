"""The package's build backend (PEP 517): configures and builds the control module and the native part
with CMake for the interpreter running this code, then writes a wheel of hosts/python/tavlen with both.

The build tree is build-python<X.Y> at the project root and is kept, so a second install only relinks
what changed; ccache is used when it is installed. TAVLEN_CMAKE_ARGS adds CMake arguments (split like a
shell would), for example the compiler flags of another build tree whose ccache entries should serve.
"""

import base64
import hashlib
import os
import shlex
import shutil
import subprocess
import sys
import sysconfig
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
NAME = "tavlen"
VERSION = "0.1.0"
# What `import tavlen` needs: the native part and the control module; no tests, benchmarks or Qt.
TARGETS = ["tavlen_python", "Tavlen"]


def _tag():
    version = f"{sys.version_info.major}{sys.version_info.minor}"
    platform = sysconfig.get_platform().replace("-", "_").replace(".", "_")
    return f"cp{version}", f"cp{version}{sys.abiflags}", platform


def _build():
    build = os.path.join(ROOT, f"build-python{sys.version_info.major}.{sys.version_info.minor}")
    configure = ["cmake", "-S", ROOT, "-B", build, f"-DTAVLEN_PYTHON={sys.executable}", "-DTAVLEN_TESTS=OFF",
                 "-DTAVLEN_BENCH=OFF", "-DTAVLEN_QT=OFF"]
    if shutil.which("ninja"):
        configure += ["-G", "Ninja"]
    if shutil.which("ccache"):
        configure += ["-DCMAKE_C_COMPILER_LAUNCHER=ccache", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"]
    extra = shlex.split(os.environ.get("TAVLEN_CMAKE_ARGS", ""))
    if not any(argument.startswith("-DCMAKE_BUILD_TYPE=") for argument in extra):
        configure.append("-DCMAKE_BUILD_TYPE=Release")
    if os.path.isfile(os.path.join(build, "CMakeCache.txt")) and not any(a == "-G" for a in extra):
        configure = [a for a in configure if a not in ("-G", "Ninja")]  # the generator of a tree stays
    # ccache's entries serve any build tree at the same depth below the root (build/, build-python3.11/).
    environment = dict(os.environ)
    environment.setdefault("CCACHE_BASEDIR", ROOT)
    environment.setdefault("CCACHE_NOHASHDIR", "1")
    subprocess.run(configure + extra, check=True, stdout=sys.stderr, env=environment)
    subprocess.run(["cmake", "--build", build, "--target", *TARGETS, "-j", str(os.cpu_count() or 1)], check=True,
                   stdout=sys.stderr, env=environment)
    return build


def _files(build):
    """(path in the wheel, file on disk) for every file of the package."""
    package = os.path.join(build, "hosts", "python", NAME)
    files = [(f"{NAME}/{name}", os.path.join(package, name)) for name in sorted(os.listdir(package))
             if os.path.isfile(os.path.join(package, name)) and not name.endswith(".pyc")]
    files.append((f"{NAME}/Tavlen.ocx", os.path.join(build, "control", "Tavlen.ocx")))
    return files


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def _metadata():
    return (f"Metadata-Version: 2.1\nName: {NAME}\nVersion: {VERSION}\nRequires-Python: >=3.9\n"
            "Summary: The Tavlen picture control from Python\n"
            "Provides-Extra: numpy\nRequires-Dist: numpy; extra == \"numpy\"\n"
            "Provides-Extra: batch\nRequires-Dist: distributed; extra == \"batch\"\n"
            "Requires-Dist: tqdm; extra == \"batch\"\n")


def get_requires_for_build_wheel(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    info = f"{NAME}-{VERSION}.dist-info"
    os.makedirs(os.path.join(metadata_directory, info), exist_ok=True)
    with open(os.path.join(metadata_directory, info, "METADATA"), "w", encoding="utf-8") as file:
        file.write(_metadata())
    return info


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    build = _build()
    python, abi, platform = _tag()
    wheel_name = f"{NAME}-{VERSION}-{python}-{abi}-{platform}.whl"
    info = f"{NAME}-{VERSION}.dist-info"
    wheel_text = f"Wheel-Version: 1.0\nGenerator: tavlen_backend\nRoot-Is-Purelib: false\nTag: {python}-{abi}-{platform}\n"
    records = []
    path = os.path.join(wheel_directory, wheel_name)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, source in _files(build):
            with open(source, "rb") as file:
                data = file.read()
            info_entry = zipfile.ZipInfo(name, date_time=(2020, 1, 1, 0, 0, 0))
            info_entry.external_attr = (os.stat(source).st_mode & 0o777 | 0o100000) << 16
            info_entry.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(info_entry, data)
            records.append(_record_line(name, data))
        for name, text in ((f"{info}/METADATA", _metadata()), (f"{info}/WHEEL", wheel_text)):
            wheel.writestr(name, text)
            records.append(_record_line(name, text.encode()))
        records.append(f"{info}/RECORD,,")
        wheel.writestr(f"{info}/RECORD", "\n".join(records) + "\n")
    return wheel_name

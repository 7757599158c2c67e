"""Decode limits from Python: a refused file answers as always, with a RefusalWarning naming the limit,
which the warning filters can make an exception. The limits are read once a process, so each case runs
in a python of its own."""

import os
import subprocess
import sys

SCRIPT = """
import sys, warnings, tavlen
warnings.simplefilter("error", tavlen.RefusalWarning)
with tavlen.Dispatch("TAVLEN.TavlenCtrl.1", 100, 100) as control:
    try:
        control.LoadImage(sys.argv[1])
    except tavlen.RefusalWarning as refusal:
        print("refused:", refusal)
    print("width", control.GetWidth())
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        print("converted", control.ConvertToPng(sys.argv[1], sys.argv[2]), len(caught))
"""


def run(picture, tmp_path, **environment):
    env = dict(os.environ, **environment)
    result = subprocess.run([sys.executable, "-c", SCRIPT, str(picture), str(tmp_path / "out")], env=env,
                            capture_output=True, text=True, timeout=120)
    assert result.returncode == 0, result.stderr
    return result.stdout


def test_a_refused_file_names_the_limit(picture, tmp_path):
    out = run(picture, tmp_path, TAVLEN_MAX_SIDE="150")
    assert "refused: LoadImage: refused by the decode limit Side: the picture needs a side longer " \
           "than 150; raise it with TAVLEN_MAX_SIDE" in out
    assert "width 0" in out
    assert "converted False 1" in out


def test_a_file_within_the_limits_loads_without_a_warning(picture, tmp_path):
    out = run(picture, tmp_path, TAVLEN_MAX_PIXELS="1MP")
    assert "refused" not in out
    assert "width 200" in out
    assert "converted True 0" in out

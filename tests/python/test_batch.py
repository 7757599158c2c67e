"""tavlen.batch on a LocalCluster of two worker processes on 127.0.0.1: twenty files with damaged ones
among them, a worker killed in the middle, and a re-run that has nothing left to do."""

import os
import pathlib
import subprocess
import sys

import pytest

from conftest import write_png

distributed = pytest.importorskip("distributed")
numpy = pytest.importorskip("numpy")

GOOD = 17


def make_sources(folder):
    """Seventeen small PNGs of different colours and sizes, then three damaged files."""
    folder.mkdir()
    for i in range(GOOD):
        write_png(folder / f"p{i:02}.png", 20 + i, 10 + i, lambda x, y, i=i: (i * 15, x * 5 % 256, y * 7 % 256))
    (folder / "truncated.png").write_bytes((folder / "p00.png").read_bytes()[:60])
    (folder / "text.jpg").write_text("not a picture")
    (folder / "empty.bmp").write_bytes(b"")
    return sorted(folder.iterdir())


def run_command(*args):
    environment = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    return subprocess.run([sys.executable, "-m", "tavlen.batch", *map(str, args), "--no-progress"],
                          capture_output=True, text=True, env=environment, timeout=120)


def test_command_converts_reports_failures_and_skips_on_a_rerun(tmp_path):
    sources = make_sources(tmp_path / "in")
    out = tmp_path / "out"
    first = run_command(tmp_path / "in", "--to", out, "--format", "png", "--gray", "--resize", "16x", "--workers", 2)
    assert first.returncode == 1, first.stdout + first.stderr
    assert f"20 files: {GOOD} written, 0 skipped, 3 failed" in first.stdout
    for name in ("truncated.png", "text.jpg", "empty.bmp"):
        assert f"failed: {tmp_path / 'in' / name}: " in first.stdout
    # Only whole outputs of the good files: no partial file and no temporary left behind.
    assert sorted(os.listdir(out)) == sorted(f"p{i:02}.png" for i in range(GOOD))
    import tavlen

    with tavlen.open(out / "p05.png") as converted:
        pixels = converted.to_numpy()
    assert converted_size(out / "p05.png") == (16, round(15 * 16 / 25))
    assert (pixels[..., 0] == pixels[..., 1]).all() and (pixels[..., 1] == pixels[..., 2]).all()
    assert len(sources) == 20

    again = run_command(tmp_path / "in", "--to", out, "--format", "png", "--gray", "--workers", 2)
    assert again.returncode == 1
    assert f"20 files: 0 written, {GOOD} skipped, 3 failed" in again.stdout


def converted_size(path):
    import tavlen

    with tavlen.open(path) as converted:
        return converted.size


def test_command_usage_errors():
    bad = run_command("x.png", "--to", "out", "--resize", "wide")
    assert bad.returncode == 2 and "WxH" in bad.stderr


def test_files_shared_out_several_to_a_task_each_get_their_own_result(tmp_path):
    import tavlen.batch

    folder = tmp_path / "in"
    sources = []
    for copy, source in enumerate(make_sources(tmp_path / "one") * 3):
        folder.mkdir(exist_ok=True)
        sources.append(folder / f"{copy:02}-{source.name}")
        sources[-1].write_bytes(source.read_bytes())
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        # 60 files on 2 workers: tasks of 4 files, then of fewer.
        results = tavlen.batch.run(lambda picture: picture.mirror(), sources, tmp_path / "out", client=client,
                                   progress=False)
    assert [result.source for result in results] == [str(source) for source in sources]
    assert [result.output for result in results] == [
        tavlen.batch.output_path(str(source), str(tmp_path / "out"), "png") for source in sources]
    damaged = ("truncated.png", "text.jpg", "empty.bmp")
    for source, result in zip(sources, results):
        assert result.status == ("failed" if source.name.endswith(damaged) else "written"), result
    assert len(os.listdir(tmp_path / "out")) == 3 * GOOD


@pytest.mark.parametrize("files, workers", [(200, 2), (200, 1), (60, 2), (7, 2), (1, 8)])
def test_tasks_take_every_file_once_in_order_and_end_with_single_files(files, workers):
    import tavlen.batch

    chunks = tavlen.batch._chunks(list(range(files)), workers)
    assert [index for chunk in chunks for index in chunk] == list(range(files))
    assert all(1 <= len(chunk) <= 4 for chunk in chunks)
    # Never larger than the one before, so that the last ones are short, and the workers finish together.
    assert all(len(later) <= len(earlier) for earlier, later in zip(chunks, chunks[1:]))
    assert all(len(chunk) == 1 for chunk in chunks[-min(files, 2 * workers):])
    if files >= 16 * workers:
        assert len(chunks[0]) == 4


class KillOnce:
    """Kills the worker process that first gets `victim`, as an out-of-memory killer would."""

    def __init__(self, victim, marker):
        self.victim, self.marker = victim, marker

    def __call__(self, picture):
        if picture.width == self.victim and not os.path.exists(self.marker):
            pathlib.Path(self.marker).touch()
            os._exit(9)
        picture.mirror()


def test_a_killed_worker_s_files_are_done_elsewhere(tmp_path):
    import tavlen.batch

    sources = make_sources(tmp_path / "in")
    marker = tmp_path / "killed"
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        results = tavlen.batch.run(KillOnce(20 + 8, str(marker)), sources, tmp_path / "out", client=client,
                                   progress=False)
    assert marker.exists()
    assert [result.source for result in results] == [str(source) for source in sources]
    # Files the killed worker had finished come again and find their outputs done: skipped, not failed.
    statuses = [result.status for result in results]
    assert statuses.count("failed") == 3 and statuses.count("written") + statuses.count("skipped") == GOOD
    assert statuses.count("written") >= GOOD // 2
    failed = {pathlib.Path(result.source).name: result.reason for result in results if result.status == "failed"}
    assert set(failed) == {"truncated.png", "text.jpg", "empty.bmp"} and all(failed.values())
    assert sorted(os.listdir(tmp_path / "out")) == sorted(f"p{i:02}.png" for i in range(GOOD))


class ThreadsSettingIs:
    """Fails a file whose worker does not see the expected TAVLEN_THREADS."""

    def __init__(self, expected):
        self.expected = expected

    def __call__(self, picture):
        seen = os.environ.get("TAVLEN_THREADS")
        if seen != self.expected:
            raise RuntimeError(f"TAVLEN_THREADS is {seen!r}, not {self.expected!r}")


@pytest.mark.parametrize("workers, caller_setting, expected",
                         [(os.cpu_count(), None, "1"), (os.cpu_count(), "2", "2"),
                          pytest.param(1, None, None, marks=pytest.mark.skipif(
                              (os.cpu_count() or 1) < 2, reason="needs two cores for one worker"))])
def test_controls_keep_to_one_thread_unless_there_are_two_cores_a_worker(tmp_path, monkeypatch, workers,
                                                                         caller_setting, expected):
    import tavlen.batch

    if caller_setting is None:
        monkeypatch.delenv("TAVLEN_THREADS", raising=False)
    else:
        monkeypatch.setenv("TAVLEN_THREADS", caller_setting)
    sources = [source for source in make_sources(tmp_path / "in") if source.name.startswith("p")][:4]
    results = tavlen.batch.run(ThreadsSettingIs(expected), sources, tmp_path / "out", workers=workers,
                               progress=False)
    assert [(result.status, result.reason) for result in results] == [("written", "")] * 4


START_AND_RUN = """
import sys
import tavlen, tavlen.batch
if sys.argv[1] == "with a control":
    held = tavlen.open(sys.argv[2])
print(tavlen.batch.worker_start_method())
results = tavlen.batch.run(tavlen.batch.Convert(gray=True, size=(8, None)), sys.argv[2:], sys.argv[1] + " out",
                           workers=1, progress=False)
print(" ".join(result.status for result in results))
"""


@pytest.mark.parametrize("process, method", [("without a control", "fork"), ("with a control", "spawn")])
def test_workers_are_forked_only_from_a_process_without_a_control(tmp_path, process, method):
    # A forked worker would inherit the control's GLib state without its threads; spawned ones start clean.
    sources = [source for source in make_sources(tmp_path / "in") if source.name.startswith("p")][:3]
    environment = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    done = subprocess.run([sys.executable, "-c", START_AND_RUN, process, *map(str, sources)], cwd=tmp_path,
                          capture_output=True, text=True, env=environment, timeout=120)
    assert done.returncode == 0, done.stderr
    assert done.stdout.split("\n")[:2] == [method, "written written written"]
    assert converted_size(tmp_path / f"{process} out" / "p01.png") == (8, round(11 * 8 / 21))

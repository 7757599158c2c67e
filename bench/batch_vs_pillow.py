#!/usr/bin/env python3
"""The batch command beside Pillow on the same job, in one run: 200 pictures made from the shared JPEGs,
each turned gray, resized to 1500 pixels wide and written as PNG; with 1 and 2 workers against a
concurrent.futures.ProcessPoolExecutor of 1 and 2 processes. Then Dask's own cost per file: an empty
task mapped over many items on a LocalCluster of 2 processes.

Usage: bench/batch_vs_pillow.py [JPEG_FOLDER]   (default ../shared/testdata/jpeg)
Needs the tavlen package importable by /usr/bin/python3 (a venv install, or PYTHONPATH and a
registered control) and Pillow (python3-pil). Times are wall clock of the whole command, cluster start
included, medians of ROUNDS interleaved rounds; higher files/s is better. Then the same batch on a
LocalCluster that is already up: the work alone, without the command's fixed start.

A worker is one core on both sides: Pillow's processes work on one thread each, so the control in each
worker is held to one too (TAVLEN_THREADS=1). The "tavlen, default" row leaves the control the second
thread the batch command gives a lone worker on this machine, for comparison.
"""

import concurrent.futures
import os
import statistics
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COUNT = 200
WIDTH = 1500
ROUNDS = 5


def make_sources(folder, scratch):
    """COUNT copies of the JPEGs Pillow can decode, under distinct names."""
    from PIL import Image

    usable = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        try:
            with Image.open(path) as picture:
                picture.load()
            usable.append(path)
        except Exception:  # noqa: BLE001 (damaged samples are left out for both sides)
            pass
    sources = os.path.join(scratch, "sources")
    os.makedirs(sources)
    for i in range(COUNT):
        shutil.copy(usable[i % len(usable)], os.path.join(sources, f"p{i:03}.jpg"))
    return sources, len(usable)


def pillow_one(args):
    from PIL import Image, ImageOps

    source, output = args
    with Image.open(source) as picture:
        gray = ImageOps.grayscale(picture)
        height = max(1, round(gray.height * WIDTH / gray.width))
        gray.resize((WIDTH, height)).save(output)


def pillow(sources, out, workers):
    names = sorted(os.listdir(sources))
    jobs = [(os.path.join(sources, n), os.path.join(out, os.path.splitext(n)[0] + ".png")) for n in names]
    with concurrent.futures.ProcessPoolExecutor(workers) as pool:
        list(pool.map(pillow_one, jobs, chunksize=4))


def tavlen_batch(environment):
    def run(sources, out, workers):
        subprocess.run([sys.executable, "-m", "tavlen.batch", sources, "--to", out, "--format", "png", "--gray",
                        "--resize", f"{WIDTH}x", "--workers", str(workers), "--no-progress"], check=True,
                       stdout=subprocess.DEVNULL, env={**os.environ, **environment})
    return run


RUNS = {"tavlen": tavlen_batch({"TAVLEN_THREADS": "1"}), "tavlen, default": tavlen_batch({}), "Pillow": pillow}


def timed(run, sources, scratch, workers):
    out = tempfile.mkdtemp(dir=scratch)
    start = time.perf_counter()
    run(sources, out, workers)
    seconds = time.perf_counter() - start
    assert len(os.listdir(out)) == COUNT, f"{len(os.listdir(out))} of {COUNT} written"
    shutil.rmtree(out)
    return COUNT / seconds


def on_a_running_cluster(sources, scratch, workers):
    """Files per second of tavlen.batch.run on a LocalCluster that is up and has converted a few files:
    the batch work without the command's start (importing Dask, starting the cluster), as a run with
    --scheduler on a standing cluster sees it."""
    import distributed
    import tavlen.batch

    job = tavlen.batch.Convert(gray=True, size=(WIDTH, None))
    names = sorted(os.listdir(sources))
    paths = [os.path.join(sources, name) for name in names]
    with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None, env={"TAVLEN_THREADS": "1"}) as cluster, \
            distributed.Client(cluster) as client:
        tavlen.batch.run(job, paths[:4 * workers], tempfile.mkdtemp(dir=scratch), client=client, progress=False)
        out = tempfile.mkdtemp(dir=scratch)
        start = time.perf_counter()
        results = tavlen.batch.run(job, paths, out, client=client, progress=False)
        seconds = time.perf_counter() - start
    assert all(result.status == "written" for result in results), "a file failed"
    shutil.rmtree(out)
    return COUNT / seconds


def nothing(item):
    return item


def dask_overhead(items=2000):
    import distributed

    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        client.gather(client.map(nothing, range(100), pure=False))  # warm
        start = time.perf_counter()
        client.gather(client.map(nothing, range(items), pure=False))
        return (time.perf_counter() - start) / items * 1000


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "..", "shared", "testdata", "jpeg")
    with tempfile.TemporaryDirectory() as scratch:
        sources, usable = make_sources(folder, scratch)
        print(f"{COUNT} pictures from {usable} JPEGs of {folder}; gray, {WIDTH} wide, PNG")
        samples = {}
        for _ in range(ROUNDS):
            for workers in (1, 2):
                for name, run in RUNS.items():
                    samples.setdefault((name, workers), []).append(timed(run, sources, scratch, workers))
        running = {}
        for _ in range(ROUNDS):
            for workers in (1, 2):
                running.setdefault(workers, []).append(on_a_running_cluster(sources, scratch, workers))
    rates = {key: statistics.median(values) for key, values in samples.items()}
    print(f"{'':17}{'1 worker':>14}{'2 workers':>14}{'2 / 1':>8}")
    for name in RUNS:
        one, two = rates[name, 1], rates[name, 2]
        print(f"{name:17}{one:>10.1f} f/s{two:>10.1f} f/s{two / one:>8.2f}")
    print(f"{'ratio':17}{rates['tavlen', 1] / rates['Pillow', 1]:>14.2f}{rates['tavlen', 2] / rates['Pillow', 2]:>14.2f}"
          "   (tavlen / Pillow, files per second)")
    one, two = (statistics.median(running[w]) for w in (1, 2))
    print(f"{'on a running cluster':17}{one:>10.1f} f/s{two:>10.1f} f/s{two / one:>8.2f}   (tavlen, without the start)")
    print(f"Dask overhead: {dask_overhead():.2f} ms per file (empty task, LocalCluster of 2 processes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())

"""Batch work over many pictures on a Dask cluster: on this machine's cores, or on any cluster by its
scheduler's address. A job is a plain function that edits a Picture in place:

    import tavlen.batch
    results = tavlen.batch.run(lambda picture: picture.gray(), ["a.jpg", "b.png"], "out")

or from the command line:

    python3 -m tavlen.batch SRC... --to DIR --format png [--gray] [--resize WxH] [--scheduler tcp://HOST:PORT]
                            [--workers N] [--no-progress]

Every source gets a Result: written, skipped (its output is already newer than it) or failed with the
reason. Outputs are written through a temporary name and renamed, so a killed worker leaves none half
written; Dask runs a killed worker's files again elsewhere. Each worker process keeps one control and
reuses it for every file it gets.
"""

import argparse
import dataclasses
import functools
import os
import sys
import threading
import time

from . import picture as _picture

__all__ = ["Result", "run", "output_path", "Convert", "main", "worker_start_method"]


@dataclasses.dataclass(frozen=True)
class Result:
    source: str
    output: str
    status: str  # "written", "skipped" or "failed"
    reason: str = ""


_worker = threading.local()  # Dask runs one worker's tasks on its own threads; a control belongs to one


def _worker_control():
    control = getattr(_worker, "control", None)
    if control is None:
        control = _worker.control = _picture._Control()
    return control


def process(job, format, source, output):
    """Runs `job` on one source and saves the result to `output`; a Result, never an exception."""
    try:
        if os.path.exists(output) and os.path.getmtime(output) >= os.path.getmtime(source):
            return Result(source, output, "skipped", "the output is newer than the source")
        with _picture.Picture._load(_worker_control(), source, owned=False) as loaded:
            job(loaded)
            loaded.save(output, format=format)
    except Exception as error:  # noqa: BLE001 (a job's failure is that file's result, whatever it is)
        return Result(source, output, "failed", _reason(error))
    return Result(source, output, "written")


def process_chunk(job, format, pairs):
    """process() for each (source, output) pair of one task."""
    return [process(job, format, source, output) for source, output in pairs]


def _chunks(indices, workers):
    """Splits the indices into tasks: up to 4 files a task while more than 4 tasks a worker are left, so
    that Dask's cost per task (a few milliseconds of the cores the workers use) is shared, and then
    shrinking to one file, so that the workers run out of work within a file of each other."""
    chunks = []
    start = 0
    while start < len(indices):
        size = max(1, min(4, (len(indices) - start) // (4 * max(1, workers))))
        chunks.append(indices[start:start + size])
        start += size
    return chunks


def _reason(error):
    if isinstance(error, OSError) and error.strerror:
        return error.strerror
    return f"{type(error).__name__}: {error}"


def output_path(source, dest, format):
    """Where a source's output goes: `dest` / the source's name with the format's suffix."""
    stem = os.path.splitext(os.path.basename(source))[0]
    return os.path.join(dest, stem + _picture.FORMATS[format][0])


def run(job, sources, dest, client=None, workers=None, progress=True, format="png"):
    """Runs job(picture) on every source and saves each into the folder `dest` in `format` ("png",
    "jpeg", "tiff", "bmp" or "gif"). Without `client`, a LocalCluster of `workers` processes (default:
    one per core) on 127.0.0.1 runs it and is closed afterwards. Returns the Results in the order of
    `sources`."""
    import distributed  # only batch runs need Dask

    format = _picture._format_of("", format)
    os.makedirs(dest, exist_ok=True)
    sources = [os.fsdecode(os.fspath(source)) for source in sources]
    outputs = [output_path(source, dest, format) for source in sources]
    results = [None] * len(sources)
    seen = {}
    for index, output in enumerate(outputs):
        if output in seen:
            results[index] = Result(sources[index], output, "failed",
                                    f"{sources[seen[output]]} has the same output name")
        seen.setdefault(output, index)
    cluster = None
    if client is None:
        import dask

        workers = workers or os.cpu_count() or 1
        # Only the workers started here: ones Dask starts again after a crash are spawned as usual.
        with dask.config.set({"distributed.worker.multiprocessing-method": worker_start_method()}):
            cluster = distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                               host="127.0.0.1", dashboard_address=None,
                                               env=_worker_environment(workers))
        client = distributed.Client(cluster)
    try:
        pending = [index for index in range(len(sources)) if results[index] is None]
        chunks = _chunks(pending, len(client.scheduler_info().get("workers", ())))
        futures = client.map(functools.partial(process_chunk, job, format),
                             [[(sources[i], outputs[i]) for i in chunk] for chunk in chunks], pure=False)
        chunk_of = {future.key: chunk for future, chunk in zip(futures, chunks)}
        bar = _progress_bar(len(pending)) if progress else None
        for future in distributed.as_completed(futures):
            chunk = chunk_of[future.key]
            for index, result in zip(chunk, future.result()):
                results[index] = result
            if bar is not None:
                bar.update(len(chunk))
        if bar is not None:
            bar.close()
    finally:
        if cluster is not None:
            client.close()
            cluster.close()
    return results


def _worker_environment(workers):
    """The environment of this machine's worker processes. A control takes a second thread for large
    pictures; unless there are two cores for every worker, each control keeps to one (TAVLEN_THREADS=1),
    as that thread would only contend for the cores the other workers fill. A TAVLEN_THREADS of the
    caller's own is kept."""
    if "TAVLEN_THREADS" in os.environ or 2 * workers <= (os.cpu_count() or 1):
        return {}
    return {"TAVLEN_THREADS": "1"}


def worker_start_method():
    """How a LocalCluster of this process starts its workers: "fork" (a fraction of a second) unless
    this process has loaded a control, else Dask's "spawn" (a fresh interpreter importing Dask: seconds,
    as long as a small batch takes). A control's GLib and Pango state and threads do not survive a fork."""
    try:
        with open("/proc/self/maps") as maps:
            loaded = any(line.rstrip().endswith(".ocx") for line in maps)
    except OSError:
        loaded = True
    return "spawn" if loaded else "fork"


def _progress_bar(total):
    try:
        import tqdm
    except ImportError:
        return None
    return tqdm.tqdm(total=total, unit="file", file=sys.stderr, dynamic_ncols=True)


def _size(text):
    """ "WxH", "Wx" or "xH" to (width or None, height or None)."""
    width, sep, height = text.lower().partition("x")
    try:
        size = (int(width) if width else None, int(height) if height else None)
    except ValueError:
        size = None
    if not sep or size is None or size == (None, None) or any(side is not None and side < 1 for side in size):
        raise argparse.ArgumentTypeError(f"expected WxH, Wx or xH in pixels, not {text!r}")
    return size


class Convert:
    """The command's job: gray, then resized to (width, height); a missing side keeps the proportions."""

    def __init__(self, gray=False, size=None):
        self.gray = gray
        self.size = size

    def __call__(self, picture):
        if self.gray:
            picture.gray()
        if self.size:
            width, height = self.size
            if width is None:
                width = max(1, round(picture.width * height / picture.height))
            elif height is None:
                height = max(1, round(picture.height * width / picture.width))
            picture.resize((width, height))


def _sources(arguments):
    found = []
    for argument in arguments:
        if os.path.isdir(argument):
            found += sorted(os.path.join(argument, name) for name in os.listdir(argument)
                            if os.path.splitext(name)[1].lower() in _picture._READABLE_SUFFIXES)
        else:
            found.append(argument)
    return found


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m tavlen.batch",
                                     description="Converts pictures on a Dask cluster (this machine's cores "
                                                 "unless --scheduler names one).")
    parser.add_argument("sources", nargs="+", metavar="SRC", help="picture files, or folders of them")
    parser.add_argument("--to", required=True, metavar="DIR", help="the folder for the outputs")
    parser.add_argument("--format", default="png", choices=sorted(_picture.FORMATS) + ["jpg", "tif"])
    parser.add_argument("--gray", action="store_true", help="convert to shades of gray")
    parser.add_argument("--resize", type=_size, metavar="WxH", help="scale to WxH; Wx or xH keep the proportions")
    parser.add_argument("--scheduler", metavar="tcp://HOST:PORT", help="run on this Dask cluster")
    parser.add_argument("--workers", type=int, metavar="N", help="worker processes here (default: one per core)")
    parser.add_argument("--no-progress", action="store_true", help="no progress bar")
    args = parser.parse_args(argv)
    sources = _sources(args.sources)
    started = time.perf_counter()
    client = None
    if args.scheduler:
        import distributed

        client = distributed.Client(args.scheduler)
    try:
        results = run(Convert(args.gray, args.resize), sources, args.to, client=client, workers=args.workers,
                      progress=not args.no_progress, format=args.format)
    finally:
        if client is not None:
            client.close()
    seconds = time.perf_counter() - started
    counts = {status: sum(result.status == status for result in results) for status in ("written", "skipped", "failed")}
    for result in results:
        if result.status == "failed":
            print(f"failed: {result.source}: {result.reason}")
    rate = len(results) / seconds if seconds > 0 else 0.0
    print(f"{len(results)} files: {counts['written']} written, {counts['skipped']} skipped, {counts['failed']} failed "
          f"in {seconds:.1f} s ({rate:.1f} files/s)")
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    # Run as `python3 -m tavlen.batch`: the functions the workers get must come from tavlen.batch, not
    # from __main__.
    from tavlen import batch

    sys.exit(batch.main())

#!/usr/bin/env python3
"""Times examples/gray_pictures.py's work beside Pillow doing the same on the same files, in one run.

Usage: PYTHONPATH=build/hosts/python bench/gray_pictures_vs_pillow.py [FOLDER]
FOLDER defaults to ../shared/testdata/jpeg. The control must be registered (scripts/demo, or
`tavlen regsvr`). Prints both times (best of 5) and their ratio; below 1 means the control is faster.
"""

import os
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "examples"))

import gray_pictures  # noqa: E402  (the example itself, so that the same work is timed)
import tavlen  # noqa: E402
from PIL import Image, ImageOps  # noqa: E402

REPEAT = 5


def best_of(job):
    times = []
    for _ in range(REPEAT):
        start = time.perf_counter()
        job()
        times.append(time.perf_counter() - start)
    return min(times) * 1000


def with_control(control, sources, destination):
    for source in sources:
        stem = os.path.join(destination, os.path.splitext(os.path.basename(source))[0])
        gray_pictures.convert(control, source, stem)


def with_pillow(sources, destination):
    for source in sources:
        try:
            with Image.open(source) as picture:
                exif = picture.getexif()  # the same descriptive tags travel in the PNG's eXIf chunk
                gray = ImageOps.grayscale(picture)
                stem = os.path.join(destination, os.path.splitext(os.path.basename(source))[0])
                gray.save(stem + ".png", exif=exif)
        except Exception:  # noqa: BLE001 (Pillow raises many kinds on damaged files)
            pass  # a damaged file; the example reports those and goes on, too


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "..", "shared", "testdata", "jpeg")
    sources = sorted(os.path.join(folder, name) for name in os.listdir(folder)
                     if os.path.splitext(name)[1].lower() in gray_pictures.PICTURE_EXTENSIONS)
    with tempfile.TemporaryDirectory() as scratch, tavlen.Dispatch("TAVLEN.TavlenCtrl.1", 64, 64) as control:
        ours = best_of(lambda: with_control(control, sources, scratch))
        pillow = best_of(lambda: with_pillow(sources, scratch))
    print(f"{len(sources)} pictures from {folder}")
    print(f"tavlen {ours:.1f} ms, Pillow {pillow:.1f} ms, ratio {ours / pillow:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

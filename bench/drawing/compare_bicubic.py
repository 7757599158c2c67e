#!/usr/bin/env python3
"""The painter's high-quality bicubic draw of a 6000x4000 photo into 1500x1000, beside ImageMagick,
vips and Pillow doing a bicubic resize of the same photo, measured in the same run.

Usage: bench/drawing/compare_bicubic.py [BUILD_DIR]   (default: build-bench, configured as Release)
Decoding is excluded everywhere: our tool decodes once and times the draws; for the command-line
tools the time of a plain load-and-save is subtracted. A ratio below 1 means we are faster.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-bench")
REPEAT = 5


def run(cmd):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def best_of(fn):
    """Fastest wall time in milliseconds: the run least disturbed by the rest of the machine."""
    times = []
    for _ in range(REPEAT):
        start = time.perf_counter()
        fn()
        times.append((time.perf_counter() - start) * 1000)
    return min(times)


def build():
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DTAVLEN_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "drawing_time", "tavlen_time"], check=True,
                   stdout=subprocess.DEVNULL)


def main():
    build()
    work = tempfile.mkdtemp(prefix="tavlen-draw-bench-")
    try:
        photo = os.path.join(work, "photo.jpg")
        run([os.path.join(BUILD, "bench", "tavlen_time"), "make-photo", photo])
        draw = os.path.join(BUILD, "bench", "drawing", "drawing_time")
        ours = min(float(run([draw, "shrink", photo, "1500", "1000", "3"]).stdout) for _ in range(REPEAT))

        others = {}
        convert = "/usr/bin/convert"
        if os.path.exists(convert):
            mpc, out = os.path.join(work, "photo.mpc"), os.path.join(work, "out.mpc")
            run([convert, photo, mpc])
            load = best_of(lambda: run([convert, mpc, out]))
            resize = best_of(lambda: run([convert, mpc, "-filter", "Catrom", "-resize", "1500x1000!", out]))
            others["ImageMagick"] = max(resize - load, 0.001)
        if shutil.which("vips"):
            v, out = os.path.join(work, "photo.v"), os.path.join(work, "out.v")
            run(["vips", "copy", photo, v])
            load = best_of(lambda: run(["vips", "copy", v, out]))
            resize = best_of(lambda: run(["vips", "resize", v, out, "0.25", "--kernel", "cubic"]))
            others["vips"] = max(resize - load, 0.001)
        try:
            pil = run([sys.executable, "-c", (
                "import sys,time\nfrom PIL import Image\nim=Image.open(sys.argv[1]);im.load()\nt=[]\n"
                "for _ in range(int(sys.argv[2])):\n s=time.perf_counter();im.resize((1500,1000),Image.BICUBIC);"
                "t.append(time.perf_counter()-s)\nprint(min(t)*1000)"), photo, str(REPEAT)])
            others["Pillow"] = float(pil.stdout)
        except subprocess.CalledProcessError:
            print("Pillow is not available; skipped")

        print(f"ours {ours:.1f} ms; " + ", ".join(f"{k} {v:.1f} ms" for k, v in others.items()))
        if others:
            fastest = min(others, key=others.get)
            print(f"ratio vs fastest ({fastest}): {ours / others[fastest]:.2f}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

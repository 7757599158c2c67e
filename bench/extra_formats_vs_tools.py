#!/usr/bin/env python3
"""Loading a 24-megapixel WebP, AVIF and JPEG XL against each library's own command-line decoder, and
the colour conversion of a 24-megapixel picture against its JPEG load.

Usage: bench/extra_formats_vs_tools.py [--build DIR] [--rounds N]
Uses DIR/bench/tavlen_time (default build-bench/, built as bench/run builds it). Every tool runs as a
whole process once a round, interleaved, so that a disturbance hits all alike; the medians are compared.
Ratios below 1 mean we are faster. The peers: dwebp writing PPM, avifdec --info (AV1 decoding without
the conversion to RGB that we do) and heif-convert writing Y4M, djxl writing PPM.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ARGS = sys.argv[1:]
BUILD = ARGS[ARGS.index("--build") + 1] if "--build" in ARGS else os.path.join(ROOT, "build-bench")
ROUNDS = int(ARGS[ARGS.index("--rounds") + 1]) if "--rounds" in ARGS else 5
TIME_TOOL = os.path.join(BUILD, "bench", "tavlen_time")
ADOBE_RGB = "/usr/share/color/icc/colord/AdobeRGB1998.icc"


def run(cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wall_ms(cmd):
    start = time.perf_counter()
    run(cmd)
    return (time.perf_counter() - start) * 1000


def make_files(folder):
    base = os.path.join(folder, "photo")
    run([TIME_TOOL, "make-photo", base])  # 6000x4000: .jpg, .png, .bmp
    png = base + ".png"
    run(["cwebp", "-quiet", "-q", "90", png, "-o", base + ".webp"])
    run(["avifenc", "-j", "2", "-s", "8", "--min", "20", "--max", "30", png, base + ".avif"])
    run(["cjxl", png, base + ".jxl", "-d", "1", "--num_threads=2"])
    # The same JPEG with an Adobe RGB profile, for the colour conversion.
    run(["convert", base + ".jpg", "-profile", ADOBE_RGB, "-quality", "90", base + "-adobe.jpg"])
    return base


def main():
    if not os.path.exists(TIME_TOOL):
        sys.exit(f"{TIME_TOOL} is missing: build the tavlen_time target first")
    for tool in ("cwebp", "dwebp", "avifenc", "avifdec", "cjxl", "djxl", "convert"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} is missing: run scripts/setup")
    with tempfile.TemporaryDirectory() as folder:
        base = make_files(folder)
        out = os.path.join(folder, "out")
        jobs = {
            "webp ours": [TIME_TOOL, "decode", base + ".webp", "1", "--extra"],
            "webp dwebp": ["dwebp", "-quiet", "-mt", base + ".webp", "-ppm", "-o", out + ".ppm"],
            "avif ours": [TIME_TOOL, "decode", base + ".avif", "1", "--extra"],
            "avif avifdec": ["avifdec", "-j", "2", "--info", base + ".avif"],
            "jxl ours": [TIME_TOOL, "decode", base + ".jxl", "1", "--extra"],
            "jxl djxl": ["djxl", base + ".jxl", out + ".ppm", "--num_threads=2", "--quiet"],
        }
        if shutil.which("heif-convert"):
            jobs["avif heif-convert"] = ["heif-convert", base + ".avif", out + ".y4m"]
        times = {name: [] for name in jobs}
        for _ in range(ROUNDS):
            for name, cmd in jobs.items():
                times[name].append(wall_ms(cmd))
        median = {name: statistics.median(t) for name, t in times.items()}
        print(f"load average {os.getloadavg()[0]:.2f} on {os.cpu_count()} cores, {ROUNDS} rounds, median ms:")
        for name in jobs:
            print(f"  {name:20s} {median[name]:9.1f}")
        for fmt, peers in (("webp", ["dwebp"]), ("avif", ["avifdec", "heif-convert"]), ("jxl", ["djxl"])):
            for peer in peers:
                if f"{fmt} {peer}" in median:
                    print(f"{fmt}: ours / {peer} = {median[f'{fmt} ours'] / median[f'{fmt} {peer}']:.2f}")

        # In process: the conversion alone against the JPEG load it follows, in wall-clock time and in
        # CPU time (both use two threads; CPU time is what a busy shared machine disturbs less).
        jpeg = base + "-adobe.jpg"
        for clock, env in (("wall", os.environ), ("CPU", dict(os.environ, TAVLEN_TIME_CPU="1"))):
            def timed(verb):
                return statistics.median(float(subprocess.run([TIME_TOOL, verb, jpeg, "3"], check=True, env=env,
                                                              capture_output=True, text=True).stdout)
                                         for _ in range(ROUNDS))
            load, convert = timed("decode"), timed("convert-color")
            print(f"24 MP JPEG load {load:.1f} ms, its conversion Adobe RGB -> sRGB {convert:.1f} ms ({clock}): "
                  f"conversion / load = {convert / load:.2f}")


if __name__ == "__main__":
    main()

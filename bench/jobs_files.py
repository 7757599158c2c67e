#!/usr/bin/env python3
"""Whole jobs on a 6000x4000 photo through `tavlen run`, beside ImageMagick, GraphicsMagick, vips and Pillow.
Its JPEG, PNG, 24-bit BMP and LZW TIFF are the sources.

Usage: bench/jobs_files.py BUILD_DIR [--quick] [--no-build] [--jobs=LETTERS] [--peers=NAME,...] [--baseline=DIR]
Builds the Tavlen module, tavlen, tavlen_time and edit_bench in BUILD_DIR (unless --no-build), runs the colour
operations' Google Benchmark, then the jobs. Every job runs as a whole command line, start-up included, all tools
once a round so that a disturbance hits them alike; each gets the median of its rounds (nine, five with --quick) and
ours also the spread (slowest/median); peak resident memory comes from /usr/bin/time. Ratios below 1 mean we are
faster than the fastest peer. --jobs=bcg runs only those jobs, without the Google Benchmark;
--peers=vips,Pillow only those peers, on a busy machine where the slow ones would take too long.
--baseline=DIR also runs an earlier build's bin/tavlen with its control/Tavlen.ocx (DIR as BUILD_DIR is laid out) in
every round, so that a change is measured before and after under the same load.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

QUICK = "--quick" in sys.argv
RUNS = 5 if QUICK else 9
ONLY = next((a.split("=", 1)[1] for a in sys.argv if a.startswith("--jobs=")), None)
PEERS = next((a.split("=", 1)[1].split(",") for a in sys.argv if a.startswith("--peers=")), None)
BASELINE = next((os.path.abspath(a.split("=", 1)[1]) for a in sys.argv if a.startswith("--baseline=")), None)
WIDTH, HEIGHT = 6000, 4000
FRAME_BYTES = WIDTH * HEIGHT * 3  # one decoded 24-bit frame
PY = "/usr/bin/python3"

# Our jobs: the body of a script that gets the control `c`, the input `src` and the output stem `out`.
OURS = {
    "a": ("load, Rotate90, SaveAsJpg q90", "c.LoadImage(src); c.Rotate90(); c.JpgQuality = 90; ok(c.SaveAsJpg(out));"),
    "b": ("ConvertToPng of the JPEG", "ok(c.ConvertToPng(src, out));"),
    "c": ("ConvertToTif LZW", "c.TiffCompression = 0; ok(c.ConvertToTif(src, out));"),
    "d": ("load, gray, SaveAsJpg q90",
          "c.LoadImage(src); c.ConvertImageToGrayScaled(); c.JpgQuality = 90; ok(c.SaveAsJpg(out));"),
    "e": ("load, Resize 1500x1000, SaveAsJpg q90",
          "c.LoadImage(src); c.Resize(1500, 1000); c.JpgQuality = 90; ok(c.SaveAsJpg(out));"),
    "f": ("load, SaveAsTif CCITT4", "c.LoadImage(src); c.TiffCompression = 2; ok(c.SaveAsTif(out));"),
    "g": ("ConvertToPng of a 24-bit BMP", "ok(c.ConvertToPng(src, out));"),
    "h": ("LoadImage of a PNG", "c.LoadImage(src); ok(c.GetWidth() === 6000);"),
    "i": ("ConvertToPng of a PNG", "ok(c.ConvertToPng(src, out));"),
    "j": ("ConvertToTif LZW of a PNG", "c.TiffCompression = 0; ok(c.ConvertToTif(src, out));"),
    "k": ("ConvertToJpg q90 of a PNG", "c.JpgQuality = 90; ok(c.ConvertToJpg(src, out));"),
    "l": ("ConvertToPng of an LZW TIFF", "ok(c.ConvertToPng(src, out));"),
    "m": ("ConvertToTif LZW of an LZW TIFF", "c.TiffCompression = 0; ok(c.ConvertToTif(src, out));"),
    "n": ("ConvertToJpg q90 of an LZW TIFF", "c.JpgQuality = 90; ok(c.ConvertToJpg(src, out));"),
}
SOURCE = {"a": "jpg", "b": "jpg", "c": "jpg", "d": "jpg", "e": "jpg", "f": "jpg", "g": "bmp", "h": "png",
          "i": "png", "j": "png", "k": "png", "l": "tiff", "m": "tiff", "n": "tiff"}
OUT_EXT = {"a": ".jpg", "b": ".png", "c": ".tiff", "d": ".jpg", "e": ".jpg", "f": ".tiff", "g": ".png", "h": None,
           "i": ".png", "j": ".tiff", "k": ".jpg", "l": ".png", "m": ".tiff", "n": ".jpg"}

PIL = {
    "a": "Image.open(a).transpose(Image.Transpose.ROTATE_270).save(b, quality=90)",
    "b": "Image.open(a).save(b)",
    "c": "Image.open(a).save(b, compression='tiff_lzw')",
    "d": "Image.open(a).convert('L').save(b, quality=90)",
    "e": "Image.open(a).resize((1500, 1000), Image.Resampling.BICUBIC).save(b, quality=90)",
    "f": "Image.open(a).convert('L').point(lambda v: 255 if v > 128 else 0).convert('1', dither=Image.Dither.NONE)"
         ".save(b, compression='group4')",
    "g": "Image.open(a).save(b)",
    "h": "Image.open(a).load()",
    "i": "Image.open(a).save(b)",
    "j": "Image.open(a).save(b, compression='tiff_lzw')",
    "k": "Image.open(a).save(b, quality=90)",
    "l": "Image.open(a).save(b)",
    "m": "Image.open(a).save(b, compression='tiff_lzw')",
    "n": "Image.open(a).save(b, quality=90)",
}


def peers(job, src, work):
    """The peers' command lines for a job: name -> list of commands (run one after another), each writing
    work/NAME-JOB.EXT."""
    im, gm = ["/usr/bin/convert"], ["gm", "convert"]
    magick = {
        "a": ["-rotate", "90", "-quality", "90"], "b": [], "c": ["-compress", "LZW"],
        "d": ["-colorspace", "Gray", "-quality", "90"],
        "e": ["-filter", "Catrom", "-resize", "1500x1000!", "-quality", "90"],
        "f": ["-colorspace", "Gray", "-threshold", "50%", "-type", "bilevel", "-compress", "Group4"],
        "g": [], "h": None,
        "i": [], "j": ["-compress", "LZW"], "k": ["-quality", "90"],
        "l": [], "m": ["-compress", "LZW"], "n": ["-quality", "90"],
    }[job]
    cmds = {}

    def output(name):
        return os.path.join(work, f"{name}-{job}{OUT_EXT[job]}") if OUT_EXT[job] else None

    if magick is not None:
        cmds["ImageMagick"] = [im + [src] + magick + [output("ImageMagick")]]
        cmds["GraphicsMagick"] = [gm + [src] + magick + [output("GraphicsMagick")]]
    else:
        cmds["ImageMagick"] = [im + [src, "null:"]]
        cmds["GraphicsMagick"] = [gm + [src, "null:"]]
    o = output("vips") or ""  # job h writes nothing
    t = os.path.join(work, f"vips-{job}.v")
    cmds["vips"] = {
        "a": [["vips", "rot", src, o + "[Q=90]", "d90"]],
        "b": [["vips", "copy", src, o]],
        "c": [["vips", "tiffsave", src, o, "--compression", "lzw"]],
        "d": [["vips", "colourspace", src, o + "[Q=90]", "b-w"]],
        "e": [["vips", "resize", src, o + "[Q=90]", "0.25", "--kernel", "cubic"]],
        "f": [["vips", "colourspace", src, t, "b-w"], ["vips", "relational_const", t, t + "2.v", "moreeq", "129"],
              ["vips", "tiffsave", t + "2.v", o, "--compression", "ccittfax4", "--bitdepth", "1"]],
        "g": [["vips", "copy", src, o]],
        "h": [["vips", "avg", src]],
        "i": [["vips", "copy", src, o]],
        "j": [["vips", "tiffsave", src, o, "--compression", "lzw"]],
        "k": [["vips", "copy", src, o + "[Q=90]"]],
        "l": [["vips", "copy", src, o]],
        "m": [["vips", "tiffsave", src, o, "--compression", "lzw"]],
        "n": [["vips", "copy", src, o + "[Q=90]"]],
    }[job]
    cmds["Pillow"] = [[PY, "-c", "import sys\nfrom PIL import Image\na, b = sys.argv[1], sys.argv[2]\n" + PIL[job],
                       src, output("Pillow") or ""]]
    return {name: c for name, c in cmds.items() if PEERS is None or name in PEERS}


def timed(cmds, env=None):
    """Wall milliseconds of running the commands in turn, and the largest peak RSS among them in bytes."""
    start = time.perf_counter()
    peak = 0
    for cmd in cmds:
        r = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           text=True, env=env)
        if r.returncode != 0:
            raise RuntimeError(f"{' '.join(cmd)} failed: {r.stderr.strip()[-300:]}")
        peak = max(peak, int(r.stderr.strip().splitlines()[-1]) * 1024)
    return (time.perf_counter() - start) * 1000, peak


def interleaved(tools, envs):
    """Every tool's commands once a round for RUNS rounds, each with its environment from `envs` (the process's
    when absent): name -> (median ms, spread, peak bytes). A peer that fails is reported and dropped; our own
    failure, or the baseline's, ends the benchmark."""
    times = {name: [] for name in tools}
    peaks = {name: 0 for name in tools}
    for _ in range(RUNS):
        for name in list(times):
            try:
                wall, peak = timed(tools[name], envs.get(name))
            except RuntimeError as e:
                if name in envs:
                    raise
                print(f"  ({name} skipped: {e})")
                del times[name]
                continue
            times[name].append(wall)
            peaks[name] = max(peaks[name], peak)
    return {n: (statistics.median(t), max(t) / statistics.median(t), peaks[n]) for n, t in times.items()}


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if not args:
        sys.exit(__doc__)
    build = os.path.abspath(args[0])
    tavlen = os.path.join(build, "bin", "tavlen")
    module = os.path.join(build, "control", "Tavlen.ocx")
    if "--no-build" not in sys.argv:
        subprocess.run(["cmake", "--build", build, "--target", "Tavlen", "tavlen", "tavlen_time", "edit_bench"],
                       check=True, stdout=subprocess.DEVNULL)
    if ONLY is None:
        print("== colour operations on 24 MP (Google Benchmark)", flush=True)
        subprocess.run([os.path.join(build, "bench", "edit", "edit_bench")], check=True)
    work = tempfile.mkdtemp(prefix="tavlen-jobs-")
    try:
        env = dict(os.environ, TAVLEN_REGISTRY=os.path.join(work, "registry"))
        subprocess.run([tavlen, "regsvr", module], check=True, env=env, stdout=subprocess.DEVNULL)
        envs = {"ours": env}
        if BASELINE:
            # The same control's class, registered in a registry of its own.
            envs["before"] = dict(os.environ, TAVLEN_REGISTRY=os.path.join(work, "registry-before"))
            subprocess.run([os.path.join(BASELINE, "bin", "tavlen"), "regsvr",
                            os.path.join(BASELINE, "control", "Tavlen.ocx")],
                           check=True, env=envs["before"], stdout=subprocess.DEVNULL)
        # make-photo takes a base path and writes the JPEG, PNG and 24-bit BMP beside each other.
        base = os.path.join(work, "photo")
        subprocess.run([os.path.join(build, "bench", "tavlen_time"), "make-photo", base], check=True)
        sources = {ext: f"{base}.{ext}" for ext in ("jpg", "bmp", "png")}
        # The LZW TIFF source is the PNG converted by us, as a user's earlier conversion would have made it.
        make_tiff = os.path.join(work, "make-tiff.js")
        with open(make_tiff, "w") as f:
            f.write("var c = new ActiveXObject('TAVLEN.TavlenCtrl.1'); c.TiffCompression = 0;\n"
                    f"if (!c.ConvertToTif({sources['png']!r}, {base!r})) throw new Error('no TIFF');\nHost.Quit(0);\n")
        subprocess.run([tavlen, "run", make_tiff], check=True, env=env)
        sources["tiff"] = f"{base}.tiff"

        print(f"== whole jobs on a {WIDTH}x{HEIGHT} photo, median of {RUNS} interleaved rounds (ms), our spread "
              "(slowest/median), peak RSS (MB)")
        header = f"{'job':<40} {'ours':>8} {'spread':>6} {'IM':>8} {'GM':>8} {'vips':>8} {'Pillow':>8}  {'ratio':>6}  " \
                 f"{'RSS':>6} {'/frame':>6}  {'size%':>6}"
        print(header)
        for job, (title, body) in OURS.items():
            if ONLY is not None and job not in ONLY:
                continue
            src = sources[SOURCE[job]]
            out = os.path.join(work, "ours-" + job)
            script = os.path.join(work, f"job-{job}.js")
            with open(script, "w") as f:
                f.write("function ok(v) { if (!v) throw new Error('job failed'); }\n"
                        "var c = new ActiveXObject('TAVLEN.TavlenCtrl.1');\n"
                        f"var src = {src!r}, out = {out!r};\n{body}\nHost.Quit(0);\n")
            tools = {"ours": [[tavlen, "run", script]]}
            if BASELINE:
                tools["before"] = [[os.path.join(BASELINE, "bin", "tavlen"), "run", script.replace(".js", "-before.js")]]
                with open(script) as f, open(script.replace(".js", "-before.js"), "w") as g:
                    g.write(f.read().replace(repr(out), repr(out + "-before")))
            stats = interleaved({**tools, **peers(job, src, work)}, envs)
            ours, spread, rss = stats.pop("ours")
            before = stats.pop("before", None)
            others = {name: med for name, (med, _, _) in stats.items()}
            peer_rss = {name: peak for name, (_, _, peak) in stats.items()}
            sizes = {}
            for name in others:
                if OUT_EXT[job] and os.path.exists(os.path.join(work, f"{name}-{job}{OUT_EXT[job]}")):
                    sizes[name] = os.path.getsize(os.path.join(work, f"{name}-{job}{OUT_EXT[job]}"))
            fastest = min(others, key=others.get) if others else None
            ratio = ours / others[fastest] if fastest else float("nan")
            size = ""
            if OUT_EXT[job] and fastest in sizes:
                size = f"{100.0 * os.path.getsize(out + OUT_EXT[job]) / sizes[fastest]:.0f}"
            cells = " ".join(f"{others.get(n, float('nan')):8.0f}" for n in ("ImageMagick", "GraphicsMagick", "vips",
                                                                              "Pillow"))
            print(f"{job}) {title:<37} {ours:8.0f} {spread:6.2f} {cells}  {ratio:6.2f}  {rss / 1e6:6.0f} "
                  f"{rss / FRAME_BYTES:6.2f}  {size:>6}")
            print("   peers' peak RSS (MB): " + ", ".join(f"{n} {peer_rss[n] / 1e6:.0f}" for n in peer_rss))
            if before:
                ratio = before[0] / others[fastest] if fastest else float("nan")
                print(f"   {'the baseline':<37} {before[0]:8.0f} {before[1]:6.2f} {'':35}  {ratio:6.2f}  "
                      f"{before[2] / 1e6:6.0f} {before[2] / FRAME_BYTES:6.2f}")
        print("ratio: ours / fastest peer; /frame: our peak RSS in decoded 24-bit frames; "
              "size%: our file against the fastest peer's")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

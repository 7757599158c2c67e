#!/usr/bin/env python3
"""A batch job of your own on this machine's cores: thumbnails with a caption, one worker per core.

    python3 examples/batch_local.py SOURCE_FOLDER OUTPUT_FOLDER [WORKERS]
"""

import os
import sys

import tavlen.batch


def thumbnail(picture):
    """Any function over a Picture is a job; it runs in the worker processes."""
    scale = 320 / max(picture.size)
    picture.resize((max(1, round(picture.width * scale)), max(1, round(picture.height * scale))))
    picture.text((4, 4), os.environ.get("CAPTION", "tavlen"), size=10, color="#ffffff")


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit(__doc__.strip())
    folder = argv[1]
    sources = sorted(os.path.join(folder, name) for name in os.listdir(folder))
    workers = int(argv[3]) if len(argv) == 4 else None
    results = tavlen.batch.run(thumbnail, sources, argv[2], workers=workers, format="jpeg")
    for result in results:
        if result.status == "failed":
            print(f"{result.source}: {result.reason}")
    print({status: sum(r.status == status for r in results) for status in ("written", "skipped", "failed")})
    return 1 if any(result.status == "failed" for result in results) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""The Pillow-like layer: open, edit in place, tags, undo, save under exactly the name given.

    python3 examples/edit_pictures.py PICTURE OUTPUT_FOLDER
"""

import os
import sys

import tavlen


def main(source, folder):
    os.makedirs(folder, exist_ok=True)
    try:
        picture = tavlen.open(source)
    except tavlen.ImageError as error:
        print(f"{error.filename}: {error.strerror}", file=sys.stderr)
        return 1
    with picture:
        print(f"{source}: {picture.width} x {picture.height}, mode {picture.mode}, {len(picture.frames)} frame(s)")
        for tag, value in picture.tags.items():
            if value:
                print(f"  {tag}: {value}")
        picture.tags["Description"] = "edited with tavlen"
        picture.rotate(90).mirror()
        picture.text((10, 10), "tavlen", size=24, color=(255, 255, 255), style="bold")
        picture.save(os.path.join(folder, "turned.jpg"), quality=90)
        picture.undo()  # the text goes again
        picture.gray().save(os.path.join(folder, "gray.tiff"), compression="lzw")
        picture.black_white().save(os.path.join(folder, "fax.tif"), compression="ccitt4")
    print(f"wrote turned.jpg, gray.tiff and fax.tif into {folder}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    sys.exit(main(sys.argv[1], sys.argv[2]))

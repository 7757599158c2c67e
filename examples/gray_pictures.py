#!/usr/bin/env python3
"""Converts every picture of a folder into a gray PNG in another folder, keeping its descriptive tags.

    python3 examples/gray_pictures.py SOURCE_FOLDER DESTINATION_FOLDER

Needs the tavlen package (scripts/demo installs it) and the control registered (scripts/demo does
that too). Prints one line per picture and exits with 1 when any picture failed.
"""

import os
import sys

import tavlen

# What the control's LoadImage accepts.
PICTURE_EXTENSIONS = {".bmp", ".dib", ".gif", ".png", ".jpg", ".jpe", ".jpeg", ".tif", ".tiff", ".wmf", ".emf"}
# The descriptive tags, each with a GetImage<Tag> and a SetImage<Tag> method.
TAGS = ("Artist", "Copyright", "DateTime", "Description", "EquipMake", "EquipModel", "Title")


def has_palette(path):
    """True for GIFs and for BMPs and PNGs stored with a palette: the control draws only on pictures
    without one, so these first leave their palette through ConvertFrom1bpp (lossless for them)."""
    with open(path, "rb") as file:
        header = file.read(32)
    if header[:3] == b"GIF":
        return True
    if header[:8] == b"\x89PNG\r\n\x1a\n":
        return header[25] == 3  # colour type: indexed
    if header[:2] == b"BM" and len(header) >= 30:
        return int.from_bytes(header[28:30], "little") <= 8  # bits per pixel
    return False


def convert(control, source, destination_stem):
    """Loads, converts and saves one picture as destination_stem + ".png"; None, or why it failed."""
    control.LoadImage(source)
    if control.GetWidth() == 0:
        return "cannot be read"
    tags = {tag: getattr(control, "GetImage" + tag)() for tag in TAGS}
    if has_palette(source):
        control.ConvertFrom1bpp()
    control.ConvertImageToGrayScaled()
    # Set again after the conversion, so that they are kept whatever the conversion does to them.
    for tag, value in tags.items():
        if value:
            getattr(control, "SetImage" + tag)(value)
    if not control.SaveAsPng(destination_stem):
        return "cannot be written"
    return None


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    source_folder, destination_folder = argv[1], argv[2]
    os.makedirs(destination_folder, exist_ok=True)
    names = sorted(name for name in os.listdir(source_folder)
                   if os.path.splitext(name)[1].lower() in PICTURE_EXTENSIONS)
    failures = 0
    with tavlen.Dispatch("TAVLEN.TavlenCtrl.1", width=64, height=64) as control:
        for name in names:
            stem = os.path.join(destination_folder, os.path.splitext(name)[0])
            problem = convert(control, os.path.join(source_folder, name), stem)
            if problem:
                failures += 1
                print(f"{name}: {problem}")
            else:
                print(f"{name} -> {stem}.png")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

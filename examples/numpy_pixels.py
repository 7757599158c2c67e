#!/usr/bin/env python3
"""A picture's own pixels as numpy: darkens the left half of a picture, then makes one from scratch.

    python3 examples/numpy_pixels.py PICTURE OUTPUT.png
"""

import sys

import numpy

import tavlen


def main(source, output):
    with tavlen.open(source) as picture:
        pixels = picture.to_numpy().copy()          # (height, width, 4) uint8 RGBA
    pixels[:, : pixels.shape[1] // 2, :3] //= 2
    with tavlen.from_numpy(pixels) as darkened:
        darkened.save(output)
    ramp = numpy.tile(numpy.arange(256, dtype=numpy.uint8), (64, 1))  # a gray ramp, 256 x 64
    with tavlen.from_numpy(ramp) as made:
        print(f"made a {made.size} picture of mode {made.mode}; wrote {output}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    sys.exit(main(sys.argv[1], sys.argv[2]))

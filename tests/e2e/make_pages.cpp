// Writes the multi-frame files the end-to-end frame scripts read into a folder:
//   make_pages DIR  ->  DIR/pages.tif (pages 100x80 red, 60x40 green, 30x20 blue), DIR/anim.gif
//   (40x30, frames red, green, blue).
#include <cstdio>
#include <string>

#include "tests/files/multi_frame_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pages DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  using tavlen::test::FrameSpec;
  const bool ok = tavlen::test::WriteMultiPageTiff(
                      dir + "/pages.tif",
                      {FrameSpec{100, 80, 0xFF0000}, FrameSpec{60, 40, 0x00FF00}, FrameSpec{30, 20, 0x0000FF}}) &&
                  tavlen::test::WriteAnimatedGif(dir + "/anim.gif", 40, 30, {0xFF0000, 0x00FF00, 0x0000FF});
  return ok ? 0 : 1;
}

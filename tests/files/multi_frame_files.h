// Writes the multi-frame files the frame tests read: a TIFF with several pages and an animated GIF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavlen::test {

struct FrameSpec {
  uint32_t width;
  uint32_t height;
  uint32_t rgb;  // one solid colour per frame, 0xRRGGBB
};

// The pages of the given sizes and colours as 24-bit RGB TIFF pages; false when it cannot be written.
bool WriteMultiPageTiff(const std::string& path, const std::vector<FrameSpec>& pages);
// An animated GIF of logical screen size (width, height) whose frames each cover the whole screen.
bool WriteAnimatedGif(const std::string& path, uint32_t width, uint32_t height, const std::vector<uint32_t>& colors);

}  // namespace tavlen::test

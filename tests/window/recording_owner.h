// A window owner for tests that records every message it receives and can draw in its paints.
#pragma once

#include <functional>
#include <vector>

#include "platform/window/window.h"

namespace tavlen::win::test {

struct PaintRecord {
  RECT invalid;
  bool erase;
  RECT clip;
};

class RecordingOwner : public WindowOwner {
 public:
  void OnPaint(DeviceContext& dc, const RECT& invalid, bool erase) override {
    paints.push_back({invalid, erase, dc.ClipBox()});
    if (onPaint) onPaint(dc);
  }
  void OnHScroll(uint32_t code, uint32_t position) override { hscrolls.push_back({code, position}); }
  void OnVScroll(uint32_t code, uint32_t position) override { vscrolls.push_back({code, position}); }
  BOOL OnMouseWheel(uint32_t flags, int16_t delta, POINT) override {
    wheelFlags = flags;
    wheelDelta = delta;
    return wheelResult;
  }
  void OnMouseMove(uint32_t, POINT point) override { moves.push_back(point); }
  void OnKey(Message message, uint32_t virtualKey) override { keys.push_back({message, virtualKey}); }
  void OnSize(int32_t width, int32_t height) override { sizes.push_back({width, height}); }
  void OnDestroy() override { ++destroys; }
  void OnCreate() override { ++creates; }

  std::vector<PaintRecord> paints;
  std::vector<std::pair<uint32_t, uint32_t>> hscrolls, vscrolls;
  std::vector<POINT> moves;
  std::vector<std::pair<Message, uint32_t>> keys;
  std::vector<SIZE> sizes;
  uint32_t wheelFlags = 0;
  int16_t wheelDelta = 0;
  BOOL wheelResult = FALSE;
  int destroys = 0;
  int creates = 0;
  std::function<void(DeviceContext&)> onPaint;
};

}  // namespace tavlen::win::test

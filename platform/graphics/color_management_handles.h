// Owners of lcms2's profiles, transforms and curves, which free them when they go.
#pragma once

#include <lcms2.h>

#include <memory>

namespace tavlen::gfx {

struct ProfileCloser {
  void operator()(void* p) const { cmsCloseProfile(p); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
  void operator()(void* t) const { cmsDeleteTransform(t); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

struct CurveFreer {
  void operator()(cmsToneCurve* c) const { cmsFreeToneCurve(c); }
};
using ToneCurve = std::unique_ptr<cmsToneCurve, CurveFreer>;

}  // namespace tavlen::gfx

#include "platform/graphics/two_halves.h"

#include <cstdlib>
#include <cstring>

namespace tavlen::gfx {

bool SecondThreadAllowed() {
  static const bool allowed = [] {
    const char* threads = std::getenv("TAVLEN_THREADS");
    return threads == nullptr || std::strcmp(threads, "1") != 0;
  }();
  return allowed;
}

}  // namespace tavlen::gfx

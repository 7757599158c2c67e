// A short most-recently-used list under one lock; conversions are made outside it.
#include "platform/graphics/srgb_conversion_cache.h"

#include <algorithm>
#include <list>
#include <mutex>
#include <new>
#include <vector>

namespace tavlen::gfx {
namespace {

// A few profiles: a batch mostly has one, a mixed folder several in turn.
constexpr size_t kKeptConversions = 8;
// A kept profile is copied as the key; larger ones (rare) are converted afresh each time.
constexpr size_t kLargestKeptProfile = size_t{4} << 20;

struct Kept {
  std::vector<uint8_t> profile;
  uint32_t inType;
  uint32_t outType;
  uint32_t flags;
  bool fastFit;
  SharedSrgbConversion conversion;
};

struct Cache {
  std::mutex mutex;
  std::list<Kept> kept;  // the most recently used first
};

// Never destroyed: decoders on other threads may still use it while the process exits.
Cache& TheCache() {
  static Cache* cache = new Cache;
  return *cache;
}

bool Matches(const Kept& kept, const SrgbConversionKey& key) {
  return kept.inType == key.inType && kept.outType == key.outType && kept.flags == key.flags &&
         kept.fastFit == key.fastFit && std::ranges::equal(kept.profile, key.profile);
}

SharedSrgbConversion Make(const std::function<SrgbConversion()>& make) {
  try {
    return std::make_shared<const SrgbConversion>(make());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

SharedSrgbConversion CachedSrgbConversion(const SrgbConversionKey& key, const std::function<SrgbConversion()>& make) {
  if (key.profile.empty() || key.profile.size() > kLargestKeptProfile) return Make(make);
  Cache& cache = TheCache();
  {
    std::lock_guard lock(cache.mutex);
    const auto found = std::ranges::find_if(cache.kept, [&key](const Kept& kept) { return Matches(kept, key); });
    if (found != cache.kept.end()) {
      cache.kept.splice(cache.kept.begin(), cache.kept, found);
      return found->conversion;
    }
  }
  SharedSrgbConversion made = Make(make);
  if (!made) return nullptr;
  try {
    Kept kept{{key.profile.begin(), key.profile.end()}, key.inType, key.outType, key.flags, key.fastFit, made};
    std::lock_guard lock(cache.mutex);
    // Another thread may have made the same one meanwhile: one copy is enough.
    if (std::ranges::none_of(cache.kept, [&key](const Kept& k) { return Matches(k, key); })) {
      cache.kept.push_front(std::move(kept));
      if (cache.kept.size() > kKeptConversions) cache.kept.pop_back();
    }
  } catch (const std::bad_alloc&) {
    // Not kept: this picture is converted all the same.
  }
  return made;
}

}  // namespace tavlen::gfx

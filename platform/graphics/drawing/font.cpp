// Installed font families through fontconfig, alias resolution, fonts and the two shared string formats.
#include "platform/graphics/drawing/font.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/graphics/drawing/cairo_ptr.h"

namespace tavlen::gfx {
namespace {

using detail::FcFontSetPtr;
using detail::FcObjectSetPtr;
using detail::FcPatternPtr;

bool EqualNoCase(const char* a, const char* b) {
  return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a), reinterpret_cast<const FcChar8*>(b)) == 0;
}

// Family names that fontconfig's configuration uses as last-resort fallbacks rather than fonts.
bool IsGenericFamily(const char* name) {
  static constexpr const char* kGeneric[] = {"sans-serif", "serif",     "monospace", "sans", "mono",    "cursive",
                                             "fantasy",    "system-ui", "emoji",     "math", "fangsong"};
  for (const char* g : kGeneric) {
    if (EqualNoCase(name, g)) return true;
  }
  return false;
}

bool FontconfigReady() {
  if (!FcInit()) return false;
  // Picks up fonts installed since the last scan (fontconfig rate-limits the check itself).
  FcInitBringUptoDate();
  return true;
}

std::vector<std::string> ListInstalledFamilyNames() {
  std::vector<std::string> names;
  FcPatternPtr pattern(FcPatternCreate());
  FcObjectSetPtr objects(FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr));
  if (!pattern || !objects) return names;
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  FcFontSetPtr fonts(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!fonts) return names;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    FcChar8* first = nullptr;
    bool added = false;
    for (int n = 0;; ++n) {
      FcChar8* family = nullptr;
      if (FcPatternGetString(font, FC_FAMILY, n, &family) != FcResultMatch) break;
      if (n == 0) first = family;
      FcChar8* lang = nullptr;
      const bool neutral = FcPatternGetString(font, FC_FAMILYLANG, n, &lang) != FcResultMatch || !lang ||
                           lang[0] == 0 || std::strcmp(reinterpret_cast<char*>(lang), "en") == 0;
      if (neutral) {
        names.emplace_back(reinterpret_cast<char*>(family));
        added = true;
      }
    }
    if (!added && first) names.emplace_back(reinterpret_cast<char*>(first));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int c =
        FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a.c_str()), reinterpret_cast<const FcChar8*>(b.c_str()));
    return c != 0 ? c < 0 : a < b;
  });
  names.erase(std::unique(names.begin(), names.end(),
                          [](const std::string& a, const std::string& b) { return EqualNoCase(a.c_str(), b.c_str()); }),
              names.end());
  return names;
}

// The installed family fontconfig binds `name` to before any generic fallback, or empty.
std::string ResolveAlias(const std::string& name) {
  if (IsGenericFamily(name.c_str())) return {};
  FcPatternPtr pattern(FcPatternCreate());
  if (!pattern) return {};
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return {};
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
  FcChar8* matched = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &matched) != FcResultMatch) return {};
  const char* resolved = reinterpret_cast<const char*>(matched);
  // The configuration binds aliases strongly to the requested name (metric-compatible families),
  // while the generic fallbacks it appends for every name are weak: only a strongly bound family counts.
  FcPatternIter it;
  FcPatternIterStart(pattern.get(), &it);
  do {
    const char* object = FcPatternIterGetObject(pattern.get(), &it);
    if (!object || std::strcmp(object, FC_FAMILY) != 0) continue;
    const int count = FcPatternIterValueCount(pattern.get(), &it);
    for (int n = 0; n < count; ++n) {
      FcValue value;
      FcValueBinding binding = FcValueBindingWeak;
      if (FcPatternIterGetValue(pattern.get(), &it, n, &value, &binding) != FcResultMatch) break;
      if (value.type != FcTypeString || binding == FcValueBindingWeak) continue;
      const char* f = reinterpret_cast<const char*>(value.u.s);
      if (!IsGenericFamily(f) && EqualNoCase(f, resolved)) return resolved;
    }
    break;
  } while (FcPatternIterNext(pattern.get(), &it));
  return {};
}

// What fontconfig's configuration gives, kept while it lasts: listing the families and matching an
// alias cost more than drawing a line of text. Fonts installed since (a new configuration) or added to
// this one (its font sets grow) start the cache again.
class FamilyCache {
 public:
  std::vector<std::string> Installed() {
    std::lock_guard lock(m_mutex);
    if (!Current()) return {};
    return m_installed;
  }

  // The installed family `wanted` names, itself or through an alias; empty for none.
  std::string Find(const std::string& wanted) {
    std::lock_guard lock(m_mutex);
    if (!Current()) return {};
    for (const std::string& installed : m_installed) {
      if (EqualNoCase(installed.c_str(), wanted.c_str())) return installed;
    }
    const auto [alias, added] = m_aliases.try_emplace(wanted);
    if (added) alias->second = ResolveAlias(wanted);
    return alias->second;
  }

 private:
  using Key = std::array<uintptr_t, 3>;

  // Whether fontconfig is ready, with the cache made for its configuration.
  bool Current() {
    if (!FontconfigReady()) return false;
    FcConfig* config = FcConfigGetCurrent();
    const Key key{reinterpret_cast<uintptr_t>(config), FontCount(config, FcSetSystem),
                  FontCount(config, FcSetApplication)};
    if (key == m_key) return true;
    // Held, so that no later configuration can have its address while it is the key.
    FcConfigReference(config);
    if (m_config != nullptr) FcConfigDestroy(m_config);
    m_config = config;
    m_key = key;
    m_installed = ListInstalledFamilyNames();
    m_aliases.clear();
    return true;
  }

  static uintptr_t FontCount(FcConfig* config, FcSetName set) {
    const FcFontSet* fonts = FcConfigGetFonts(config, set);
    return fonts != nullptr ? static_cast<uintptr_t>(fonts->nfont) : 0;
  }

  std::mutex m_mutex;
  FcConfig* m_config = nullptr;
  Key m_key{};
  std::vector<std::string> m_installed;
  std::map<std::string, std::string, std::less<>> m_aliases;  // by the name asked for
};

FamilyCache& TheFamilyCache() {
  static FamilyCache* cache = new FamilyCache;  // never destroyed: fonts are looked up until exit
  return *cache;
}

}  // namespace

Result<FontFamily> FontFamily::FromName(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return Status::FontFamilyNotFound;
  std::string found = TheFamilyCache().Find(std::string(name));
  if (found.empty()) return Status::FontFamilyNotFound;
  return FontFamily(std::move(found));
}

InstalledFontCollection::InstalledFontCollection() {
  for (std::string& name : TheFamilyCache().Installed()) m_families.push_back(FontFamily(std::move(name)));
}

Result<Font> Font::Create(const FontFamily& family, float emSize, int32_t style, Unit unit) {
  if (!std::isfinite(emSize) || emSize <= 0 || emSize > 1e6f) return Status::InvalidParameter;
  if ((style & ~0xF) != 0) return Status::InvalidParameter;
  if (unit == Unit::Display || static_cast<int32_t>(unit) < 0 || static_cast<int32_t>(unit) > 6) {
    return Status::InvalidParameter;
  }
  if (family.Name().empty()) return Status::InvalidParameter;
  return Font(family, emSize, style, unit);
}

const StringFormat& StringFormat::GenericDefault() {
  static const StringFormat format{};
  return format;
}

const StringFormat& StringFormat::GenericTypographic() {
  static const StringFormat format{
      kStringFormatFlagsLineLimit | kStringFormatFlagsNoClip | kStringFormatFlagsNoFitBlackBox, StringAlignment::Near,
      StringAlignment::Near, false};
  return format;
}

}  // namespace tavlen::gfx

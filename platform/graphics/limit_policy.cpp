// The process's decode limits from the defaults, the registry and the environment.
#include "platform/graphics/limit_policy.h"

#include <cstdlib>
#include <span>
#include <utility>

#include "platform/automation/registry.h"
#include "platform/base/ascii.h"

namespace tavlen::gfx {

namespace {

struct Suffix {
  std::string_view text;
  uint64_t factor;
};

constexpr Suffix kByteSuffixes[] = {
    {"KiB", 1ull << 10},
    {"MiB", 1ull << 20},
    {"GiB", 1ull << 30},
    {"TiB", 1ull << 40},
    {"KB", 1000ull},
    {"MB", 1000000ull},
    {"GB", 1000000000ull},
    {"TB", 1000000000000ull},
    {"K", 1000ull},
    {"M", 1000000ull},
    {"G", 1000000000ull},
    {"T", 1000000000000ull},
    {"B", 1},
};
constexpr Suffix kPixelSuffixes[] = {{"KP", 1000ull}, {"MP", 1000000ull}, {"GP", 1000000000ull}};

std::span<const Suffix> SuffixesOf(LimitUnit unit) {
  if (unit == LimitUnit::Bytes) return kByteSuffixes;
  if (unit == LimitUnit::Pixels) return kPixelSuffixes;
  return {};
}

const std::array<LimitSetting, 5> kSettings = {{
    {"Side", "TAVLEN_MAX_SIDE", LimitUnit::Count, UINT32_MAX,
     [](const DecodeLimits& l) -> uint64_t { return l.maxSide; },
     [](DecodeLimits& l, uint64_t v) { l.maxSide = static_cast<uint32_t>(v); }},
    {"Pixels", "TAVLEN_MAX_PIXELS", LimitUnit::Pixels, UINT64_MAX, [](const DecodeLimits& l) { return l.maxPixels; },
     [](DecodeLimits& l, uint64_t v) { l.maxPixels = v; }},
    {"Memory", "TAVLEN_MAX_MEMORY", LimitUnit::Bytes, UINT64_MAX, [](const DecodeLimits& l) { return l.maxPixelBytes; },
     [](DecodeLimits& l, uint64_t v) { l.maxPixelBytes = v; }},
    {"File", "TAVLEN_MAX_FILE", LimitUnit::Bytes, UINT64_MAX, [](const DecodeLimits& l) { return l.maxFileBytes; },
     [](DecodeLimits& l, uint64_t v) { l.maxFileBytes = v; }},
    {"MetafilePixels", "TAVLEN_MAX_METAFILE_PIXELS", LimitUnit::Pixels, UINT64_MAX,
     [](const DecodeLimits& l) { return l.maxMetafilePixels; },
     [](DecodeLimits& l, uint64_t v) { l.maxMetafilePixels = v; }},
}};

void Apply(LimitPolicy& policy, size_t index, std::string_view text, LimitSource source, std::string_view where) {
  const LimitSetting& setting = kSettings[index];
  const std::optional<uint64_t> value = ParseLimitValue(text, setting.unit, setting.maximum);
  if (!value) {
    policy.ignored.push_back(std::string(where) + ": \"" + std::string(text) + "\" is not a valid value for " +
                             std::string(setting.name) + "; kept " +
                             FormatLimitValue(setting.get(policy.limits), setting.unit));
    return;
  }
  setting.set(policy.limits, *value);
  policy.sources[index] = source;
}

}  // namespace

const std::array<LimitSetting, 5>& LimitSettings() { return kSettings; }

const LimitSetting* FindLimitSetting(std::string_view name) {
  for (const LimitSetting& setting : kSettings)
    if (base::EqualsNoCase(setting.name, name)) return &setting;
  return nullptr;
}

std::optional<uint64_t> ParseLimitValue(std::string_view text, LimitUnit unit, uint64_t maximum) {
  size_t digits = 0;
  uint64_t number = 0;
  for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    const uint64_t digit = static_cast<uint64_t>(text[digits] - '0');
    if (number > (UINT64_MAX - digit) / 10) return std::nullopt;
    number = number * 10 + digit;
  }
  if (digits == 0) return std::nullopt;
  std::string_view suffix = text.substr(digits);
  if (!suffix.empty() && suffix.front() == ' ') suffix.remove_prefix(1);
  uint64_t factor = 1;
  if (!suffix.empty()) {
    factor = 0;
    for (const Suffix& s : SuffixesOf(unit))
      if (base::EqualsNoCase(suffix, s.text)) factor = s.factor;
    if (factor == 0) return std::nullopt;
  }
  if (number == 0 || number > maximum / factor) return std::nullopt;
  return number * factor;
}

std::string FormatLimitValue(uint64_t value, LimitUnit unit) {
  if (value == UINT64_MAX) return "unlimited";
  // The largest suffix that divides the value exactly; for bytes only the binary ones, as memory is
  // counted in them and the defaults are powers of two.
  uint64_t shown = value;
  std::string_view suffix;
  for (const Suffix& s : SuffixesOf(unit)) {
    if (unit == LimitUnit::Bytes && s.text.size() != 3) continue;
    if (value % s.factor == 0 && value / s.factor < shown) shown = value / s.factor, suffix = s.text;
  }
  return std::to_string(shown) + std::string(suffix);
}

LimitPolicy MakeLimitPolicy(const std::vector<std::pair<std::string, std::string>>& registryValues,
                            EnvironmentLookup environment) {
  LimitPolicy policy;
  for (const auto& [name, text] : registryValues) {
    const LimitSetting* setting = FindLimitSetting(name);
    if (!setting) {
      policy.ignored.push_back("registry " + std::string(kLimitsRegistryKey) + ": unknown limit \"" + name + "\"");
      continue;
    }
    Apply(policy, static_cast<size_t>(setting - kSettings.data()), text, LimitSource::Registry,
          "registry " + std::string(kLimitsRegistryKey) + "\\" + std::string(setting->name));
  }
  for (size_t i = 0; i < kSettings.size(); ++i) {
    const std::string variable(kSettings[i].environment);
    if (const char* text = environment(variable.c_str()))
      Apply(policy, i, text, LimitSource::Environment, "environment " + variable);
  }
  return policy;
}

const LimitPolicy& ProcessLimitPolicy() {
  static const LimitPolicy policy = [] {
    ole::RegistryData data;
    std::vector<std::pair<std::string, std::string>> values;
    // An unreadable registry leaves the defaults; `tavlen limits` says why.
    if (ole::Registry::Default().Load(&data) == ole::S_OK) values = data.Values(kLimitsRegistryKey);
    return MakeLimitPolicy(values, [](const char* name) -> const char* { return std::getenv(name); });
  }();
  return policy;
}

}  // namespace tavlen::gfx

// The decode limits of this process: the built-in defaults, changed by the registry's Limits key and,
// above that, by the environment. Read once, at the first decode, so every picture of a process meets
// the same limits.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/limits.h"

namespace tavlen::gfx {

// How a limit's value is written: a plain count, pixels ("64MP") or bytes ("512MiB", "2GB").
enum class LimitUnit { Count, Pixels, Bytes };

struct LimitSetting {
  std::string_view name;         // the registry value and `tavlen limits` name
  std::string_view environment;  // the variable that overrides it
  LimitUnit unit;
  uint64_t maximum;  // larger values cannot be held by the limit and are refused
  uint64_t (*get)(const DecodeLimits&);
  void (*set)(DecodeLimits&, uint64_t);
};

inline constexpr std::string_view kLimitsRegistryKey = "Software\\Tavlen\\Limits";

// A value and what it came from, for `tavlen limits` and the refusal texts.
enum class LimitSource { Default, Registry, Environment };

struct LimitPolicy {
  DecodeLimits limits;
  std::array<LimitSource, 5> sources{};
  // One sentence for each value that was ignored, naming where it was and why.
  std::vector<std::string> ignored;
};

const std::array<LimitSetting, 5>& LimitSettings();
const LimitSetting* FindLimitSetting(std::string_view name);

// A value in its unit: digits with an optional suffix, K/M/G/T (powers of 1000) or KiB/MiB/GiB/TiB
// (powers of 1024) for bytes with an optional trailing "B", KP/MP/GP for pixels. Nothing for an empty,
// zero, malformed or unrepresentable value.
std::optional<uint64_t> ParseLimitValue(std::string_view text, LimitUnit unit, uint64_t maximum);
// The value in its unit's most readable exact form ("1GiB", "64MP", "262144").
std::string FormatLimitValue(uint64_t value, LimitUnit unit);

// The policy from the defaults, then `registryValues` (name, text pairs), then `environment` (a lookup
// of a variable; null when unset). Pure, for tests; the process uses ProcessLimitPolicy().
using EnvironmentLookup = const char* (*)(const char* name);
LimitPolicy MakeLimitPolicy(const std::vector<std::pair<std::string, std::string>>& registryValues,
                            EnvironmentLookup environment);

// This process's policy, made on first use from the registry at its default path and getenv.
const LimitPolicy& ProcessLimitPolicy();
inline const DecodeLimits& ProcessLimits() { return ProcessLimitPolicy().limits; }

}  // namespace tavlen::gfx

// The per-thread note of the limit that refused a picture, and its description.
#include "platform/graphics/limit_refusal.h"

#include <utility>

#include "platform/graphics/limit_policy.h"

namespace tavlen::gfx {

namespace {

thread_local Refusal t_refusal = Refusal::None;
thread_local std::string t_missingLibrary;

}  // namespace

void NoteRefusal(Refusal refusal) { t_refusal = refusal; }

void NoteMissingLibrary(std::string reason) {
  t_refusal = Refusal::MissingLibrary;
  t_missingLibrary = std::move(reason);
}

Refusal TakeRefusal() {
  const Refusal refusal = t_refusal;
  t_refusal = Refusal::None;
  return refusal;
}

std::string DescribeRefusal(Refusal refusal) {
  static constexpr const char* kNames[] = {"", "Side", "Pixels", "Memory", "File"};
  static constexpr const char* kWhat[] = {"", "a side longer than", "more pixels than", "more pixel memory than",
                                          "a file larger than"};
  if (refusal == Refusal::None) return {};
  if (refusal == Refusal::MissingLibrary) return "refused: the library that decodes this format is missing";
  if (refusal == Refusal::Unbacked)
    return "refused: the file claims a picture far larger than its data can fill (a damaged file or a "
           "decompression bomb)";
  const int index = static_cast<int>(refusal);
  const LimitSetting& setting = *FindLimitSetting(kNames[index]);
  return "refused by the decode limit " + std::string(setting.name) + ": the picture needs " + kWhat[index] + " " +
         FormatLimitValue(setting.get(ProcessLimits()), setting.unit) + "; raise it with " +
         std::string(setting.environment) + " or `tavlen limits " + std::string(setting.name) + " VALUE`";
}

std::string TakeRefusalText() {
  const Refusal refusal = TakeRefusal();
  std::string missing = std::exchange(t_missingLibrary, {});
  if (refusal == Refusal::MissingLibrary && !missing.empty()) return missing;
  return DescribeRefusal(refusal);
}

}  // namespace tavlen::gfx

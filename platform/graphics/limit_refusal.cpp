// The per-thread note of the limit that refused a picture, and its description.
#include "platform/graphics/limit_refusal.h"

#include "platform/graphics/limit_policy.h"

namespace tavlen::gfx {

namespace {

thread_local Refusal t_refusal = Refusal::None;

}  // namespace

void NoteRefusal(Refusal refusal) { t_refusal = refusal; }

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
  if (refusal == Refusal::Unbacked)
    return "refused: the file claims a picture far larger than its data can fill (a damaged file or a "
           "decompression bomb)";
  const int index = static_cast<int>(refusal);
  const LimitSetting& setting = *FindLimitSetting(kNames[index]);
  return "refused by the decode limit " + std::string(setting.name) + ": the picture needs " + kWhat[index] + " " +
         FormatLimitValue(setting.get(ProcessLimits()), setting.unit) + "; raise it with " +
         std::string(setting.environment) + " or `tavlen limits " + std::string(setting.name) + " VALUE`";
}

std::string TakeRefusalText() { return DescribeRefusal(TakeRefusal()); }

}  // namespace tavlen::gfx

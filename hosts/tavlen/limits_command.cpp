// The limits command: the policy as a new process would make it, and changes to the registry's part.
#include "hosts/tavlen/limits_command.h"

#include <cstdio>
#include <cstdlib>

#include "platform/automation/hresult.h"
#include "platform/automation/registry.h"
#include "platform/graphics/limit_policy.h"

namespace tavlen::host {

namespace {

constexpr const char* kSourceNames[] = {"default", "registry", "environment"};

int Show() {
  ole::RegistryData data;
  const ole::Registry registry = ole::Registry::Default();
  std::vector<std::pair<std::string, std::string>> values;
  if (ole::HRESULT hr = registry.Load(&data); hr != ole::S_OK) {
    std::fprintf(stderr, "tavlen limits: the registry %s cannot be read (%s); its limits are not used\n",
                 registry.Path().c_str(), ole::FormatHResult(hr).c_str());
  } else {
    values = data.Values(gfx::kLimitsRegistryKey);
  }
  const gfx::LimitPolicy policy =
      gfx::MakeLimitPolicy(values, [](const char* name) -> const char* { return std::getenv(name); });
  const auto& settings = gfx::LimitSettings();
  for (size_t i = 0; i < settings.size(); ++i) {
    const gfx::LimitSetting& setting = settings[i];
    const std::string value = gfx::FormatLimitValue(setting.get(policy.limits), setting.unit);
    std::printf("%-15s %-12s (%s; %.*s)\n", std::string(setting.name).c_str(), value.c_str(),
                kSourceNames[static_cast<int>(policy.sources[i])], static_cast<int>(setting.environment.size()),
                setting.environment.data());
  }
  for (const std::string& ignored : policy.ignored) std::printf("ignored: %s\n", ignored.c_str());
  return 0;
}

int Set(const std::string& name, const std::string& text) {
  const gfx::LimitSetting* setting = gfx::FindLimitSetting(name);
  if (!setting) {
    std::fprintf(stderr, "tavlen limits: no limit named '%s'\n", name.c_str());
    return 2;
  }
  const bool reset = text == "default";
  if (!reset && !gfx::ParseLimitValue(text, setting->unit, setting->maximum)) {
    std::fprintf(stderr, "tavlen limits: '%s' is not a valid value for %s\n", text.c_str(),
                 std::string(setting->name).c_str());
    return 2;
  }
  ole::Registry registry = ole::Registry::Default();
  const ole::HRESULT hr = registry.Update([&](ole::RegistryData& data) {
    if (reset) {
      data.DeleteValue(gfx::kLimitsRegistryKey, setting->name);
      // The last value gone, the key and its emptied parents go too.
      if (data.Values(gfx::kLimitsRegistryKey).empty() && data.SubKeys(gfx::kLimitsRegistryKey).empty()) {
        data.DeleteTree(gfx::kLimitsRegistryKey);
        data.RemoveEmptyParents(gfx::kLimitsRegistryKey);
      }
      return ole::S_OK;
    }
    return data.SetValue(gfx::kLimitsRegistryKey, setting->name, text);
  });
  if (hr != ole::S_OK) {
    std::fprintf(stderr, "tavlen limits: the registry %s cannot be changed (%s)\n", registry.Path().c_str(),
                 ole::FormatHResult(hr).c_str());
    return 1;
  }
  return Show();
}

}  // namespace

int LimitsCommand(const std::vector<std::string>& args) {
  if (args.empty()) return Show();
  if (args.size() == 2) return Set(args[0], args[1]);
  std::fputs("usage: tavlen limits [NAME VALUE|default]\n", stderr);
  return 2;
}

}  // namespace tavlen::host

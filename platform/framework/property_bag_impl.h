// Internal state of a property bag, shared by the bag's text form and the property exchanger.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/framework/prop_exchange.h"

namespace tavlen::fw {

inline constexpr const char* kBagFormat = "tavlen-properties";

struct PropertyBag::Impl {
  // Named values in the order they were first written; an object of scalars.
  nlohmann::ordered_json properties = nlohmann::ordered_json::object();
  std::optional<uint32_t> version;

  const nlohmann::ordered_json* Find(const std::string& name) const {
    auto found = properties.find(name);
    return found == properties.end() ? nullptr : &*found;
  }
  void Set(const std::string& name, nlohmann::ordered_json value) { properties[name] = std::move(value); }
};

}  // namespace tavlen::fw

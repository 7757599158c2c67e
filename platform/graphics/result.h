// A value or the status that explains why there is none.
#pragma once

#include <optional>
#include <utility>

#include "platform/graphics/status.h"

namespace tavlen::gfx {

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : m_value(std::move(value)), m_status(Status::Ok) {}  // NOLINT: implicit by design
  Result(Status status) : m_status(status == Status::Ok ? Status::GenericError : status) {}  // NOLINT

  bool Ok() const { return m_value.has_value(); }
  Status GetStatus() const { return m_status; }
  T& Value() & { return *m_value; }
  const T& Value() const& { return *m_value; }
  T&& Value() && { return std::move(*m_value); }

 private:
  std::optional<T> m_value;
  Status m_status;
};

}  // namespace tavlen::gfx

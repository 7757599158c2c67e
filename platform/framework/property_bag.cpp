// The property bag's text form: versioned JSON, written whole and read back value by value so that
// a damaged text still yields every value that was complete before the damage.
#include <limits>
#include <utility>

#include "platform/framework/property_bag_impl.h"

namespace tavlen::fw {

namespace {

using Json = nlohmann::ordered_json;

// Reads a bag's text as a stream of events. Top-level "format" and "version" and the scalar
// members of "properties" are kept; everything else is skipped. A value counts only once the
// separator after it has been seen, so a number cut short by truncation is not taken.
class BagReader {
 public:
  explicit BagReader(PropertyBag::Impl& out) : m_out(out) {}

  bool null() { return Scalar(Json(nullptr)); }
  bool boolean(bool value) { return Scalar(Json(value)); }
  bool number_integer(Json::number_integer_t value) { return Scalar(Json(value)); }
  bool number_unsigned(Json::number_unsigned_t value) { return Scalar(Json(value)); }
  bool number_float(Json::number_float_t value, const Json::string_t& /*text*/) { return Scalar(Json(value)); }
  bool string(Json::string_t& value) { return Scalar(Json(value)); }
  bool binary(Json::binary_t& /*value*/) { return Scalar(Json(nullptr)); }

  bool start_object(std::size_t /*elements*/) { return Open(true); }
  bool start_array(std::size_t /*elements*/) { return Open(false); }
  bool end_object() {
    Commit();
    return Close();
  }
  bool end_array() { return Close(); }
  bool key(Json::string_t& name) {
    Commit();
    m_key = name;
    return true;
  }
  bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                   const nlohmann::detail::exception& /*error*/) {
    m_damaged = true;
    return false;
  }

  bool Damaged() const { return m_damaged; }
  bool Ours() const { return m_ours; }

 private:
  bool Open(bool isObject) {
    if (m_depth == 0 && !isObject) {
      m_damaged = true;  // not an object at all: nothing of ours
      return false;
    }
    m_pending.reset();
    if (m_depth == 1) m_inProperties = isObject && m_key == "properties";
    ++m_depth;
    return true;
  }

  bool Close() {
    if (m_depth == 2) m_inProperties = false;
    --m_depth;
    return true;
  }

  bool Scalar(Json value) {
    if (m_depth == 0) {
      m_damaged = true;
      return false;
    }
    if (m_depth == 1 || (m_depth == 2 && m_inProperties)) m_pending = {m_depth, m_key, std::move(value)};
    return true;
  }

  void Commit() {
    if (!m_pending) return;
    Pending p = std::move(*m_pending);
    m_pending.reset();
    if (p.depth == 2) {
      m_out.Set(p.name, std::move(p.value));
    } else if (p.name == "format") {
      m_ours = p.value.is_string() && p.value.get<std::string>() == kBagFormat;
    } else if (p.name == "version") {
      if (p.value.is_number_unsigned() && p.value.get<uint64_t>() <= std::numeric_limits<uint32_t>::max()) {
        m_out.version = static_cast<uint32_t>(p.value.get<uint64_t>());
      }
    }
  }

  struct Pending {
    int depth;
    std::string name;
    Json value;
  };

  PropertyBag::Impl& m_out;
  int m_depth = 0;
  bool m_inProperties = false;
  bool m_damaged = false;
  bool m_ours = false;
  std::string m_key;
  std::optional<Pending> m_pending;
};

}  // namespace

PropertyBag::PropertyBag() : m_impl(std::make_unique<Impl>()) {}
PropertyBag::~PropertyBag() = default;
PropertyBag::PropertyBag(PropertyBag&&) noexcept = default;
PropertyBag& PropertyBag::operator=(PropertyBag&&) noexcept = default;

std::string PropertyBag::ToText() const {
  try {
    Json document = Json::object();
    document["format"] = kBagFormat;
    if (m_impl->version) document["version"] = *m_impl->version;
    document["properties"] = m_impl->properties;
    // Strings that are not valid UTF-8 are written with replacement characters instead of failing.
    return document.dump(2, ' ', false, Json::error_handler_t::replace);
  } catch (...) {
    return {};
  }
}

bool PropertyBag::Parse(const std::string& text) {
  auto fresh = std::make_unique<Impl>();
  BagReader reader(*fresh);
  bool complete = false;
  try {
    complete = Json::sax_parse(text, &reader) && !reader.Damaged();
  } catch (...) {
    complete = false;
  }
  // A text without our format marker (or cut before it) is someone else's: nothing of it is used.
  if (!reader.Ours()) fresh = std::make_unique<Impl>();
  m_impl = std::move(fresh);
  return complete && reader.Ours();
}

uint32_t PropertyBag::Version() const { return m_impl->version.value_or(0); }

void PropertyBag::SetVersion(uint32_t version) { m_impl->version = version; }

bool PropertyBag::Has(const std::string& name) const { return m_impl->Find(name) != nullptr; }

}  // namespace tavlen::fw

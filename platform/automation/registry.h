// The registry: a tree of keys with named string values, kept in one text file that is readable and
// diffable, written atomically under a file lock so concurrent registrations never corrupt it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/automation/hresult.h"

namespace tavlen::ole {

// Key paths are names joined by '\' ("CLSID\{...}\InprocServer32"); names compare without regard to
// case, as desktop registries do. A key's default value has the empty name.
class RegistryData {
 public:
  // A valid path: non-empty names, no control characters, no ']' .
  static bool ValidKey(std::string_view key);

  bool HasKey(std::string_view key) const;
  std::optional<std::string> GetValue(std::string_view key, std::string_view name = {}) const;
  // Creates the key and its parents as needed. E_INVALIDARG for an invalid key or a name with control characters.
  HRESULT SetValue(std::string_view key, std::string_view name, std::string_view value);
  HRESULT CreateKey(std::string_view key);
  // False when there was no such value.
  bool DeleteValue(std::string_view key, std::string_view name);
  // Removes the key with everything under it; returns how many keys went.
  size_t DeleteTree(std::string_view key);
  // Removes the ancestors of `key` that hold neither values nor subkeys any more, nearest first.
  void RemoveEmptyParents(std::string_view key);

  // Names of the direct subkeys, in file order.
  std::vector<std::string> SubKeys(std::string_view key) const;
  std::vector<std::pair<std::string, std::string>> Values(std::string_view key) const;
  bool Empty() const { return m_keys.empty(); }

  // The file form: a header line, then one "[key]" section per key in sorted order with its values
  // ("@" for the default) as quoted strings, one per line.
  std::string Serialize() const;
  // REGDB_E_READREGDB for anything that is not that form; *data is left unchanged then.
  static HRESULT Parse(std::string_view text, RegistryData* data);

  friend bool operator==(const RegistryData&, const RegistryData&) = default;

 private:
  struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  using ValueMap = std::map<std::string, std::string, NoCaseLess>;
  std::map<std::string, ValueMap, NoCaseLess> m_keys;
};

// The registry file of this user: $TAVLEN_REGISTRY, else $XDG_DATA_HOME/tavlen/registry, else
// ~/.local/share/tavlen/registry.
std::string DefaultRegistryPath();

class Registry {
 public:
  explicit Registry(std::string path) : m_path(std::move(path)) {}
  // The registry at DefaultRegistryPath().
  static Registry Default();

  const std::string& Path() const { return m_path; }

  // A snapshot. A missing file is an empty registry; a damaged or unreadable one is REGDB_E_READREGDB.
  HRESULT Load(RegistryData* data) const;

  // Read-modify-write under an exclusive lock on "<path>.lock": loads, lets `edit` change the data, and
  // when edit succeeds writes a temporary file beside the registry and renames it into place.
  // Returns edit's failure (nothing written), REGDB_E_READREGDB when the current file is damaged (it is
  // left as it is), REGDB_E_WRITEREGDB when the file cannot be written.
  HRESULT Update(const std::function<HRESULT(RegistryData&)>& edit);

  // Runs `steps` as one read-modify-write under the lock: the Updates and Loads inside work on one copy
  // of the data, and the file is written once at the end with what the successful updates changed, so
  // other processes see all of the steps or none of them. Returns what `steps` returns, or Update's
  // REGDB_E_READREGDB (steps not run) or REGDB_E_WRITEREGDB.
  HRESULT Batch(const std::function<HRESULT()>& steps);

  // One-value conveniences. GetValue: REGDB_E_KEYMISSING when the key or value is absent.
  HRESULT GetValue(std::string_view key, std::string_view name, std::string* value) const;
  HRESULT SetValue(std::string_view key, std::string_view name, std::string_view value);
  HRESULT DeleteTree(std::string_view key);

 private:
  std::string m_path;
  RegistryData* m_batch = nullptr;  // the data a running Batch collects its changes in
};

}  // namespace tavlen::ole

// The registry file: its text form, and locked, atomic read-modify-write.
#include "platform/automation/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/base/ascii.h"
#include "platform/base/file_io.h"
#include "platform/base/unique_fd.h"

namespace tavlen::ole {

namespace {

constexpr std::string_view kHeader = "TAVLEN REGISTRY 1";
// A registry is a few kilobytes; anything beyond this is not one and is not read into memory.
constexpr uint64_t kMaxRegistryBytes = 64 << 20;

bool HasControl(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20 || u == 0x7F) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02X", u);
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted string at `*pos`; advances past the closing quote.
bool Unquote(std::string_view line, size_t* pos, std::string* out) {
  size_t i = *pos;
  if (i >= line.size() || line[i] != '"') return false;
  ++i;
  out->clear();
  while (i < line.size()) {
    char c = line[i++];
    if (c == '"') {
      *pos = i;
      return true;
    }
    if (c != '\\') {
      out->push_back(c);
      continue;
    }
    if (i >= line.size()) return false;
    char e = line[i++];
    switch (e) {
      case '"':
      case '\\':
        out->push_back(e);
        break;
      case 'n':
        out->push_back('\n');
        break;
      case 'r':
        out->push_back('\r');
        break;
      case 't':
        out->push_back('\t');
        break;
      case 'x': {
        if (i + 2 > line.size() || Hex(line[i]) < 0 || Hex(line[i + 1]) < 0) return false;
        out->push_back(static_cast<char>(Hex(line[i]) * 16 + Hex(line[i + 1])));
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

std::string_view Parent(std::string_view key) {
  size_t slash = key.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : key.substr(0, slash);
}

// True when `key` lies strictly below `parent`.
bool IsBelow(std::string_view key, std::string_view parent) {
  if (key.size() <= parent.size() + 1 || key[parent.size()] != '\\') return false;
  for (size_t i = 0; i < parent.size(); ++i) {
    if (base::AsciiLower(key[i]) != base::AsciiLower(parent[i])) return false;
  }
  return true;
}

bool MakeDirectories(const std::string& dir) {
  if (dir.empty()) return true;
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash))) return false;
  return ::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Reads the whole file: S_FALSE (and no text) when it does not exist.
HRESULT ReadFile(const std::string& path, std::string* text) {
  text->clear();
  const int error = base::ReadWholeFile(path, *text, kMaxRegistryBytes);
  if (error == ENOENT) return S_FALSE;
  return error == 0 ? S_OK : REGDB_E_READREGDB;
}

}  // namespace

bool RegistryData::NoCaseLess::operator()(std::string_view a, std::string_view b) const {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char x = base::AsciiLower(a[i]);
    char y = base::AsciiLower(b[i]);
    // The separator sorts first so that a key's subkeys follow it directly.
    if (x == '\\' && y != '\\') return true;
    if (y == '\\' && x != '\\') return false;
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size();
}

bool RegistryData::ValidKey(std::string_view key) {
  if (key.empty() || HasControl(key) || key.find(']') != std::string_view::npos) return false;
  size_t start = 0;
  while (true) {
    size_t slash = key.find('\\', start);
    size_t end = slash == std::string_view::npos ? key.size() : slash;
    if (end == start) return false;  // empty name
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

bool RegistryData::HasKey(std::string_view key) const { return m_keys.find(key) != m_keys.end(); }

std::optional<std::string> RegistryData::GetValue(std::string_view key, std::string_view name) const {
  auto k = m_keys.find(key);
  if (k == m_keys.end()) return std::nullopt;
  auto v = k->second.find(name);
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

HRESULT RegistryData::CreateKey(std::string_view key) {
  if (!ValidKey(key)) return E_INVALIDARG;
  for (std::string_view k = key; !k.empty(); k = Parent(k)) {
    if (HasKey(k)) break;
    m_keys.emplace(std::string(k), ValueMap{});
  }
  return S_OK;
}

HRESULT RegistryData::SetValue(std::string_view key, std::string_view name, std::string_view value) {
  if (HasControl(name)) return E_INVALIDARG;
  HRESULT hr = CreateKey(key);
  if (FAILED(hr)) return hr;
  ValueMap& values = m_keys.find(key)->second;
  auto v = values.find(name);
  if (v == values.end())
    values.emplace(std::string(name), std::string(value));
  else
    v->second = std::string(value);
  return S_OK;
}

bool RegistryData::DeleteValue(std::string_view key, std::string_view name) {
  auto k = m_keys.find(key);
  if (k == m_keys.end()) return false;
  auto v = k->second.find(name);
  if (v == k->second.end()) return false;
  k->second.erase(v);
  return true;
}

size_t RegistryData::DeleteTree(std::string_view key) {
  auto first = m_keys.find(key);
  if (first == m_keys.end()) return 0;
  auto last = std::next(first);
  while (last != m_keys.end() && IsBelow(last->first, key)) ++last;
  size_t count = static_cast<size_t>(std::distance(first, last));
  m_keys.erase(first, last);
  return count;
}

void RegistryData::RemoveEmptyParents(std::string_view key) {
  for (std::string_view parent = Parent(key); !parent.empty(); parent = Parent(parent)) {
    auto k = m_keys.find(parent);
    if (k == m_keys.end()) continue;
    auto next = std::next(k);
    bool hasChildren = next != m_keys.end() && IsBelow(next->first, parent);
    if (!k->second.empty() || hasChildren) return;
    m_keys.erase(k);
  }
}

std::vector<std::string> RegistryData::SubKeys(std::string_view key) const {
  std::vector<std::string> names;
  auto k = m_keys.find(key);
  if (k == m_keys.end()) return names;
  for (auto it = std::next(k); it != m_keys.end() && IsBelow(it->first, key); ++it) {
    std::string_view rest = std::string_view(it->first).substr(key.size() + 1);
    if (rest.find('\\') == std::string_view::npos) names.emplace_back(rest);
  }
  return names;
}

std::vector<std::pair<std::string, std::string>> RegistryData::Values(std::string_view key) const {
  std::vector<std::pair<std::string, std::string>> values;
  auto k = m_keys.find(key);
  if (k == m_keys.end()) return values;
  for (const auto& [name, value] : k->second) values.emplace_back(name, value);
  return values;
}

std::string RegistryData::Serialize() const {
  std::string out(kHeader);
  out += "\n";
  for (auto it = m_keys.begin(); it != m_keys.end(); ++it) {
    // A key without values is implied by the subkey after it, but only when that subkey spells it the
    // same way: reading the file back creates the key as the subkey spells it, and names keep their case.
    auto next = std::next(it);
    if (it->second.empty() && next != m_keys.end() && IsBelow(next->first, it->first) &&
        std::string_view(next->first).starts_with(it->first)) {
      continue;
    }
    out += "\n[" + it->first + "]\n";
    for (const auto& [name, value] : it->second) out += (name.empty() ? "@" : Quote(name)) + "=" + Quote(value) + "\n";
  }
  return out;
}

HRESULT RegistryData::Parse(std::string_view text, RegistryData* data) {
  if (!data) return E_POINTER;
  RegistryData parsed;
  if (text.find('\0') != std::string_view::npos) return REGDB_E_READREGDB;
  std::string currentKey;
  bool sawHeader = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!sawHeader) {
      if (line != kHeader) return REGDB_E_READREGDB;
      sawHeader = true;
      continue;
    }
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.size() < 3 || line.back() != ']') return REGDB_E_READREGDB;
      std::string_view key = line.substr(1, line.size() - 2);
      if (!ValidKey(key) || (parsed.HasKey(key) && !parsed.m_keys.find(key)->second.empty())) {
        return REGDB_E_READREGDB;
      }
      parsed.CreateKey(key);
      currentKey = std::string(key);
      continue;
    }
    if (currentKey.empty()) return REGDB_E_READREGDB;
    std::string name;
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (!Unquote(line, &pos, &name) || name.empty()) {
      return REGDB_E_READREGDB;
    }
    std::string value;
    if (pos >= line.size() || line[pos] != '=') return REGDB_E_READREGDB;
    ++pos;
    if (!Unquote(line, &pos, &value) || pos != line.size()) return REGDB_E_READREGDB;
    if (parsed.GetValue(currentKey, name)) return REGDB_E_READREGDB;  // a value given twice
    if (FAILED(parsed.SetValue(currentKey, name, value))) return REGDB_E_READREGDB;
  }
  // An empty file is an empty registry; anything else must have started with the header.
  if (!sawHeader && !text.empty()) return REGDB_E_READREGDB;
  *data = std::move(parsed);
  return S_OK;
}

std::string DefaultRegistryPath() {
  if (const char* path = std::getenv("TAVLEN_REGISTRY"); path && *path) return path;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
    return std::string(data) + "/tavlen/registry";
  std::string home;
  if (const char* h = std::getenv("HOME"); h && *h) {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
    home = pw->pw_dir;
  }
  return home + "/.local/share/tavlen/registry";
}

Registry Registry::Default() { return Registry(DefaultRegistryPath()); }

HRESULT Registry::Load(RegistryData* data) const {
  if (!data) return E_POINTER;
  if (m_batch) {
    *data = *m_batch;
    return S_OK;
  }
  std::string text;
  HRESULT hr = ReadFile(m_path, &text);
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE) {
    *data = RegistryData();
    return S_OK;
  }
  return RegistryData::Parse(text, data);
}

HRESULT Registry::Update(const std::function<HRESULT(RegistryData&)>& edit) {
  if (m_batch) {
    // Inside a batch: the edit applies to the batch's copy only when it succeeds.
    RegistryData edited = *m_batch;
    const HRESULT hr = edit(edited);
    if (SUCCEEDED(hr)) *m_batch = std::move(edited);
    return hr;
  }
  HRESULT editResult = S_OK;
  const HRESULT hr = Batch([&] { return editResult = Update(edit); });
  return FAILED(editResult) ? editResult : hr;
}

HRESULT Registry::Batch(const std::function<HRESULT()>& steps) {
  if (m_batch) return steps();
  if (!MakeDirectories(DirectoryOf(m_path))) return REGDB_E_WRITEREGDB;
  std::string lockPath = m_path + ".lock";
  // Closing the lock file when `lock` goes releases the lock.
  base::UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!lock.Valid()) return REGDB_E_WRITEREGDB;
  while (::flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) return REGDB_E_WRITEREGDB;
  }
  RegistryData data;
  HRESULT hr = Load(&data);
  if (FAILED(hr)) return hr;
  const RegistryData before = data;
  {
    // The batch ends with this scope whichever way `steps` leaves it.
    struct EndBatch {
      RegistryData*& batch;
      ~EndBatch() { batch = nullptr; }
    } end{m_batch = &data};
    hr = steps();
  }
  if (data == before) return hr;  // nothing changed: leave the file as it is
  if (base::WriteFileAtomically(m_path, data.Serialize()) != 0) return REGDB_E_WRITEREGDB;
  return hr;
}

HRESULT Registry::GetValue(std::string_view key, std::string_view name, std::string* value) const {
  if (!value) return E_POINTER;
  RegistryData data;
  HRESULT hr = Load(&data);
  if (FAILED(hr)) return hr;
  std::optional<std::string> found = data.GetValue(key, name);
  if (!found) return REGDB_E_KEYMISSING;
  *value = std::move(*found);
  return S_OK;
}

HRESULT Registry::SetValue(std::string_view key, std::string_view name, std::string_view value) {
  return Update([&](RegistryData& data) { return data.SetValue(key, name, value); });
}

HRESULT Registry::DeleteTree(std::string_view key) {
  return Update([&](RegistryData& data) {
    data.DeleteTree(key);
    return S_OK;
  });
}

}  // namespace tavlen::ole

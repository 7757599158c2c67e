// The registry file: text form, damaged files, locked atomic updates from threads and processes, and
// the entries that registration writes and lookups read.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/automation/registration.h"
#include "tests/automation/sample_object.h"

namespace tavlen::ole {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tavlen-registry-XXXXXX").string();
    m_path = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ignored;
    if (!m_path.empty()) fs::remove_all(m_path, ignored);
  }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(RegistryText, SortedOneValuePerLine) {
  RegistryData data;
  ASSERT_EQ(data.SetValue("ProgID.Sample\\CLSID", "", "{X}"), S_OK);
  ASSERT_EQ(data.SetValue("CLSID\\{A}\\InprocServer32", "ThreadingModel", "Apartment"), S_OK);
  ASSERT_EQ(data.SetValue("CLSID\\{A}\\InprocServer32", "", "/lib/a.so"), S_OK);
  ASSERT_EQ(data.CreateKey("CLSID\\{A}\\Control"), S_OK);
  ASSERT_EQ(data.SetValue("CLSID\\{A}", "", "Sample \"quoted\" \\ back"), S_OK);
  EXPECT_EQ(data.Serialize(),
            "TAVLEN REGISTRY 1\n"
            "\n[CLSID\\{A}]\n@=\"Sample \\\"quoted\\\" \\\\ back\"\n"
            "\n[CLSID\\{A}\\Control]\n"
            "\n[CLSID\\{A}\\InprocServer32]\n@=\"/lib/a.so\"\n\"ThreadingModel\"=\"Apartment\"\n"
            "\n[ProgID.Sample\\CLSID]\n@=\"{X}\"\n");
}

TEST(RegistryText, RoundTripsAwkwardValues) {
  RegistryData data;
  ASSERT_EQ(data.SetValue("K", "name with spaces", "line1\nline2\ttab\r\x01 \xC3\xA9t\xC3\xA9 ] ["), S_OK);
  ASSERT_EQ(data.SetValue("K\\Sub", "", ""), S_OK);
  RegistryData parsed;
  ASSERT_EQ(RegistryData::Parse(data.Serialize(), &parsed), S_OK);
  EXPECT_EQ(parsed, data);
  EXPECT_EQ(parsed.GetValue("k", "NAME WITH SPACES"), "line1\nline2\ttab\r\x01 \xC3\xA9t\xC3\xA9 ] [");
}

TEST(RegistryText, ParentKeysKeepTheirSpellingThroughTheFile) {
  // A key created as "Root" and later reached as "ROOT\Child" stays "Root" after a write and a read,
  // also when it has no values of its own.
  RegistryData data;
  ASSERT_EQ(data.CreateKey("Root\\First"), S_OK);
  ASSERT_EQ(data.CreateKey("ROOT\\Another\\Deep"), S_OK);
  RegistryData parsed;
  ASSERT_EQ(RegistryData::Parse(data.Serialize(), &parsed), S_OK);
  EXPECT_EQ(parsed, data);
  EXPECT_EQ(parsed.SubKeys("root"), (std::vector<std::string>{"Another", "First"}));
}

TEST(RegistryText, KeysAreCaseInsensitiveTrees) {
  RegistryData data;
  ASSERT_EQ(data.SetValue("CLSID\\{A}\\ProgID", "", "a"), S_OK);
  ASSERT_EQ(data.SetValue("clsid\\{A}x", "", "neighbour"), S_OK);
  ASSERT_EQ(data.SetValue("CLSID\\{B}", "", "b"), S_OK);
  EXPECT_TRUE(data.HasKey("Clsid\\{a}"));
  EXPECT_EQ(data.SubKeys("CLSID"), (std::vector<std::string>{"{A}", "{A}x", "{B}"}));
  EXPECT_EQ(data.DeleteTree("CLSID\\{a}"), 2u);
  EXPECT_EQ(data.GetValue("CLSID\\{A}x"), "neighbour");
  EXPECT_FALSE(data.HasKey("CLSID\\{A}\\ProgID"));
  EXPECT_EQ(data.SetValue("bad\\\\empty", "", "x"), E_INVALIDARG);
  EXPECT_EQ(data.SetValue("bad]", "", "x"), E_INVALIDARG);
  EXPECT_EQ(data.SetValue("ok", "bad\nname", "x"), E_INVALIDARG);
}

TEST(RegistryText, DamagedTextIsRefused) {
  using namespace std::string_literals;
  const std::string damaged[] = {
      "not a registry\n"s,
      "TAVLEN REGISTRY 1\n@=\"value before any key\"\n"s,
      "TAVLEN REGISTRY 1\n[K]\n@=\"unterminated\n"s,
      "TAVLEN REGISTRY 1\n[K]\n@=\"x\" trailing\n"s,
      "TAVLEN REGISTRY 1\n[K]\nname=\"unquoted name\"\n"s,
      "TAVLEN REGISTRY 1\n[K\n"s,
      "TAVLEN REGISTRY 1\n[A\\\\B]\n"s,
      "TAVLEN REGISTRY 1\n[K]\n@=\"bad escape \\q\"\n"s,
      "TAVLEN REGISTRY 1\n[K]\n@=\"\\x4\"\n"s,
      "TAVLEN REGISTRY 1\n[K]\n@=\"a\"\n@=\"b\"\n"s,
      "TAVLEN REGISTRY 1\n[K]\n@=\"a\"\n[k]\n@=\"b\"\n"s,
      "TAVLEN REGISTRY 1\n[K]\n\"\"=\"empty name\"\n"s,
      "TAVLEN REGISTRY 1\n[K]\n@=\"nul\0inside\"\n"s,
  };
  for (const std::string& text : damaged) {
    RegistryData data;
    ASSERT_EQ(data.SetValue("Untouched", "", "yes"), S_OK);
    EXPECT_EQ(RegistryData::Parse(text, &data), REGDB_E_READREGDB) << text;
    EXPECT_EQ(data.GetValue("Untouched"), "yes");
  }
  RegistryData empty;
  EXPECT_EQ(RegistryData::Parse("", &empty), S_OK);
  EXPECT_EQ(RegistryData::Parse("TAVLEN REGISTRY 1\r\n; comment\r\n[K]\r\n@=\"v\"\r\n", &empty), S_OK);
  EXPECT_EQ(empty.GetValue("K"), "v");
}

TEST(RegistryFile, MissingFileIsEmptyAndUpdatesCreateIt) {
  TempDir dir;
  Registry registry(dir.File("sub/dir/registry"));
  RegistryData data;
  ASSERT_EQ(registry.Load(&data), S_OK);
  EXPECT_TRUE(data.Empty());
  std::string value;
  EXPECT_EQ(registry.GetValue("K", "", &value), REGDB_E_KEYMISSING);
  ASSERT_EQ(registry.SetValue("K", "", "v"), S_OK);
  ASSERT_EQ(registry.GetValue("k", "", &value), S_OK);
  EXPECT_EQ(value, "v");
  EXPECT_EQ(ReadText(registry.Path()), "TAVLEN REGISTRY 1\n\n[K]\n@=\"v\"\n");
}

TEST(RegistryFile, DamagedFileGivesReadErrorAndIsLeftAlone) {
  TempDir dir;
  std::string path = dir.File("registry");
  const std::string garbage(
      "\x7f"
      "ELF\x02\x01\x01\0\0garbage",
      16);
  WriteText(path, garbage);
  Registry registry(path);
  RegistryData data;
  EXPECT_EQ(registry.Load(&data), REGDB_E_READREGDB);
  EXPECT_EQ(registry.SetValue("K", "", "v"), REGDB_E_READREGDB);
  EXPECT_EQ(ReadText(path), garbage);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(registry, "Any.Thing", &clsid), REGDB_E_READREGDB);
  // A directory where the file should be is damaged too.
  fs::create_directory(dir.File("folder"));
  EXPECT_EQ(Registry(dir.File("folder")).Load(&data), REGDB_E_READREGDB);
}

TEST(RegistryFile, UnwritableLocationGivesWriteError) {
  Registry registry("/dev/null/registry");
  EXPECT_EQ(registry.SetValue("K", "", "v"), REGDB_E_WRITEREGDB);
  RegistryData data;
  EXPECT_EQ(registry.Load(&data), REGDB_E_READREGDB);
}

TEST(RegistryFile, FailedEditWritesNothing) {
  TempDir dir;
  Registry registry(dir.File("registry"));
  ASSERT_EQ(registry.SetValue("Keep", "", "1"), S_OK);
  std::string before = ReadText(registry.Path());
  HRESULT hr = registry.Update([](RegistryData& data) {
    data.SetValue("Lost", "", "x");
    return E_ABORT;
  });
  EXPECT_EQ(hr, E_ABORT);
  EXPECT_EQ(ReadText(registry.Path()), before);
}

TEST(RegistryFile, ABatchIsOneChangeWithOnlyItsSucceededSteps) {
  TempDir dir;
  Registry registry(dir.File("registry"));
  Registry other(registry.Path());
  HRESULT hr = registry.Batch([&] {
    EXPECT_EQ(registry.SetValue("First", "", "1"), S_OK);
    EXPECT_EQ(registry.Update([](RegistryData& data) {
      data.SetValue("Lost", "", "x");
      return E_ABORT;
    }),
              E_ABORT);
    std::string seen;
    EXPECT_EQ(registry.GetValue("First", "", &seen), S_OK) << "later steps see earlier ones";
    RegistryData outside;
    EXPECT_EQ(other.Load(&outside), S_OK);
    EXPECT_TRUE(outside.Empty()) << "nothing reaches the file before the batch ends";
    return registry.SetValue("Second", "", "2");
  });
  EXPECT_EQ(hr, S_OK);
  RegistryData data;
  ASSERT_EQ(other.Load(&data), S_OK);
  EXPECT_EQ(data.GetValue("First"), "1");
  EXPECT_EQ(data.GetValue("Second"), "2");
  EXPECT_FALSE(data.HasKey("Lost"));
}

constexpr int kWriters = 4;
constexpr int kWritesEach = 25;

void WriteMany(const std::string& path, int writer) {
  Registry registry(path);
  for (int i = 0; i < kWritesEach; ++i) {
    std::string key = "Writer" + std::to_string(writer) + "\\Item" + std::to_string(i);
    if (FAILED(registry.SetValue(key, "", std::to_string(writer * 1000 + i)))) return;
  }
}

void ExpectAllWrites(const std::string& path) {
  RegistryData data;
  ASSERT_EQ(Registry(path).Load(&data), S_OK);
  for (int w = 0; w < kWriters; ++w) {
    EXPECT_EQ(data.SubKeys("Writer" + std::to_string(w)).size(), static_cast<size_t>(kWritesEach)) << w;
    for (int i = 0; i < kWritesEach; ++i) {
      EXPECT_EQ(data.GetValue("Writer" + std::to_string(w) + "\\Item" + std::to_string(i)),
                std::to_string(w * 1000 + i));
    }
  }
}

TEST(RegistryConcurrency, ThreadsLoseNoUpdate) {
  TempDir dir;
  std::string path = dir.File("registry");
  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w) threads.emplace_back(WriteMany, path, w);
  for (std::thread& t : threads) t.join();
  ExpectAllWrites(path);
}

TEST(RegistryConcurrency, ProcessesLoseNoUpdate) {
  TempDir dir;
  std::string path = dir.File("registry");
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      WriteMany(path, w);
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ExpectAllWrites(path);
  // No temporary files are left beside the registry.
  for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "registry" || name == "registry.lock") << name;
  }
}

TEST(RegistryPath, EnvironmentDecides) {
  const char* saved = std::getenv("TAVLEN_REGISTRY");
  std::string savedValue = saved ? saved : "";
  const char* savedXdg = std::getenv("XDG_DATA_HOME");
  std::string savedXdgValue = savedXdg ? savedXdg : "";
  ::setenv("TAVLEN_REGISTRY", "/tmp/explicit/registry", 1);
  ::setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
  EXPECT_EQ(DefaultRegistryPath(), "/tmp/explicit/registry");
  ::unsetenv("TAVLEN_REGISTRY");
  EXPECT_EQ(DefaultRegistryPath(), "/tmp/xdg/tavlen/registry");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_NE(DefaultRegistryPath().find("/.local/share/tavlen/registry"), std::string::npos);
  if (saved) ::setenv("TAVLEN_REGISTRY", savedValue.c_str(), 1);
  if (savedXdg) ::setenv("XDG_DATA_HOME", savedXdgValue.c_str(), 1);
}

TEST(Registration, ClassEntriesAndLookups) {
  TempDir dir;
  Registry registry(dir.File("registry"));
  ClassRegistration info;
  info.clsid = test::kSampleClsid;
  info.progId = "Tavlen.Sample.1";
  info.typeName = "Sample Control";
  info.modulePath = "/opt/sample.so";
  info.control = true;
  info.miscStatus = 0x30191;
  info.toolboxBitmap = 1;
  info.libid = test::kSampleLibId;
  ASSERT_EQ(RegisterClass(registry, info), S_OK);
  RegistryData data;
  ASSERT_EQ(registry.Load(&data), S_OK);
  std::string key = "CLSID\\{0E1684F3-1EA2-4DD1-BDAE-9776E45476D6}";
  EXPECT_EQ(data.GetValue(key), "Sample Control");
  EXPECT_EQ(data.GetValue(key + "\\InprocServer32"), "/opt/sample.so");
  EXPECT_EQ(data.GetValue(key + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(data.GetValue(key + "\\ProgID"), "Tavlen.Sample.1");
  EXPECT_TRUE(data.HasKey(key + "\\Control"));
  EXPECT_FALSE(data.HasKey(key + "\\Insertable"));
  EXPECT_EQ(data.GetValue(key + "\\MiscStatus\\1"), "197009");
  EXPECT_EQ(data.GetValue(key + "\\TypeLib"), "{D055E801-EFF4-4CF9-8DEF-068F694C940D}");
  EXPECT_EQ(data.GetValue(key + "\\Version"), "1.0");
  EXPECT_EQ(data.GetValue(key + "\\ToolboxBitmap32"), "/opt/sample.so, 1");
  EXPECT_EQ(data.GetValue("Tavlen.Sample.1\\CLSID"), "{0E1684F3-1EA2-4DD1-BDAE-9776E45476D6}");

  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(registry, "tavlen.sample.1", &clsid), S_OK);
  EXPECT_EQ(clsid, test::kSampleClsid);
  EXPECT_EQ(CLSIDFromProgID(registry, "Tavlen.Other.1", &clsid), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CLSIDFromProgIDOrString(registry, "{0E1684F3-1EA2-4DD1-BDAE-9776E45476D}", &clsid), CO_E_CLASSSTRING);
  std::string path;
  ASSERT_EQ(InprocServerOfClass(registry, test::kSampleClsid, &path), S_OK);
  EXPECT_EQ(path, "/opt/sample.so");

  // Registering again writes the same file.
  std::string first = ReadText(registry.Path());
  ASSERT_EQ(RegisterClass(registry, info), S_OK);
  EXPECT_EQ(ReadText(registry.Path()), first);

  ASSERT_EQ(UnregisterClass(registry, test::kSampleClsid, "Tavlen.Sample.1"), S_OK);
  EXPECT_EQ(InprocServerOfClass(registry, test::kSampleClsid, &path), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CLSIDFromProgID(registry, "Tavlen.Sample.1", &clsid), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(UnregisterClass(registry, test::kSampleClsid, "Tavlen.Sample.1"), S_FALSE);
}

TEST(Registration, UnregisteringKeepsAProgIdOfAnotherClass) {
  TempDir dir;
  Registry registry(dir.File("registry"));
  ClassRegistration info;
  info.clsid = test::kSampleClsid;
  info.progId = "Shared.Name";
  info.modulePath = "/opt/a.so";
  ASSERT_EQ(RegisterClass(registry, info), S_OK);
  ASSERT_EQ(UnregisterClass(registry, test::kSampleLibId, "Shared.Name"), S_FALSE);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(registry, "Shared.Name", &clsid), S_OK);
}

TEST(Registration, TypeLibraryEntriesAndVersionLookup) {
  TempDir dir;
  Registry registry(dir.File("registry"));
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(CreateTypeLib(test::SampleTypeLib(), lib.Put()), S_OK);
  ASSERT_EQ(RegisterTypeLib(registry, lib.Get(), "/opt/mods/sample.so", ""), S_OK);
  RegistryData data;
  ASSERT_EQ(registry.Load(&data), S_OK);
  std::string key = "TypeLib\\{D055E801-EFF4-4CF9-8DEF-068F694C940D}\\1.0";
  EXPECT_EQ(data.GetValue(key), "Sample automation library");
  EXPECT_EQ(data.GetValue(key + "\\0\\linux"), "/opt/mods/sample.so");
  EXPECT_EQ(data.GetValue(key + "\\HELPDIR"), "/opt/mods");
  EXPECT_EQ(data.GetValue(key + "\\FLAGS"), "2");
  std::string iface = "Interface\\{6C5E6024-7DA0-4546-A29D-EED52FBC4AD6}";
  EXPECT_EQ(data.GetValue(iface), "_DSample");
  EXPECT_EQ(data.GetValue(iface + "\\TypeLib"), "{D055E801-EFF4-4CF9-8DEF-068F694C940D}");
  EXPECT_EQ(data.GetValue(iface + "\\TypeLib", "Version"), "1.0");
  EXPECT_EQ(data.GetValue("Interface\\{F2BBCAF6-455C-42E9-88BC-FCC7FDF443D9}"), "_DSampleEvents");

  std::string path;
  ASSERT_EQ(QueryPathOfRegTypeLib(registry, test::kSampleLibId, 1, 0, 0x409, &path), S_OK);
  EXPECT_EQ(path, "/opt/mods/sample.so");
  EXPECT_EQ(QueryPathOfRegTypeLib(registry, test::kSampleLibId, 2, 0, 0, &path), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(QueryPathOfRegTypeLib(registry, test::kSampleLibId, 1, 1, 0, &path), TYPE_E_LIBNOTREGISTERED);

  ASSERT_EQ(UnregisterTypeLib(registry, test::kSampleLibId, 1, 0, 0), S_OK);
  ASSERT_EQ(registry.Load(&data), S_OK);
  EXPECT_TRUE(data.Empty());
  EXPECT_EQ(UnregisterTypeLib(registry, test::kSampleLibId, 1, 0, 0), S_FALSE);
}

}  // namespace
}  // namespace tavlen::ole

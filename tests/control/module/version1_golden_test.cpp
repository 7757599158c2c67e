// Version 1 of the control kept exactly: its dispatch and event rows, its type-library blocks and the
// properties it saves are compared with files made from the control before version 2 existed.
// TAVLEN_WRITE_GOLDEN=1 rewrites the files from the current build (only ever from a known-good tree).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/tavlen_ctrl.h"
#include "control/tavlen_interfaces.h"
#include "control/tavlen_library.h"
#include "platform/automation/type_library.h"
#include "platform/framework/prop_exchange.h"

namespace tavlen {
namespace {

const std::string kGoldenDir = std::string(TAVLEN_SOURCE_DIR) + "/tests/control/module/golden/";

// The file's text, or the current text written to it when rewriting was asked for.
std::string Golden(const std::string& name, const std::string& current) {
  const std::string path = kGoldenDir + name;
  if (const char* write = std::getenv("TAVLEN_WRITE_GOLDEN"); write && std::string(write) == "1") {
    std::ofstream(path, std::ios::binary) << current;
  }
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_TRUE(in.good() || in.eof()) << "missing " << path;
  return text.str();
}

std::string TypeText(const ole::TypeRef& type) {
  return std::to_string(type.vt) + (type.name ? std::string(":") + type.name : std::string());
}

// One line per row with everything a caller can see of it.
std::string Rows(const ole::DispatchTable& table) {
  std::string out = std::string(table.name) + " " + ole::FormatGuid(table.iid) + " flags " +
                    std::to_string(table.typeFlags) + " \"" + (table.help ? table.help : "") + "\"\n";
  for (const ole::DispatchMember& row : table.members) {
    out += std::to_string(row.dispid) + " " + row.name + " kind " + std::to_string(static_cast<int>(row.kind)) +
           " type " + TypeText(row.type) + (row.IsReadOnly() ? " readonly" : "") + " (";
    for (size_t p = 0; p < row.Params().size(); ++p) {
      out += (p ? ", " : "") + std::string(row.Params()[p].name) + " " + TypeText(row.Params()[p].type);
    }
    out += ")\n";
  }
  return out;
}

// The IDL text split into its blank-line separated blocks, the library's closing brace apart.
std::vector<std::string> Blocks(std::string idl) {
  const std::string close = "\n};\n";
  if (idl.ends_with(close)) idl.resize(idl.size() - close.size());
  std::vector<std::string> blocks;
  size_t start = 0;
  while (start < idl.size()) {
    size_t end = idl.find("\n\n", start);
    if (end == std::string::npos) end = idl.size();
    blocks.push_back(idl.substr(start, end - start));
    start = end + 2;
  }
  return blocks;
}

TEST(Version1Golden, DispatchAndEventRowsAreUnchanged) {
  const std::string rows = Rows(TavlenDispatchTable()) + Rows(TavlenEventTable());
  EXPECT_EQ(rows, Golden("version1_rows.txt", rows));
}

// Every block of version 1's IDL (library header, enumerations, both interfaces, the class) is still
// printed, word for word and in the same order; version 2 only adds blocks between them.
TEST(Version1Golden, TypeLibraryKeepsEveryBlockOfVersion1) {
  ole::ComPtr<ole::ITypeLib> lib;
  ASSERT_EQ(ole::CreateTypeLib(TavlenTypeLib(), lib.Put()), ole::S_OK);
  std::string idl;
  ASSERT_EQ(ole::FormatIdl(lib.Get(), &idl), ole::S_OK);
  const std::vector<std::string> now = Blocks(idl);
  const std::vector<std::string> before = Blocks(Golden("version1.idl", idl));
  ASSERT_FALSE(before.empty());
  size_t at = 0;
  for (const std::string& block : before) {
    while (at < now.size() && now[at] != block) ++at;
    ASSERT_LT(at, now.size()) << "block missing or out of order:\n" << block;
    ++at;
  }
}

TEST(Version1Golden, SavedPropertiesAreUnchanged) {
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  fw::PropertyBag fresh;
  ctrl.Save(fresh);
  ctrl.m_align = 5;
  ctrl.m_borderWidth = 2.5;
  ctrl.m_textFont = "DejaVu Sans";
  ctrl.m_zoomValue = 1.5;
  ctrl.m_jpgQuality = 70;
  fw::PropertyBag changed;
  ctrl.Save(changed);
  const std::string text = fresh.ToText() + "\n" + changed.ToText() + "\n";
  EXPECT_EQ(text, Golden("version1_properties.txt", text));
}

}  // namespace
}  // namespace tavlen

// The Windows standalone host's export list cannot be made by the compiler, so it is held to the
// host function list here: the same symbols, each forwarded to the function of its own member.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "host/binding/host_api.h"

namespace korva {
namespace {

std::vector<std::string> ExportLines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  bool inExports = false;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == ';') continue;
    line = line.substr(start);
    if (line == "EXPORTS") {
      inExports = true;
    } else if (inExports) {
      lines.push_back(line);
    }
  }
  return lines;
}

TEST(HostFunctionList, TheWindowsHostExportsEveryFunctionUnderItsSymbolToItsOwnForwarder) {
  std::vector<std::string> expected;
#define KORVA_EXPECTED_EXPORT(member, module, symbol, ...) \
  expected.push_back(std::string("\"") + symbol + "\" = KorvaHost_" #member);
  KORVA_HOST_FUNCTIONS(KORVA_EXPECTED_EXPORT)
#undef KORVA_EXPECTED_EXPORT
  ASSERT_EQ(expected.size(), static_cast<size_t>(kHostFunctionCount));
  EXPECT_EQ(ExportLines(KORVA_HOST_EXPORTS_DEF), expected) << KORVA_HOST_EXPORTS_DEF;
}

}  // namespace
}  // namespace korva

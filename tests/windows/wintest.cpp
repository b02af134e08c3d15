#include "wintest.h"

#include <cstring>

namespace korva::wintest {
namespace {
int g_failures_in_test = 0;
bool g_skipped = false;
}  // namespace

std::vector<TestCase>& Registry() {
  static std::vector<TestCase> tests;
  return tests;
}

void Fail(const char* file, int line, const std::string& message) {
  ++g_failures_in_test;
  const char* base = std::strrchr(file, '/');
  std::printf("%s:%d: Failure\n  %s\n", base ? base + 1 : file, line, message.c_str());
  std::fflush(stdout);
}

void Skip(const std::string& why) {
  g_skipped = true;
  std::printf("  skipped: %s\n", why.c_str());
  std::fflush(stdout);
}

int RunAll(const char* filter) {
  int passed = 0;
  int failed = 0;
  for (const TestCase& test : Registry()) {
    if (filter && !std::strstr(test.name, filter)) continue;
    std::printf("[ RUN      ] %s\n", test.name);
    std::fflush(stdout);
    g_failures_in_test = 0;
    g_skipped = false;
    test.body();
    if (g_failures_in_test != 0) {
      ++failed;
      std::printf("[  FAILED  ] %s\n", test.name);
    } else if (g_skipped) {
      std::printf("[  SKIPPED ] %s\n", test.name);
    } else {
      ++passed;
      std::printf("[       OK ] %s\n", test.name);
    }
    std::fflush(stdout);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed == 0 ? 0 : 1;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out + "\"";
}

}  // namespace korva::wintest

// A tiny test runner for the Windows programs run under Wine: no GoogleTest for the cross
// toolchain. Output is GoogleTest-like, one "[ RUN      ]" and one "[       OK ]" or "[  FAILED  ]"
// line per test, and the program ends with "N passed, M failed", which scripts/test sums.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace korva::wintest {

using TestBody = void (*)();

struct TestCase {
  const char* name;
  TestBody body;
};

// Every test registered by WINTEST, in the order of definition within a file.
std::vector<TestCase>& Registry();

struct Registrar {
  Registrar(const char* name, TestBody body) { Registry().push_back({name, body}); }
};

// Records a failed expectation of the running test (printed at once, the test goes on).
void Fail(const char* file, int line, const std::string& message);

// Marks the running test skipped (it stops at the caller's return): neither passed nor failed.
void Skip(const std::string& why);

// Runs every registered test (or those whose name contains `filter`, when given); returns the exit
// code: 0 when every test passed.
int RunAll(const char* filter);

// Quotes a string with its non-printable bytes escaped, for messages.
std::string Quoted(const std::string& text);

}  // namespace korva::wintest

#define WINTEST(name)                                                      \
  static void name();                                                      \
  static const ::korva::wintest::Registrar name##_registrar(#name, &name); \
  static void name()

#define WIN_EXPECT(condition, message)                                     \
  do {                                                                     \
    if (!(condition)) ::korva::wintest::Fail(__FILE__, __LINE__, message); \
  } while (0)

// Skips the rest of the test when `condition` does not hold (missing test data, say).
#define WIN_SKIP_UNLESS(condition, why) \
  do {                                  \
    if (!(condition)) {                 \
      ::korva::wintest::Skip(why);      \
      return;                           \
    }                                   \
  } while (0)

// The same, and the test stops here.
#define WIN_ASSERT(condition, message)                     \
  do {                                                     \
    if (!(condition)) {                                    \
      ::korva::wintest::Fail(__FILE__, __LINE__, message); \
      return;                                              \
    }                                                      \
  } while (0)

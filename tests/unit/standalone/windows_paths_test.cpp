// Files named the way models made on Windows name them, found on Linux as Windows would find them.
#include "standalone/windows_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace korva::standalone {
namespace {
namespace fs = std::filesystem;

struct PathCase {
  const char* path;
  std::optional<std::string> found;  // relative to the folder the test runs in
};

TEST(ResolveWindowsPath, FindsWhatWindowsFindsAndNothingElse) {
  const fs::path root =
      fs::path(::testing::TempDir()) / ("korva_windows_paths_" + std::to_string(::getpid()));
  fs::remove_all(root);
  for (const char* file : {"plain.bmp", "Textures/Wood.bmp", "dup/ABC.bmp", "dup/Abc.bmp",
                           "dup/abc.bmp", "C:/plain.bmp"}) {
    fs::create_directories((root / file).parent_path());
    std::ofstream(root / file) << "x";
  }
  const PathCase cases[] = {
      {"Textures\\Wood.bmp", "Textures/Wood.bmp"},
      {".\\\\Textures//\\Wood.bmp", "Textures/Wood.bmp"},
      {"Textures\\..\\plain.bmp", "plain.bmp"},
      {"missing\\..\\plain.bmp", "plain.bmp"},  // ".." is applied to the text, as on Windows
      {"TEXTURES\\wOOD.BMP", "Textures/Wood.bmp"},
      {"Textures\\wood.BMP", "Textures/Wood.bmp"},  // the folder as written, the file not
      {"Textures\\absent.bmp", std::nullopt},
      {"missing\\deeper\\plain.bmp", std::nullopt},
      {"dup\\abc.BMP", "dup/ABC.bmp"},  // several differ in case only: the first in byte order
      {"dup\\Abc.bmp", "dup/Abc.bmp"},  // but the exact one when there is one
      {"absent.bmp", std::nullopt},
      {"plain.bmp\\inside", std::nullopt},
      {"C:\\plain.bmp", std::nullopt},  // a folder named "C:" is there, but a drive is meant
      {"c:/plain.bmp", std::nullopt},
      {".\\C:\\plain.bmp", std::nullopt},  // a colon past the start is no name on Windows
      {"", std::nullopt},
  };
  const fs::path previous = fs::current_path();
  fs::current_path(root);
  for (const PathCase& c : cases) EXPECT_EQ(ResolveWindowsPath(c.path), c.found) << c.path;
  fs::current_path(previous);

  std::string windowsRoot = root.lexically_normal().string();
  std::replace(windowsRoot.begin(), windowsRoot.end(), '/', '\\');
  EXPECT_EQ(ResolveWindowsPath(windowsRoot + "\\\\textures\\WOOD.bmp"),
            root.lexically_normal().string() + "/Textures/Wood.bmp");
  fs::remove_all(root);
}

}  // namespace
}  // namespace korva::standalone

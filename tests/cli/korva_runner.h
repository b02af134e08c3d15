// Runs the built korva binary in a scratch folder and captures what it prints.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korva::cli_tests {

struct RunResult {
  int exitCode = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};

// korva with `arguments` (each quoted for the shell), from `workingFolder`.
RunResult RunKorva(const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder);

// A fresh, empty folder for one test, removed by the destructor.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// The lines of `text` without their line ends.
std::vector<std::string> Lines(const std::string& text);

// Where the bundled sample and the real test models are.
std::filesystem::path ExamplesFolder();
std::filesystem::path TestdataFolder();  // ../shared/testdata/ms3d

}  // namespace korva::cli_tests

#include "korva_runner.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace korva::cli_tests {
namespace fs = std::filesystem;

namespace {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

RunResult RunKorva(const std::vector<std::string>& arguments, const fs::path& workingFolder) {
  const fs::path out = workingFolder / ".korva-stdout";
  const fs::path err = workingFolder / ".korva-stderr";
  std::string command = "cd " + ShellQuoted(workingFolder.string()) + " && " +
                        ShellQuoted(KORVA_BINARY);
  for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
  command += " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string()) + " </dev/null";
  const int status = std::system(command.c_str());
  RunResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadText(out);
  result.err = ReadText(err);
  fs::remove(out);
  fs::remove(err);
  return result;
}

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = fs::path(::testing::TempDir()) /
          ("korva_cli_" + std::string(test ? test->name() : "test") + "_" +
           std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

fs::path ExamplesFolder() {
  return KORVA_EXAMPLES_DIR;
}

fs::path TestdataFolder() {
  return fs::path(KORVA_SHARED_DIR) / "testdata" / "ms3d";
}

}  // namespace korva::cli_tests

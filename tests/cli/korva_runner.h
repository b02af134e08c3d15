// Runs the built korva binary (and the sample generator) in a scratch folder and captures what it
// prints, so the tests see the tool exactly as a user or a build script does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korva::cli_tests {

struct RunResult {
  int exitCode = -1;       // -1 when the program did not exit normally (a crash)
  std::string out;         // stdout
  std::string err;         // stderr
  long peakKilobytes = 0;  // the largest resident size the program reached
};

struct RunOptions {
  // stderr is a pseudo-terminal (its line ends come back as CR LF).
  bool stderrOnTerminal = false;
  // stdout goes to this file instead of being captured (RunResult::out stays empty).
  std::string stdoutFile;
  // Files the program writes cannot grow past this many bytes (0: no limit), as on a full disk:
  // a write beyond it fails with an error rather than a signal.
  uint64_t fileSizeLimit = 0;
};

// `program` with `arguments` (passed as they are, no shell), started in `workingFolder`, stdin
// empty.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingFolder, const RunOptions& options = {});

// korva with `arguments`, from `workingFolder`; stdout and stderr go to files (not a terminal).
RunResult RunKorva(const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder);

// The same with stderr on a terminal, as in an interactive shell.
RunResult RunKorvaOnTerminal(const std::vector<std::string>& arguments,
                             const std::filesystem::path& workingFolder);

// Whether this machine can give a program a pseudo-terminal (some containers cannot).
bool TerminalAvailable();

// The same with stdout written to `stdoutFile` (e.g. /dev/full).
RunResult RunKorvaInto(const std::string& stdoutFile, const std::vector<std::string>& arguments,
                       const std::filesystem::path& workingFolder);

// A fresh, empty folder for one test, removed by the destructor.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// The lines of `text` without their line ends (LF or CR LF).
std::vector<std::string> Lines(const std::string& text);

// The names of the entries of `folder`, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// Where the bundled sample and the real test models are.
std::filesystem::path ExamplesFolder();
std::filesystem::path TestdataFolder();  // ../shared/testdata/ms3d

// Copies `file` into `folder` (writable, whatever the source's mode) and returns the copy's path.
std::filesystem::path CopyInto(const std::filesystem::path& file,
                               const std::filesystem::path& folder);

}  // namespace korva::cli_tests

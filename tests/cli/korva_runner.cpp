#include "korva_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace korva::cli_tests {
namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Captures live outside the working folder, so a test that lists that folder sees only korva's
// own files.
fs::path FreshCaptureFolder() {
  static std::atomic<int> counter{0};
  const fs::path folder =
      fs::path(::testing::TempDir()) /
      ("korva_cli_capture_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

// Opens a pseudo-terminal; `slave` is opened here too, so the master never sees "no slave yet"
// before the child has started.
bool OpenTerminal(int* master, int* slave) {
  *master = posix_openpt(O_RDWR | O_NOCTTY);
  if (*master < 0) return false;
  if (grantpt(*master) != 0 || unlockpt(*master) != 0) {
    close(*master);
    return false;
  }
  const char* name = ptsname(*master);
  *slave = name ? open(name, O_RDWR | O_NOCTTY) : -1;
  if (*slave < 0) {
    close(*master);
    return false;
  }
  return true;
}

std::string ReadUntilClosed(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
      text.append(buffer, static_cast<size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EOF, or EIO once the last slave descriptor is closed
    }
  }
  return text;
}

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const fs::path& workingFolder, const RunOptions& options) {
  const fs::path capture = FreshCaptureFolder();
  const bool stderrOnTerminal = options.stderrOnTerminal;
  const std::string outPath =
      options.stdoutFile.empty() ? (capture / "stdout").string() : options.stdoutFile;
  const std::string errPath = (capture / "stderr").string();
  int master = -1;
  int slave = -1;
  if (stderrOnTerminal && !OpenTerminal(&master, &slave)) {
    ADD_FAILURE() << "no pseudo-terminal available";
    return {};
  }

  std::vector<std::string> argvText{program};
  argvText.insert(argvText.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argvText) argv.push_back(text.data());
  argv.push_back(nullptr);
  const std::string folder = workingFolder.string();

  const pid_t child = fork();
  if (child == 0) {
    // Only async-signal-safe calls from here to exec.
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = slave >= 0 ? slave : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || chdir(folder.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (master >= 0) close(master);
    if (options.fileSizeLimit > 0) {
      const auto bytes = static_cast<rlim_t>(options.fileSizeLimit);
      const rlimit limit{bytes, bytes};
      signal(SIGXFSZ, SIG_IGN);
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  RunResult result;
  if (slave >= 0) close(slave);
  if (master >= 0) {
    if (child > 0) result.err = ReadUntilClosed(master);
    close(master);
  }
  if (child < 0) {
    ADD_FAILURE() << "fork failed";
    return result;
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.peakKilobytes = usage.ru_maxrss;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (options.stdoutFile.empty()) result.out = ReadText(outPath);
  if (!stderrOnTerminal) result.err = ReadText(errPath);
  std::error_code ignored;
  fs::remove_all(capture, ignored);
  return result;
}

RunResult RunKorva(const std::vector<std::string>& arguments, const fs::path& workingFolder) {
  return RunProgram(KORVA_BINARY, arguments, workingFolder);
}

RunResult RunKorvaOnTerminal(const std::vector<std::string>& arguments,
                             const fs::path& workingFolder) {
  RunOptions options;
  options.stderrOnTerminal = true;
  return RunProgram(KORVA_BINARY, arguments, workingFolder, options);
}

bool TerminalAvailable() {
  int master = -1;
  int slave = -1;
  if (!OpenTerminal(&master, &slave)) return false;
  close(slave);
  close(master);
  return true;
}

RunResult RunKorvaInto(const std::string& stdoutFile, const std::vector<std::string>& arguments,
                       const fs::path& workingFolder) {
  RunOptions options;
  options.stdoutFile = stdoutFile;
  return RunProgram(KORVA_BINARY, arguments, workingFolder, options);
}

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = fs::path(::testing::TempDir()) /
          ("korva_cli_" + std::string(test ? test->name() : "test") + "_" +
           std::to_string(getpid()) + "_" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

fs::path ExamplesFolder() {
  return KORVA_EXAMPLES_DIR;
}

fs::path TestdataFolder() {
  return fs::path(KORVA_SHARED_DIR) / "testdata" / "ms3d";
}

fs::path CopyInto(const fs::path& file, const fs::path& folder) {
  const fs::path copy = folder / file.filename();
  WriteBytes(copy, ReadBytes(file));
  return copy;
}

}  // namespace korva::cli_tests

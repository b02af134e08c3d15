// Failures of a subcommand: one line for stderr and the exit code to leave with.
#pragma once

#include <stdexcept>
#include <string>

namespace korva::cli {

// Exit codes of `korva`.
enum ExitCode : int {
  kExitSuccess = 0,
  kExitFileFailure = 1,  // a file could not be read, converted or written
  kExitUsage = 2,        // bad usage
};

// Thrown by a subcommand; main prints `korva: <message>` as one line on stderr and exits with
// `code`. The message names the file and what is wrong with it.
class CliError : public std::runtime_error {
 public:
  CliError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// A CliError for a file: "<path>: <problem>".
inline CliError FileError(const std::string& path, const std::string& problem) {
  return CliError(kExitFileFailure, path + ": " + problem);
}

}  // namespace korva::cli

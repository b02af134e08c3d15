// Failures of a subcommand: one line for stderr and the exit code to leave with.
#pragma once

#include <new>
#include <stdexcept>
#include <string>

#include "text/utf8_text.h"

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

// A CliError for a file: "<path>: <problem>", the path as UTF-8 text.
inline CliError FileError(const std::string& path, const std::string& problem) {
  return CliError(kExitFileFailure, text::Utf8Text(path) + ": " + problem);
}

// Runs `work` on the file `path`: whatever else it throws (a library's exception, memory running
// out) leaves as a FileError naming `path`, so every failure's line names its file.
template <typename Work>
auto ForFile(const std::string& path, Work&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const CliError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw FileError(path, "not enough memory");
  } catch (const std::exception& error) {
    throw FileError(path, text::Utf8Text(error.what()));
  } catch (...) {
    throw FileError(path, "unexpected failure");
  }
}

}  // namespace korva::cli

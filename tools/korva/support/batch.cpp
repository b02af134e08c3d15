#include "support/batch.h"

#include <cstdio>
#include <filesystem>
#include <map>

#include "support/cli_error.h"
#include "support/terminal.h"

namespace korva::cli {
namespace fs = std::filesystem;

std::vector<std::string> BatchOutputPaths(const std::vector<std::string>& inputs,
                                          const std::string& output, const std::string& extension) {
  const bool intoFolder = inputs.size() > 1 && !output.empty();
  if (intoFolder) {
    std::error_code error;
    if (!fs::is_directory(output, error)) {
      throw FileError(output, "output folder does not exist");
    }
  }
  std::vector<std::string> outputs;
  std::map<std::string, std::string> claimed;  // output -> input
  for (const std::string& input : inputs) {
    fs::path out;
    if (inputs.size() == 1 && !output.empty()) {
      out = output;
    } else {
      out = fs::path(input).replace_extension(extension);
      if (intoFolder) out = fs::path(output) / out.filename();
    }
    const std::string text = out.string();
    const auto [at, fresh] = claimed.emplace(fs::absolute(out).lexically_normal().string(), input);
    if (!fresh) {
      throw CliError(kExitUsage, text::Utf8Text(input) + " and " + text::Utf8Text(at->second) +
                                     " would both be written to " + text::Utf8Text(text));
    }
    outputs.push_back(text);
  }
  return outputs;
}

int RunBatch(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
             bool quiet, HostSession& session,
             const std::function<BatchFileResult(size_t index)>& each) {
  const bool showProgress = inputs.size() > 1 && !quiet && IsTerminal(stderr);
  const auto clearProgress = [&] {
    if (showProgress) std::fprintf(stderr, "\r\033[K");
  };
  std::vector<std::string> written;
  std::vector<CliError> failures;
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (showProgress) {
      std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", i + 1, inputs.size(),
                   text::Utf8Text(inputs[i]).c_str());
      std::fflush(stderr);
    }
    try {
      const BatchFileResult result = ForFile(inputs[i], [&] { return each(i); });
      clearProgress();
      session.PrintNotices();
      for (const std::string& warning : result.warnings) {
        std::fprintf(stderr, "korva: warning: %s\n", text::Utf8Text(warning).c_str());
      }
      written.push_back(text::Utf8Text(outputs[i]) + " written (" + std::to_string(result.size) +
                        " bytes) from " + text::Utf8Text(inputs[i]));
    } catch (const CliError& error) {
      // The notices of a file that failed are dropped: its one error line says what matters.
      clearProgress();
      session.DropNotices();
      for (int32_t number : session.host().ObjectNumbers()) session.Release(number);
      failures.push_back(error);
    }
  }
  clearProgress();
  if (failures.empty()) {
    for (const std::string& line : written) std::printf("%s\n", line.c_str());
    return kExitSuccess;
  }
  // The files that were written still exist; say so beside the errors, keeping stdout empty so
  // a script never mistakes a failed batch for a finished one.
  for (const std::string& line : written) std::fprintf(stderr, "%s\n", line.c_str());
  // Every failure gets its line; the last one is left for main to print with its code.
  for (size_t i = 0; i + 1 < failures.size(); ++i) {
    std::fprintf(stderr, "korva: %s\n", text::Utf8Text(failures[i].what()).c_str());
  }
  throw failures.back();
}

}  // namespace korva::cli

// korva convert: MS3D models (or DBO files) to DBO files through the plug-in's own import and
// writer.
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/host_session.h"
#include "support/skipped_blocks.h"
#include "support/terminal.h"

namespace korva::cli {
namespace {
namespace fs = std::filesystem;

class ConvertCommand : public Subcommand {
 public:
  std::string name() const override { return "convert"; }
  std::string summary() const override {
    return "Imports MS3D models with the plug-in and saves them as DBO files";
  }

  void Configure(CLI::App& app) override {
    app.add_option("MODEL", inputs_, "MS3D models (a DBO file is loaded and saved again)")
        ->required();
    app.add_option("-o,--output", output_,
                   "Output file for one input; output folder (which must exist) for several. "
                   "Default: each input's path with the extension .dbo")
        ->check(NonEmptyFileName());
    app.add_option("--object", objectNumber_, "Object number to import into (default 1)")
        ->check(CLI::Range(1, std::numeric_limits<int32_t>::max()));
    app.add_flag("-q,--quiet", quiet_, "Do not print the plug-in's notices");
  }

  int Run() override {
    const std::vector<std::string> outputs = OutputPaths();
    HostSession session(quiet_ ? nullptr : stderr);
    const bool showProgress = inputs_.size() > 1 && !quiet_ && IsTerminal(stderr);
    std::vector<std::string> written;
    std::vector<CliError> failures;
    for (size_t i = 0; i < inputs_.size(); ++i) {
      if (showProgress) {
        std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", i + 1, inputs_.size(), inputs_[i].c_str());
        std::fflush(stderr);
      }
      try {
        const InputFile input = ReadInput(inputs_[i]);
        std::error_code error;
        // A DBO file saved onto itself is only rewritten; a model saved onto itself is lost.
        if (input.kind == FileKind::kMs3d && fs::equivalent(input.path, outputs[i], error)) {
          throw CliError(kExitUsage, outputs[i] +
                                         ": is the MS3D model being converted; "
                                         "name another output");
        }
        std::vector<dbo::SkippedBlock> skipped;
        const int32_t number = session.LoadAny(input, objectNumber_, &skipped);
        const uint64_t size = session.SaveDbo(number, outputs[i]);
        session.Release(number);
        // The notices of a file that failed are dropped: its one error line says what matters.
        if (showProgress) std::fprintf(stderr, "\r\033[K");
        session.PrintNotices();
        // Not a notice of the plug-in but data lost on the way, so --quiet does not hide it.
        if (!skipped.empty()) {
          std::fprintf(stderr, "korva: warning: %s: %s, not carried into %s\n", inputs_[i].c_str(),
                       SkippedBlocksText(skipped).c_str(), outputs[i].c_str());
        }
        written.push_back(outputs[i] + " written (" + std::to_string(size) + " bytes) from " +
                          inputs_[i]);
      } catch (const CliError& error) {
        if (showProgress) std::fprintf(stderr, "\r\033[K");
        session.DropNotices();
        for (int32_t number : session.host().ObjectNumbers()) session.Release(number);
        failures.push_back(error);
      }
    }
    if (showProgress) std::fprintf(stderr, "\r\033[K");
    if (failures.empty()) {
      for (const std::string& line : written) std::printf("%s\n", line.c_str());
      return kExitSuccess;
    }
    // The files that were written still exist; say so beside the errors, keeping stdout empty so
    // a script never mistakes a failed batch for a finished one.
    for (const std::string& line : written) std::fprintf(stderr, "%s\n", line.c_str());
    // Every failure gets its line; the last one is left for main to print with its code.
    for (size_t i = 0; i + 1 < failures.size(); ++i) {
      std::fprintf(stderr, "korva: %s\n", failures[i].what());
    }
    throw failures.back();
  }

 private:
  std::vector<std::string> OutputPaths() const {
    std::vector<std::string> outputs;
    const bool intoFolder = inputs_.size() > 1 && !output_.empty();
    if (intoFolder) {
      std::error_code error;
      if (!fs::is_directory(output_, error)) {
        throw CliError(kExitFileFailure, output_ + ": output folder does not exist");
      }
    }
    std::map<std::string, std::string> claimed;  // output -> input
    for (const std::string& input : inputs_) {
      fs::path out;
      if (inputs_.size() == 1 && !output_.empty()) {
        out = output_;
      } else {
        out = fs::path(input).replace_extension(".dbo");
        if (intoFolder) out = fs::path(output_) / out.filename();
      }
      const std::string text = out.string();
      const auto [at, fresh] =
          claimed.emplace(fs::absolute(out).lexically_normal().string(), input);
      if (!fresh) {
        throw CliError(kExitUsage,
                       input + " and " + at->second + " would both be written to " + text);
      }
      outputs.push_back(text);
    }
    return outputs;
  }

  std::vector<std::string> inputs_;
  std::string output_;
  int32_t objectNumber_ = 1;
  bool quiet_ = false;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::ConvertCommand);

// korva convert: MS3D models (or DBO files) to DBO files through the plug-in's own import and
// writer.
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "support/batch.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/host_session.h"
#include "support/skipped_blocks.h"

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
    const std::vector<std::string> outputs = BatchOutputPaths(inputs_, output_, ".dbo");
    HostSession session(quiet_ ? nullptr : stderr);
    return RunBatch(inputs_, outputs, quiet_, session, [&](size_t i) {
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
      BatchFileResult result;
      result.size = session.SaveDbo(number, outputs[i]);
      session.Release(number);
      // Not a notice of the plug-in but data lost on the way, so --quiet does not hide it.
      if (!skipped.empty()) {
        result.warnings.push_back(inputs_[i] + ": " + SkippedBlocksText(skipped) +
                                  ", not carried into " + outputs[i]);
      }
      return result;
    });
  }

 private:
  std::vector<std::string> inputs_;
  std::string output_;
  int32_t objectNumber_ = 1;
  bool quiet_ = false;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::ConvertCommand);

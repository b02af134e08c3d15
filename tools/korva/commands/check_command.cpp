// korva check: whether each file is well formed, read with the plug-in's own readers.
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "ms3d/ms_model.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/host_session.h"
#include "support/ms3d_report.h"
#include "support/skipped_blocks.h"

namespace korva::cli {
namespace {

class CheckCommand : public Subcommand {
 public:
  std::string name() const override { return "check"; }
  std::string summary() const override {
    return "Reports whether each MS3D model, DBO file or glTF asset is well formed (exit 1 if any "
           "is not)";
  }

  void Configure(CLI::App& app) override {
    app.add_option("FILE", files_, "MS3D models, DBO files or glTF assets")->required();
  }

  int Run() override {
    size_t bad = 0;
    for (const std::string& file : files_) {
      try {
        const std::string verdict = ForFile(file, [&] { return Check(file); });
        std::printf("%s: %s\n", text::Utf8Text(file).c_str(), verdict.c_str());
      } catch (const CliError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "korva: %s\n", text::Utf8Text(error.what()).c_str());
        ++bad;
      }
    }
    std::fflush(stdout);
    return bad == 0 ? kExitSuccess : kExitFileFailure;
  }

 private:
  std::string Check(const std::string& file) {
    const InputFile input = ReadInput(file);
    if (input.kind == FileKind::kMs3d) {
      // Well formed means that convert succeeds: the reader accepts the file and the import's own
      // check accepts the model.
      msModel model;
      Ms3dAccount account;
      LoadMs3dModel(input, &model, &account);
      RequireImportable(file, model);
      std::string verdict = "well-formed MS3D model";
      if (const std::string note = Ms3dNoteText(account); !note.empty()) {
        verdict += " (" + note + ")";
      }
      for (const std::string& rename : GroupRenameTexts(model)) verdict += "; " + rename;
      return verdict;
    }
    if (!session_) session_ = std::make_unique<HostSession>(nullptr);
    if (input.kind == FileKind::kGltf) {
      // Well formed means that convert reads it; what it read despite a fault is counted.
      session_->Release(session_->LoadAny(input));
      const size_t warnings = session_->TakeWarnings().size();
      if (warnings == 0) return "well-formed glTF asset";
      return "glTF asset read with " + std::to_string(warnings) +
             " warnings (korva info lists them)";
    }
    std::vector<dbo::SkippedBlock> skipped;
    session_->Release(session_->LoadDbo(input, 1, &skipped));
    if (skipped.empty()) return "well-formed DBO file";
    return "well-formed DBO file; " + SkippedBlocksText(skipped);
  }

  std::vector<std::string> files_;
  std::unique_ptr<HostSession> session_;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::CheckCommand);

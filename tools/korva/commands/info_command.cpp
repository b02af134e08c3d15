// korva info: a short summary of each MS3D model, DBO file or glTF asset (with the clips of its
// animation set).
#include <memory>
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "ms3d/ms_model.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/host_session.h"
#if KORVA_WITH_GLTF
#include "gltf/build/gltf_import.h"
#endif
#include "support/info_text.h"
#include "support/ms3d_report.h"

namespace korva::cli {
namespace {

class InfoCommand : public Subcommand {
 public:
  std::string name() const override { return "info"; }
  std::string summary() const override {
    return "Summarises MS3D models, DBO files and glTF assets: counts, names, textures, sections";
  }

  void Configure(CLI::App& app) override {
    app.add_option("FILE", files_,
                   "MS3D models, DBO files or glTF assets, told apart by their content")
        ->required();
  }

  int Run() override {
    std::string text;
    for (const std::string& file : files_) text += ForFile(file, [&] { return Summary(file); });
    std::fputs(text.c_str(), stdout);  // only once every file was read
    return kExitSuccess;
  }

 private:
  std::string Summary(const std::string& file) {
    const InputFile input = ReadInput(file);
    if (input.kind == FileKind::kMs3d) {
      msModel model;
      Ms3dAccount account;
      LoadMs3dModel(input, &model, &account);
      return Ms3dSummaryText(file, model, account);
    }
    // Only DBO files need the plug-in.
    if (!session_) session_ = std::make_unique<HostSession>(nullptr);
    std::vector<dbo::SkippedBlock> skipped;
    std::vector<std::string> heldInside;
    std::string kind = "DBO file";
    std::vector<std::string> clipLines;  // and the extensions' lines
    int32_t number = 0;
    if (input.kind == FileKind::kGltf) {
#if KORVA_WITH_GLTF
      gltf::ImportOptions options;
      options.imageStem = HostSession::ImageStemOf(file);
      std::vector<gltf::EmbeddedImage> images;
      std::vector<gltf::AnimationClip> clips;
      std::vector<gltf::doc::ExtensionUse> extensions;
      number = session_->LoadGltf(input, 1, options, &images, nullptr, &clips, &extensions);
      for (const gltf::EmbeddedImage& image : images) heldInside.push_back(image.fileName);
      for (const gltf::AnimationClip& clip : clips)
        clipLines.push_back("  " + ClipText(clip) + "\n");
      for (const gltf::doc::ExtensionUse& use : extensions)
        clipLines.push_back("  extension " + ExtensionText(use) + "\n");
      kind = "glTF asset read as an object";
#endif
    } else {
      number = session_->LoadDbo(input, 1, &skipped);
    }
    std::string text;
    try {
      text = ObjectSummaryText(file, input.bytes.size(), *session_->object(number), skipped, kind,
                               heldInside);
      for (const std::string& line : clipLines) text += line;
      for (const std::string& warning : session_->TakeWarnings()) {
        text += "  warning: " + warning + "\n";
      }
    } catch (...) {
      session_->Release(number);
      throw;
    }
    session_->Release(number);
    session_->DropNotices();
    return text;
  }

  std::vector<std::string> files_;
  std::unique_ptr<HostSession> session_;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::InfoCommand);

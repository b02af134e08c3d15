// korva convert: MS3D models, glTF assets (or DBO files) to DBO files through the plug-in's own
// import or korva's glTF reader, and the plug-in's writer.
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "support/batch.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/host_session.h"
#if KORVA_WITH_GLTF
#include "gltf/build/gltf_import.h"
#endif
#include "support/output_file.h"
#include "support/skipped_blocks.h"

namespace korva::cli {
namespace {
namespace fs = std::filesystem;

class ConvertCommand : public Subcommand {
 public:
  std::string name() const override { return "convert"; }
  std::string summary() const override {
    return "Imports MS3D models (with the plug-in) or glTF assets and saves them as DBO files";
  }

  void Configure(CLI::App& app) override {
    app.add_option("MODEL", inputs_,
                   "MS3D models or glTF assets (.glb, .gltf); a DBO file is loaded and saved again")
        ->required();
    app.add_option("-o,--output", output_,
                   "Output file for one input; output folder (which must exist) for several. "
                   "Default: each input's path with the extension .dbo")
        ->check(NonEmptyFileName());
    app.add_option("--object", objectNumber_, "Object number to import into (default 1)")
        ->check(CLI::Range(1, std::numeric_limits<int32_t>::max()));
    app.add_flag("-q,--quiet", quiet_, "Do not print the plug-in's notices");
    app.add_option("--fps", framesPerSecond_,
                   "glTF: frames per second of the keys (key frame = time x fps; default 25)")
        ->check(CLI::Range(0.1, 1000.0));
    app.add_option("--animation", animation_,
                   "glTF: the one animation to import, by name or index (default: all of them, one "
                   "clip after the other on one timeline)");
  }

  int Run() override {
    const std::vector<std::string> outputs = BatchOutputPaths(inputs_, output_, ".dbo");
    HostSession session(quiet_ ? nullptr : stderr);
    return RunBatch(inputs_, outputs, quiet_, session, [&](size_t i) {
      // An MS3D model is read from its file as the import goes, not held in memory whole.
      const InputFile input = OpenInput(inputs_[i]);
      std::error_code error;
      // A DBO file saved onto itself is only rewritten; a model saved onto itself is lost.
      if (input.kind != FileKind::kDbo && fs::equivalent(input.path, outputs[i], error)) {
        throw CliError(kExitUsage,
                       outputs[i] + ": is the " +
                           (input.kind == FileKind::kMs3d ? "MS3D model" : "glTF asset") +
                           " being converted; name another output");
      }
      if (input.kind == FileKind::kGltf) return ConvertGltf(session, input, outputs[i]);
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
  // The asset's object saved as the DBO file, with the images it holds inside written beside it
  // first, each through the one output writer, so the DBO file never names a missing picture.
  BatchFileResult ConvertGltf(HostSession& session, const InputFile& input,
                              const std::string& output) {
#if KORVA_WITH_GLTF
    gltf::ImportOptions options;
    options.framesPerSecond = framesPerSecond_;
    options.animation = animation_;
    options.imageStem = HostSession::ImageStemOf(output);
    // Images beside the asset stay where they are; the DBO file names them from its own folder.
    const fs::path assetFolder =
        fs::absolute(fs::path(input.path)).parent_path().lexically_normal();
    const fs::path outputFolder = fs::absolute(fs::path(output)).parent_path().lexically_normal();
    const fs::path relative = assetFolder.lexically_relative(outputFolder);
    if (!relative.empty() && relative != ".") {
      options.externalImagePrefix = relative.generic_string() + "/";
    }
    std::vector<gltf::EmbeddedImage> images;
    std::vector<std::string> besideAsset;
    session.TakeWarnings();  // a failed file's are not this one's
    const int32_t number = session.LoadGltf(input, objectNumber_, options, &images, &besideAsset);
    BatchFileResult result;
    const fs::path folder = fs::path(output).parent_path();
    for (const gltf::EmbeddedImage& image : images) {
      const fs::path path = folder / image.fileName;
      // An image held inside must not replace the asset, or an image file the asset names.
      std::error_code error;
      bool taken = fs::equivalent(path, input.path, error);
      for (const std::string& name : besideAsset) {
        taken = taken || fs::equivalent(path, fs::path(input.path).parent_path() / name, error);
      }
      if (taken) {
        session.Release(number);
        throw FileError(path.string(), "is a file of the asset; name another output");
      }
      result.size += WriteOutputFile(path.string(), image.bytes.data(), image.bytes.size());
    }
    result.size += session.SaveDbo(number, output);
    session.Release(number);
    result.warnings = session.TakeWarnings();
    return result;
#else
    (void)session, (void)output;
    throw FileError(input.path, "this build of korva reads no glTF assets");
#endif
  }

  std::vector<std::string> inputs_;
  std::string output_;
  int32_t objectNumber_ = 1;
  bool quiet_ = false;
  double framesPerSecond_ = 25.0;
  std::string animation_;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::ConvertCommand);

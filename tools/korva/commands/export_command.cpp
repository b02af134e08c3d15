// korva export: MS3D models (as the plug-in imports them) or DBO files as glTF 2.0 assets.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "gltf/export/gltf_export.h"
#include "model/texture.h"
#include "ms3d/ms_model.h"
#include "render/texture_files.h"
#include "support/batch.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/host_session.h"
#include "support/output_file.h"

namespace korva::cli {
namespace {
namespace fs = std::filesystem;

std::string LowerExtension(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// Writes every file beside its final place, then renames them in order, so a failure leaves
// neither a half-written file nor a document whose companions are missing. Throws FileError
// naming the file that failed.
void WriteFilesBeside(const std::vector<gltf::OutputFile>& files) {
  // Every file is written whole (korva's one writer) before the first is put in its place.
  std::vector<std::unique_ptr<OutputFile>> outputs;
  for (const gltf::OutputFile& file : files) {
    outputs.push_back(std::make_unique<OutputFile>(file.path));
    outputs.back()->Write(file.bytes.data(), file.bytes.size());
  }
  for (const std::unique_ptr<OutputFile>& output : outputs) output->Commit();
}

std::string StageZeroName(const sMesh& mesh) {
  if (mesh.textureCount <= 0 || !mesh.textures) return {};
  const sTexture& stage0 = mesh.textures[0];
  return std::string(stage0.name, strnlen(stage0.name, sizeof stage0.name));
}

class ExportCommand : public Subcommand {
 public:
  std::string name() const override { return "export"; }
  std::string summary() const override {
    return "Writes MS3D models or DBO files as glTF 2.0 (.glb or .gltf)";
  }

  void Configure(CLI::App& app) override {
    app.add_option("FILE", inputs_, "MS3D models or DBO files")->required();
    app.add_option("-o,--output", output_,
                   "Output file for one input (.glb: one binary file; .gltf: JSON with its .bin "
                   "and images beside it); output folder (which must exist) for several. "
                   "Default: each input's path with the format's extension");
    app.add_option("--format", format_,
                   "glb or gltf: the format of outputs named after their inputs (default glb)")
        ->check(CLI::IsMember({"glb", "gltf"}));
    app.add_option("--fps", framesPerSecond_,
                   "Animation frames per second (default: the model's own, 25 for DBO files)")
        ->check(CLI::PositiveNumber);
    app.add_flag("-q,--quiet", quiet_, "Do not print the plug-in's notices or warnings");
  }

  int Run() override {
    if (inputs_.size() == 1 && !output_.empty()) {
      const std::string extension = LowerExtension(output_);
      if (extension != ".glb" && extension != ".gltf") {
        throw CliError(kExitUsage, output_ + ": the output must end in .glb or .gltf");
      }
    }
    const std::vector<std::string> outputs = BatchOutputPaths(inputs_, output_, "." + format_);
    HostSession session(quiet_ ? nullptr : stderr);
    return RunBatch(inputs_, outputs, quiet_, session, [&](size_t i) {
      BatchFileResult result;
      std::vector<std::string> warnings;
      result.size = ExportOne(session, inputs_[i], outputs[i], &warnings);
      if (!quiet_) {
        for (const std::string& warning : warnings)
          result.warnings.push_back(inputs_[i] + ": " + warning);
      }
      return result;
    });
  }

 private:
  // Returns the bytes written over all files of the asset.
  uint64_t ExportOne(HostSession& session, const std::string& input, const std::string& output,
                     std::vector<std::string>* warnings) {
    const fs::path folder =
        fs::path(output).parent_path().empty() ? fs::path(".") : fs::path(output).parent_path();
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
      throw FileError(output, "output folder " + folder.string() + " does not exist");
    }
    gltf::ExportOptions options;
    const InputFile model = ReadInput(input);
    options.framesPerSecond = framesPerSecond_ > 0 ? framesPerSecond_ : ModelFramesPerSecond(model);

    const int32_t number = session.LoadAny(model);
    const sObject* object = session.object(number);
    if (!object) {
      session.Release(number);
      throw FileError(input, "the plug-in built no object");
    }
    render::TextureFiles textureFiles(input);
    for (auto& image : session.TakeHeldImages()) textureFiles.AddEmbedded(image.name, image.bytes);
    const std::vector<std::string> readWarnings = session.TakeWarnings();
    gltf::GltfAsset asset = gltf::BuildGltf(*object, options, [&](const sMesh& mesh) {
      return textureFiles.Find(StageZeroName(mesh));
    });
    session.Release(number);
    *warnings = readWarnings;
    warnings->insert(warnings->end(), textureFiles.warnings().begin(),
                     textureFiles.warnings().end());
    warnings->insert(warnings->end(), asset.warnings.begin(), asset.warnings.end());

    std::vector<gltf::OutputFile> files;
    std::string problem;
    if (!gltf::SerializeGltf(&asset, output, &files, &problem)) throw FileError(output, problem);
    WriteFilesBeside(files);
    uint64_t size = 0;
    for (const gltf::OutputFile& file : files) size += file.bytes.size();
    return size;
  }

  // The MS3D file's own animation speed; 25 for DBO files, which do not keep one.
  static double ModelFramesPerSecond(const InputFile& input) {
    if (input.kind != FileKind::kMs3d) return kObjectFramesPerSecond;
    // The plug-in's object does not keep the rate; the model's own reader gives it (a model it
    // refuses fails the import next, which names what is wrong).
    msModel model;
    if (!model.LoadFromMemory(input.bytes.data(), input.bytes.size())) {
      return kObjectFramesPerSecond;
    }
    return model.framesPerSecond;
  }

  std::vector<std::string> inputs_;
  std::string output_;
  std::string format_ = "glb";
  double framesPerSecond_ = 0;
  bool quiet_ = false;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::ExportCommand);

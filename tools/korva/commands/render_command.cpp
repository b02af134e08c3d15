// korva render: a software-rasterized picture of an MS3D model (imported through the plug-in) or
// a DBO file, as the object stands in its frame tree.
#include <cstring>
#include <string>

#include "commands/subcommand.h"
#include "model/mesh.h"
#include "model/texture.h"
#include "render/camera.h"
#include "render/image.h"
#include "render/render_object.h"
#include "render/texture_files.h"
#include "support/cli_error.h"
#include "support/host_session.h"

namespace korva::cli {
namespace {

std::string TextureRecordName(const sMesh& mesh) {
  if (mesh.textureCount <= 0 || !mesh.textures) return {};
  const sTexture& stage0 = mesh.textures[0];
  return std::string(stage0.name, strnlen(stage0.name, sizeof stage0.name));
}

class RenderCommand : public Subcommand {
 public:
  std::string name() const override { return "render"; }
  std::string summary() const override {
    return "Draws an MS3D model or DBO file into a PNG picture";
  }

  void Configure(CLI::App& app) override {
    app.add_option("FILE", input_, "MS3D model or DBO file")->required();
    app.add_option("-o,--output", output_, "PNG file to write")->required();
    app.add_option("--view", view_, "front, back, left, right, top or iso (default iso)")
        ->check(CLI::IsMember({"front", "back", "left", "right", "top", "iso"}));
    app.add_option("--size", size_, "Side of the square picture in pixels (default 512)")
        ->check(CLI::Range(16, 8192));
    app.add_option("--background", background_, "Background colour RRGGBB (default 303030)")
        ->check(CLI::Validator(
            [](std::string& text) {
              render::Color color;
              return render::ParseHexColor(text, &color) ? std::string()
                                                         : "expected RRGGBB, got " + text;
            },
            "RRGGBB"));
    app.add_flag("--wireframe", wireframe_, "Draw the edges of the front faces only");
    app.add_flag("--skeleton", skeleton_, "Mark the joint frames (frames without a mesh)");
    app.add_flag("-q,--quiet", quiet_, "Do not print the plug-in's notices or warnings");
  }

  int Run() override {
    render::RenderOptions options;
    render::ParseView(view_, &options.view);
    options.size = size_;
    render::ParseHexColor(background_, &options.background);
    options.wireframe = wireframe_;
    options.skeleton = skeleton_;

    HostSession session(quiet_ ? nullptr : stderr);
    const int32_t number = session.LoadAny(input_);
    session.PrintNotices();
    const sObject* object = session.object(number);
    if (!object) throw FileError(input_, "the plug-in built no object");

    render::TextureFiles textureFiles(input_);
    const render::RenderResult result =
        render::RenderObject(*object, options, [&](const sFrame&, const sMesh& mesh) {
          return textureFiles.Find(TextureRecordName(mesh));
        });
    session.Release(number);

    if (!quiet_) {
      for (const std::string& warning : textureFiles.warnings()) Warn(warning);
      for (const std::string& warning : result.warnings) Warn(warning);
    }
    std::string error;
    if (!render::WritePng(result.image, output_, &error)) throw FileError(output_, error);
    std::printf("%s written (%dx%d, %d triangles drawn) from %s\n", output_.c_str(), size_, size_,
                result.trianglesDrawn, input_.c_str());
    return kExitSuccess;
  }

 private:
  static void Warn(const std::string& text) {
    std::fprintf(stderr, "korva: warning: %s\n", text.c_str());
  }

  std::string input_;
  std::string output_;
  std::string view_ = "iso";
  int size_ = 512;
  std::string background_ = "303030";
  bool wireframe_ = false;
  bool skeleton_ = false;
  bool quiet_ = false;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::RenderCommand);

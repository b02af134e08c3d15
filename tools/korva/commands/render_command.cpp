// korva render: a software-rasterized picture of an MS3D model or a DBO file: as the object
// stands in its frame tree, or posed at a frame, as a contact sheet of frames or as an animated
// image, by the model's own playback or the host's.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "model/mesh.h"
#include "model/texture.h"
#include "render/animated_image.h"
#include "render/camera.h"
#include "render/host_playback.h"
#include "render/image.h"
#include "render/pose_pictures.h"
#include "render/render_object.h"
#include "render/texture_files.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/host_session.h"
#include "support/output_file.h"

namespace korva::cli {
namespace {

// A contact sheet beyond this many cells is a mistyped range rather than a picture anyone reads.
constexpr int kMaxSheetCells = 1024;

std::string TextureRecordName(const sMesh& mesh) {
  if (mesh.textureCount <= 0 || !mesh.textures) return {};
  const sTexture& stage0 = mesh.textures[0];
  return std::string(stage0.name, strnlen(stage0.name, sizeof stage0.name));
}

bool EndsWithNoCase(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  for (size_t i = 0; i < ending.size(); ++i) {
    const char c = text[text.size() - ending.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) != ending[i]) return false;
  }
  return true;
}

// "A:B:STEP" into the frames A, A + STEP, ... up to B; a usage error otherwise.
std::vector<float> ParseFrameRange(const std::string& text) {
  float first = 0, last = 0, step = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%f:%f:%f%c", &first, &last, &step, &tail) != 3 ||
      !std::isfinite(first) || !std::isfinite(last) || !std::isfinite(step) || step <= 0 ||
      last < first) {
    throw CliError(kExitUsage, "--frames: expected A:B:STEP with A <= B and STEP > 0, got " + text);
  }
  // A small allowance keeps B itself when (B - A) / STEP falls a rounding short of whole.
  const double count = std::floor((static_cast<double>(last) - first) / step + 1e-4) + 1;
  if (count > kMaxSheetCells) {
    throw CliError(kExitUsage, "--frames: " + text + " gives more than " +
                                   std::to_string(kMaxSheetCells) + " frames");
  }
  std::vector<float> frames;
  for (int i = 0; i < static_cast<int>(count); ++i) frames.push_back(first + step * i);
  return frames;
}

class RenderCommand : public Subcommand {
 public:
  std::string name() const override { return "render"; }
  std::string summary() const override {
    return "Draws an MS3D model or DBO file into a PNG picture, posed at a frame, as a contact "
           "sheet or as an animated WebP";
  }

  void Configure(CLI::App& app) override {
    app.add_option("FILE", input_, "MS3D model or DBO file")->required();
    app.add_option("-o,--output", output_, "PNG file to write (WebP with --animate)")
        ->required()
        ->check(NonEmptyFileName());
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
    app.add_flag("--skeleton", skeleton_, "Draw the joints and the lines to their parents");
    CLI::Option* frame =
        app.add_option("--frame", frame_, "Pose the object at this frame (fractions allowed)")
            ->check(CLI::Range(0.0f, 1.0e6f));
    CLI::Option* frames =
        app.add_option("--frames", frames_, "A:B:STEP: a contact sheet of frames A, A+STEP, ... B");
    CLI::Option* animate =
        app.add_flag("--animate", animate_, "Write the whole animation as an animated WebP");
    frame->excludes(frames)->excludes(animate);
    frames->excludes(animate);
    app.add_option("--fps", fps_, "Frames per second of --animate (default: the model's)")
        ->check(CLI::Range(0.1f, 1000.0f));
    app.add_flag("--compare", compare_,
                 "MS3D only: the model's own playback beside the imported object's");
    app.add_flag("--imported", imported_,
                 "MS3D only: play the imported object as the host does, not the model's own");
    app.add_flag("-q,--quiet", quiet_, "Do not print the plug-in's notices or warnings");
  }

  int Run() override {
    return ForFile(input_, [&] { return Render(); });
  }

 private:
  int Render() {
    render::RenderOptions options;
    render::ParseView(view_, &options.view);
    options.size = size_;
    render::ParseHexColor(background_, &options.background);
    options.wireframe = wireframe_;
    options.skeleton = skeleton_;

    const bool posed = frame_.has_value() || !frames_.empty() || animate_ || compare_;
    if (!posed) return RenderAsStored(options);

    const InputFile input = ReadInput(input_);
    const FileKind kind = input.kind;
    if (compare_ && kind != FileKind::kMs3d) {
      throw CliError(kExitUsage,
                     "--compare needs an MS3D model, " + text::Utf8Text(input_) + " is not one");
    }
    if (animate_ && !EndsWithNoCase(output_, ".webp")) {
      throw CliError(kExitUsage, "--animate writes an animated WebP: name the output *.webp");
    }
    if (animate_ && !render::AnimatedImagesAvailable()) {
      throw CliError(kExitUsage, "this build of korva cannot write animated images");
    }
    // Opened before the work, so an output that cannot be written (a folder, say) fails first.
    OutputFile output(output_);
    const bool ms3d = kind == FileKind::kMs3d;
    const bool own = ms3d && (!imported_ || compare_);
    const bool host = !ms3d || imported_ || compare_;

    render::TextureFiles textureFiles(input_);
    std::vector<render::PoseSource> sources;
    msModel model;
    if (ms3d) {
      if (!model.LoadFromMemory(input.bytes.data(), input.bytes.size())) {
        throw FileError(input_, "not a complete MS3D model");
      }
      model.BuildBindPose();
    }
    if (own) {
      sources.push_back({"MODEL", [&](float frame, render::DrawList* list) {
                           render::GatherModel(
                               model, frame,
                               [&](int material) {
                                 const char* name = model.materials[material].texture;
                                 return textureFiles.Find(
                                     std::string(name, strnlen(name, kMsTextureNameSize)));
                               },
                               options.skeleton, list);
                         }});
    }
    HostSession session(quiet_ ? nullptr : stderr);
    const sObject* object = nullptr;
    int32_t number = 0;
    if (host) {
      number = session.LoadAny(input);
      session.PrintNotices();
      for (auto& image : session.TakeHeldImages()) textureFiles.AddEmbedded(image.name, image.bytes);
      for (const std::string& warning : session.TakeWarnings()) Warn(warning);
      object = session.object(number);
      if (!object) throw FileError(input_, "the plug-in built no object");
      sources.push_back({ms3d ? "IMPORTED" : "HOST", [&](float frame, render::DrawList* list) {
                           render::GatherObject(
                               *object, frame, options,
                               [&](const sFrame&, const sMesh& mesh) {
                                 return textureFiles.Find(TextureRecordName(mesh));
                               },
                               list);
                         }});
    }

    render::PosePictures pictures(std::move(sources), options);
    std::string error;
    std::string what;
    if (animate_) {
      const int length = ms3d ? model.totalFrames : render::AnimationLength(*object);
      const int first = ms3d ? 1 : 0;
      std::vector<float> frames;
      for (int f = first; f <= std::max(first, length); ++f)
        frames.push_back(static_cast<float>(f));
      if (length < first) Warn("no animation: the image holds one still frame");
      const float fps = fps_ ? *fps_ : ms3d ? model.framesPerSecond : kObjectFramesPerSecond;
      pictures.FrameAll(frames);
      render::AnimatedWebp animation;
      int width = 0, height = 0;
      for (size_t i = 0; i < frames.size(); ++i) {
        const render::Image picture = pictures.Picture(frames[i]);
        width = picture.width(), height = picture.height();
        // Whole milliseconds per frame, rounded on the running total so the rate does not drift.
        const int shown =
            static_cast<int>(std::lround((i + 1) * 1000.0 / fps) - std::lround(i * 1000.0 / fps));
        if (!animation.Add(picture, std::max(1, shown), &error)) throw FileError(output_, error);
      }
      std::vector<uint8_t> bytes;
      if (!animation.Finish(&bytes, &error)) throw FileError(output_, error);
      output.Write(bytes.data(), bytes.size());
      what = std::to_string(width) + "x" + std::to_string(height) + ", " +
             std::to_string(frames.size()) + " frames at " + render::FrameLabel(fps) + " fps";
    } else {
      const std::vector<float> frames = frame_             ? std::vector<float>{*frame_}
                                        : !frames_.empty() ? ParseFrameRange(frames_)
                                                           : std::vector<float>{-1.0f};
      pictures.FrameAll(frames);
      const render::Image picture =
          frames_.empty() ? pictures.Picture(frames[0]) : pictures.ContactSheet(frames);
      if (picture.empty()) throw FileError(output_, "the picture would be too large");
      std::vector<uint8_t> png;
      if (!render::EncodePng(picture, &png)) throw FileError(output_, "cannot encode the picture");
      output.Write(png.data(), png.size());
      what = std::to_string(picture.width()) + "x" + std::to_string(picture.height());
      if (!frames_.empty()) what += ", " + std::to_string(frames.size()) + " frames";
    }
    output.Commit();
    if (host) session.Release(number);
    if (!quiet_) {
      for (const std::string& warning : textureFiles.warnings()) Warn(warning);
      for (const std::string& warning : pictures.warnings()) Warn(warning);
    }
    std::printf("%s written (%s, %d triangles drawn) from %s\n", text::Utf8Text(output_).c_str(),
                what.c_str(), pictures.trianglesDrawn(), text::Utf8Text(input_).c_str());
    return kExitSuccess;
  }

  int RenderAsStored(const render::RenderOptions& options) {
    // Opened first, so an output that cannot be written (a folder, say) fails before the work.
    OutputFile output(output_);
    HostSession session(quiet_ ? nullptr : stderr);
    const int32_t number = session.LoadAny(ReadInput(input_));
    session.PrintNotices();
    const sObject* object = session.object(number);
    if (!object) throw FileError(input_, "the plug-in built no object");

    render::TextureFiles textureFiles(input_);
    for (auto& image : session.TakeHeldImages()) textureFiles.AddEmbedded(image.name, image.bytes);
    for (const std::string& warning : session.TakeWarnings()) Warn(warning);
    const render::RenderResult result =
        render::RenderObject(*object, options, [&](const sFrame&, const sMesh& mesh) {
          return textureFiles.Find(TextureRecordName(mesh));
        });
    session.Release(number);

    if (!quiet_) {
      for (const std::string& warning : textureFiles.warnings()) Warn(warning);
      for (const std::string& warning : result.warnings) Warn(warning);
    }
    std::vector<uint8_t> png;
    if (!render::EncodePng(result.image, &png)) throw FileError(output_, "nothing to write");
    output.Write(png.data(), png.size());
    output.Commit();
    std::printf("%s written (%dx%d, %d triangles drawn) from %s\n", text::Utf8Text(output_).c_str(),
                size_, size_, result.trianglesDrawn, text::Utf8Text(input_).c_str());
    return kExitSuccess;
  }

  void Warn(const std::string& line) const {
    if (!quiet_) std::fprintf(stderr, "korva: warning: %s\n", text::Utf8Text(line).c_str());
  }

  std::string input_;
  std::string output_;
  std::string view_ = "iso";
  int size_ = 512;
  std::string background_ = "303030";
  bool wireframe_ = false;
  bool skeleton_ = false;
  std::optional<float> frame_;
  std::string frames_;
  bool animate_ = false;
  std::optional<float> fps_;
  bool compare_ = false;
  bool imported_ = false;
  bool quiet_ = false;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::RenderCommand);

// korva_gltf_pipeline_compare ORIGINAL CHANGED: whether a glTF asset that a pipeline tool rewrote
// (quantized, compressed, its textures re-encoded) reads as the object its original gives. The
// tools reorder vertices and regroup nodes and meshes, so the objects are compared as the host
// draws them: every triangle corner's position in world space (skinned, at rest and at frames of
// the animation) within 2e-3 of the model's size, and its texture coordinates within 2e-3 of their
// range, triangle by triangle. One line on stdout says what was compared; exit 1 on a difference.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gltf/build/gltf_import.h"
#include "gltf/compare/object_match.h"
#include "render/host_playback.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

// The asset at `path` read with the files beside it; false, with one line said, where it cannot be.
bool ReadAsset(const std::string& path, gltf::ImportedAsset* asset) {
  std::error_code missing;
  if (!std::filesystem::is_regular_file(path, missing)) {
    std::printf("%s: not a file that can be read\n", path.c_str());
    return false;
  }
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const gltf::doc::ResourceReader files = [&](const std::string& relative,
                                              std::vector<uint8_t>* out, std::string* problem) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(folder / relative, error)) {
      *problem = "does not exist";
      return false;
    }
    *out = ReadWholeFile((folder / relative).string());
    return true;
  };
  std::string error;
  if (gltf::ImportGltf(bytes.data(), bytes.size(), files, gltf::ImportOptions(), asset, &error))
    return true;
  std::printf("%s: %s\n", path.c_str(), error.c_str());
  return false;
}

int Run(const std::string& originalPath, const std::string& changedPath) {
  gltf::ImportedAsset original, changed;
  if (!ReadAsset(originalPath, &original) || !ReadAsset(changedPath, &changed)) return 1;
  const sObject& a = *original.object;
  const sObject& b = *changed.object;
  // Tools resample curves (at 30 a second, say), which may end a clip in the next whole frame.
  const int length = std::min(render::AnimationLength(a), render::AnimationLength(b));
  if (std::abs(render::AnimationLength(b) - render::AnimationLength(a)) > 1) {
    std::printf("%s: animation of %d frames, the original's %d\n", changedPath.c_str(),
                render::AnimationLength(b), render::AnimationLength(a));
    return 1;
  }
  // The model's size and the texture coordinates' range, from the original at rest.
  const ObjectCorners rest = PosedCorners(a, -1);
  std::vector<float> frames = {-1};
  for (int i = 0; i <= 4 && length > 0; ++i) frames.push_back(float(length * i / 4));
  CornerMatch worst;
  for (const float frame : frames) {
    const CornerMatch match = MatchCorners(frame < 0 ? rest : PosedCorners(a, frame),
                                           PosedCorners(b, frame), rest.extents, {});
    if (!match.difference.empty()) {
      std::printf("%s at %s: %s\n", changedPath.c_str(),
                  frame < 0 ? "rest" : ("frame " + std::to_string(int(frame))).c_str(),
                  match.difference.c_str());
      return 1;
    }
    worst.position = std::max(worst.position, match.position);
    worst.uv = std::max(worst.uv, match.uv);
  }
  const bool textured = rest.extents.uvRange > 1e-6;
  std::printf(
      "%s: %zu triangles at rest and %zu frames: positions within %.2g of the size %.3g, "
      "texture coordinates within %.2g of their range %.3g\n",
      changedPath.c_str(), rest.meshes[0].triangles.size(), frames.size() - 1, worst.position,
      rest.extents.size, textured ? worst.uv : 0.0, textured ? rest.extents.uvRange : 0.0);
  return 0;
}

}  // namespace
}  // namespace korva::testing

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: korva_gltf_pipeline_compare ORIGINAL CHANGED\n");
    return 2;
  }
  return korva::testing::Run(argv[1], argv[2]);
}

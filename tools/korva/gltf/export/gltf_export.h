// A host object as a glTF 2.0 asset: its frame tree, meshes, materials, textures, skins and first
// animation set, turned from the host's left-handed, row-vector space into glTF's right-handed,
// column-vector space by mirroring z, so a glTF viewer shows the object from the side `korva
// render` draws it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "model/object.h"
#include "render/image.h"

namespace tinygltf {
class Model;
}

namespace korva::gltf {

// The decoded stage-0 texture of `mesh`, or null when it has none or its file is not found. The
// picture must stay alive until BuildGltf returns.
using TextureSource = std::function<const render::Image*(const sMesh& mesh)>;

struct ExportOptions {
  double framesPerSecond = 25.0;  // key time = frame / framesPerSecond; must be > 0
};

// The asset: the glTF document (buffer 0 holds every accessor's data; images carry no data yet)
// and, parallel to its images, each texture as PNG bytes.
struct GltfAsset {
  GltfAsset();
  ~GltfAsset();
  GltfAsset(GltfAsset&&) noexcept;
  GltfAsset& operator=(GltfAsset&&) noexcept;

  std::unique_ptr<tinygltf::Model> model;
  std::vector<std::vector<uint8_t>> pngImages;
  std::vector<std::string> imageNames;  // a file stem per image, unique within the asset
  std::vector<std::string> warnings;    // what was dropped or changed, one line each
};

// Converts the object. Meshes whose vertices or primitives cannot be read, keys that cannot be
// placed and influences beyond four per vertex are left out with a warning; nothing throws on bad
// records. Skins get inverse bind matrices from the frame tree as it stands, so the rest pose
// draws every vertex where its mesh frame puts it.
GltfAsset BuildGltf(const sObject& object, const ExportOptions& options,
                    const TextureSource& textures);

struct OutputFile {
  std::string path;
  std::vector<uint8_t> bytes;
};

// The files that make up the asset at `path`: a `.glb` path gives one binary file with buffer and
// images embedded; any other path a JSON file with its `.bin` and one PNG file per image beside
// it (named after the path's stem, so several assets can share a folder). The JSON comes last.
// False with `*error` set when tinygltf cannot serialise the document.
bool SerializeGltf(GltfAsset* asset, const std::string& path, std::vector<OutputFile>* files,
                   std::string* error);

}  // namespace korva::gltf

// Finding and decoding the texture image a mesh's texture record names, beside the model or DBO
// file that the mesh came from. Each file is decoded once.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/image.h"

namespace korva::render {

// Where a texture named `textureName` may be, for the file at `ownerPath`, most likely first: the
// owner's directory joined with the name as written, then with the name's last path component
// alone (after a slash or a backslash). Each is found as the host's texture loader finds a file
// (standalone::ResolveWindowsPath). Empty for an empty name.
std::vector<std::string> TextureCandidates(const std::string& ownerPath,
                                           const std::string& textureName);

class TextureFiles {
 public:
  explicit TextureFiles(std::string ownerPath) : ownerPath_(std::move(ownerPath)) {}

  // The decoded image for the name, or null (empty name, no candidate found or decodable); the
  // first failure for a name adds a warning. Pointers stay valid while this object lives.
  const Image* Find(const std::string& textureName);

  // Makes `textureName` find the image these bytes decode to (an image held inside a glTF asset,
  // which no file beside it holds); a picture that does not decode adds a warning.
  void AddEmbedded(const std::string& textureName, const std::vector<uint8_t>& bytes);

  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  std::string ownerPath_;
  std::map<std::string, std::unique_ptr<Image>> byName_;  // null entry: not found
  std::vector<std::string> warnings_;
};

}  // namespace korva::render

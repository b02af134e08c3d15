// Models whose textured material names its texture the ways models made on Windows do, with the
// texture files laid out beside them. The import tests and the cross-check with the Windows build
// share them, so both builds are held to the same expectations.
#pragma once

#include <string>
#include <vector>

namespace korva::testing {

struct TexturePathModel {
  std::string file;         // the model's file name
  std::string textureName;  // what the material of its first group names
  // Width of the texture the import loads for the first group: 1 for name.bmp beside the model,
  // 2 for sub/name.bmp; 0 when it loads none and shows "Error Loading Texture".
  int loadedWidth;
  std::string recordName;  // what the loaded texture's record names; empty when none loads
};

// Every case: ".\" and "sub\" names (the import keeps the part after the last backslash),
// "sub/" names (a folder), names in another letter case, an absent file, and paths on the author's
// machine written with forward slashes (a drive, a folder the model's does not hold), whose last
// part is looked for beside the model when the name as written finds nothing.
const std::vector<TexturePathModel>& TexturePathModels();

// Writes name.bmp (1 x 1), sub/name.bmp (2 x 1) and every model into `folder` (which exists).
// False when a file cannot be written.
bool WriteTexturePathModels(const std::string& folder);

// Writes a 24-bit BMP `width` pixels wide and one high.
bool WriteTinyBmp(const std::string& path, int width);

}  // namespace korva::testing

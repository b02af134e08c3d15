// Where a model's textures are looked for: the model's directory joined with the file part of each
// material's texture name, and, for a name written with forward slashes, joined with its last part.
// Strings of any length; nothing is cut.
#pragma once

#include <string>
#include <vector>

namespace korva::import {

// The model path up to and including its last backslash or forward slash; empty when there is
// none. The first character is never taken as the separator, so "\ship.ms3d" has no directory.
std::string ModelDirectory(const std::string& modelPath);

// The texture name from its last backslash (included) to its end; the whole name when it has no
// backslash. Forward slashes are not separators here. Multibyte-aware on Windows.
std::string TextureFilePart(const std::string& textureName);

// The model directory followed by the file part, separators not merged (".\hull.bmp" under
// "C:\models\" gives "C:\models\\hull.bmp").
std::string TexturePath(const std::string& modelDirectory, const std::string& textureName);

// The name a mesh's texture record keeps: the file part without its leading backslash, so a saved
// object still names its texture ("hull.bmp" for ".\hull.bmp"; "maps/hull.bmp" stays).
std::string TextureRecordName(const std::string& textureName);

// One place a texture file is looked for, and the name its texture record keeps if it loads there.
struct TextureLocation {
  std::string path;
  std::string recordName;
};

// Where the texture is looked for, in order, until one loads: first the texture path (with
// TextureRecordName); then, when the file part still holds a forward slash (a path on the author's
// machine, "C:/art/dwarf/axe.jpg"), the model directory joined with what follows that slash, which
// the record then names ("axe.jpg"). A name whose file part ends with a forward slash has only the
// first. The first path is the one a notice names when none loads.
std::vector<TextureLocation> TextureLocations(const std::string& modelDirectory,
                                              const std::string& textureName);

}  // namespace korva::import

// Where a texture named by a model or a saved mesh is looked for, as the import looks for it.
#pragma once

#include <string>

namespace korva::cli {

// Whether the import would find the texture `textureName` for the model or DBO file at
// `ownerPath`: a file exists at one of its import::TextureLocations under the owner's directory,
// found as the host's texture loader finds it (standalone::ResolveWindowsPath: separators and
// letter case as on Windows). False for an empty name.
bool TextureFound(const std::string& ownerPath, const std::string& textureName);

}  // namespace korva::cli

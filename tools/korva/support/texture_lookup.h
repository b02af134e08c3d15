// Where a texture named by a model or a saved mesh is looked for, as the import looks for it.
#pragma once

#include <string>

namespace korva::cli {

// The path the import would load the texture `textureName` from for the file at `ownerPath` (its
// directory joined with the name's file part), or empty when the name is empty.
std::string TextureCandidate(const std::string& ownerPath, const std::string& textureName);

// Whether that texture file exists, found as the host's texture loader finds it
// (standalone::ResolveWindowsPath: separators and letter case as on Windows).
bool TextureFound(const std::string& ownerPath, const std::string& textureName);

}  // namespace korva::cli

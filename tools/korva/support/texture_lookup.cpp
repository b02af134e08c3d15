#include "support/texture_lookup.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "import/texture_paths.h"
#include "standalone/windows_paths.h"

namespace korva::cli {

std::string TextureCandidate(const std::string& ownerPath, const std::string& textureName) {
  if (textureName.empty()) return {};
  return import::TexturePath(import::ModelDirectory(ownerPath), textureName);
}

bool TextureFound(const std::string& ownerPath, const std::string& textureName) {
  const std::string candidate = TextureCandidate(ownerPath, textureName);
  if (candidate.empty()) return false;
  const std::optional<std::string> found = standalone::ResolveWindowsPath(candidate);
  std::error_code error;
  return found && std::filesystem::is_regular_file(*found, error);
}

}  // namespace korva::cli

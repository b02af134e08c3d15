#include "support/texture_lookup.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "import/texture_paths.h"

namespace korva::cli {

std::string TextureCandidate(const std::string& ownerPath, const std::string& textureName) {
  if (textureName.empty()) return {};
  return import::TexturePath(import::ModelDirectory(ownerPath), textureName);
}

bool TextureFound(const std::string& ownerPath, const std::string& textureName) {
  const std::string candidate = TextureCandidate(ownerPath, textureName);
  if (candidate.empty()) return false;
  std::error_code error;
  if (std::filesystem::is_regular_file(candidate, error)) return true;
  std::string slashed = candidate;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  return std::filesystem::is_regular_file(slashed, error);
}

}  // namespace korva::cli

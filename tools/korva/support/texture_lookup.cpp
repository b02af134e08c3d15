#include "support/texture_lookup.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "import/texture_paths.h"
#include "standalone/windows_paths.h"

namespace korva::cli {

bool TextureFound(const std::string& ownerPath, const std::string& textureName) {
  if (textureName.empty()) return false;
  for (const import::TextureLocation& location :
       import::TextureLocations(import::ModelDirectory(ownerPath), textureName)) {
    const std::optional<std::string> found = standalone::ResolveWindowsPath(location.path);
    std::error_code error;
    if (found && std::filesystem::is_regular_file(*found, error)) return true;
  }
  return false;
}

}  // namespace korva::cli

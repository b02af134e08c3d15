#include "standalone/windows_paths.h"

namespace korva::standalone {

std::optional<std::string> ResolveWindowsPath(const std::string& path) {
  return path;
}

void ForgetFolderListings() {}

}  // namespace korva::standalone

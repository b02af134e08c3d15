#include "standalone/windows_paths.h"

namespace korva::standalone {

std::optional<std::string> ResolveWindowsPath(const std::string& path) {
  return path;
}

void BeginPathLookups() {}

void EndPathLookups() noexcept {}

void ForgetFolderListings() {}

}  // namespace korva::standalone

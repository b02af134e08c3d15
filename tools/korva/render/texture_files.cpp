#include "render/texture_files.h"

#include <algorithm>
#include <cstdio>

namespace korva::render {
namespace {
bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

std::string DirectoryOf(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return path.substr(0, i);
  }
  return {};
}

bool FileExists(const std::string& path) {
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    std::fclose(file);
    return true;
  }
  return false;
}
}  // namespace

std::vector<std::string> TextureCandidates(const std::string& ownerPath,
                                           const std::string& textureName) {
  std::vector<std::string> candidates;
  if (textureName.empty()) return candidates;
  const std::string directory = DirectoryOf(ownerPath);
  // Models made on Windows name textures with backslashes and often with a leading ".\".
  std::string relative = textureName;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  while (relative.rfind("./", 0) == 0) relative.erase(0, 2);
  while (!relative.empty() && relative[0] == '/') relative.erase(0, 1);
  if (!relative.empty()) candidates.push_back(directory + relative);
  const size_t lastSeparator = relative.find_last_of('/');
  if (lastSeparator != std::string::npos && lastSeparator + 1 < relative.size()) {
    candidates.push_back(directory + relative.substr(lastSeparator + 1));
  }
  return candidates;
}

const Image* TextureFiles::Find(const std::string& textureName) {
  if (textureName.empty()) return nullptr;
  auto found = byName_.find(textureName);
  if (found != byName_.end()) return found->second.get();
  std::unique_ptr<Image> image;
  std::string problem;
  for (const std::string& candidate : TextureCandidates(ownerPath_, textureName)) {
    if (!FileExists(candidate)) continue;
    auto decoded = std::make_unique<Image>();
    if (LoadImageFile(candidate, decoded.get(), &problem)) {
      image = std::move(decoded);
      break;
    }
  }
  if (!image) {
    warnings_.push_back(problem.empty() ? "texture " + textureName + " not found beside " +
                                              ownerPath_ + "; drawn untextured"
                                        : problem + "; drawn untextured");
  }
  return byName_.emplace(textureName, std::move(image)).first->second.get();
}

}  // namespace korva::render

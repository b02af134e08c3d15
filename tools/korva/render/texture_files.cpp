#include "render/texture_files.h"

#include <optional>

#include "standalone/windows_paths.h"
#include "text/utf8_text.h"

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
}  // namespace

std::vector<std::string> TextureCandidates(const std::string& ownerPath,
                                           const std::string& textureName) {
  std::vector<std::string> candidates;
  if (textureName.empty()) return candidates;
  // Relative to the owner even when the name starts with a separator or the owner has no folder.
  std::string directory = DirectoryOf(ownerPath);
  if (directory.empty()) directory = "./";
  candidates.push_back(directory + textureName);
  size_t lastSeparator = textureName.size();
  while (lastSeparator > 0 && !IsSeparator(textureName[lastSeparator - 1])) --lastSeparator;
  if (lastSeparator > 0 && lastSeparator < textureName.size()) {
    candidates.push_back(directory + textureName.substr(lastSeparator));
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
    const std::optional<std::string> resolved = standalone::ResolveWindowsPath(candidate);
    if (!resolved) continue;
    auto decoded = std::make_unique<Image>();
    if (LoadImageFile(*resolved, decoded.get(), &problem)) {
      image = std::move(decoded);
      break;
    }
  }
  if (!image) {
    warnings_.push_back(problem.empty()
                            ? "texture " + text::Utf8Text(textureName) + " not found beside " +
                                  text::Utf8Text(ownerPath_) + "; drawn untextured"
                            : problem + "; drawn untextured");
  }
  return byName_.emplace(textureName, std::move(image)).first->second.get();
}

void TextureFiles::AddEmbedded(const std::string& textureName, const std::vector<uint8_t>& bytes) {
  auto image = std::make_unique<Image>();
  std::string problem;
  if (!DecodeImage(bytes.data(), bytes.size(), image.get(), &problem)) {
    warnings_.push_back("texture " + textureName + " held in " + ownerPath_ + ": " + problem +
                        "; drawn untextured");
    image.reset();
  }
  byName_[textureName] = std::move(image);
}

}  // namespace korva::render

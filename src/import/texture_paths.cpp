#include "import/texture_paths.h"

#ifdef _WIN32
#include <mbstring.h>
#endif

namespace korva::import {
namespace {
// Position of the last backslash that is a real character (not the trail byte of a double-byte
// character in the user's code page), or npos.
std::string::size_type LastBackslash(const std::string& text) {
#ifdef _WIN32
  const unsigned char* start = reinterpret_cast<const unsigned char*>(text.c_str());
  const unsigned char* found = _mbsrchr(start, '\\');
  return found ? static_cast<std::string::size_type>(found - start) : std::string::npos;
#else
  return text.rfind('\\');
#endif
}
}  // namespace

std::string ModelDirectory(const std::string& modelPath) {
  for (std::string::size_type i = modelPath.size(); i-- > 1;) {
    if (modelPath[i] == '\\' || modelPath[i] == '/') return modelPath.substr(0, i + 1);
  }
  return std::string();
}

std::string TextureFilePart(const std::string& textureName) {
  const std::string::size_type slash = LastBackslash(textureName);
  return slash == std::string::npos ? textureName : textureName.substr(slash);
}

std::string TexturePath(const std::string& modelDirectory, const std::string& textureName) {
  return modelDirectory + TextureFilePart(textureName);
}

std::string TextureRecordName(const std::string& textureName) {
  std::string part = TextureFilePart(textureName);
  if (!part.empty() && part[0] == '\\') part.erase(0, 1);
  return part;
}

std::vector<TextureLocation> TextureLocations(const std::string& modelDirectory,
                                              const std::string& textureName) {
  std::vector<TextureLocation> locations{
      {TexturePath(modelDirectory, textureName), TextureRecordName(textureName)}};
  // No double-byte code page of Windows has '/' as a trail byte: a plain search finds a real one.
  const std::string part = TextureFilePart(textureName);
  const std::string::size_type slash = part.rfind('/');
  if (slash != std::string::npos && slash + 1 < part.size()) {
    const std::string lastPart = part.substr(slash + 1);
    locations.push_back({modelDirectory + lastPart, lastPart});
  }
  return locations;
}

}  // namespace korva::import

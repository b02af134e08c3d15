// The URIs of an asset: relative paths that must stay in its folder, and base64 data URIs.
#include <cstring>

#include "gltf/read/gltf_document.h"

namespace korva::gltf::doc {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return -1;
}

}  // namespace

bool UriToRelativePath(const std::string& uri, std::string* path, std::string* problem) {
  if (uri.empty()) {
    *problem = "is empty";
    return false;
  }
  // A colon before the first separator is a scheme ("http:", "file:") or a drive ("C:"); a
  // leading separator is an absolute path. Neither names a file of the asset.
  const size_t colon = uri.find(':');
  if (colon != std::string::npos && colon < uri.find_first_of("/\\")) {
    *problem = "is not a relative path (a scheme or a drive)";
    return false;
  }
  if (uri[0] == '/' || uri[0] == '\\') {
    *problem = "is an absolute path";
    return false;
  }
  std::string decoded;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      decoded += uri[i];
      continue;
    }
    const int high = i + 2 < uri.size() ? HexValue(uri[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(uri[i + 2]) : -1;
    if (low < 0) {
      *problem = "has a '%' not followed by two hexadecimal digits";
      return false;
    }
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  if (decoded.find('\0') != std::string::npos) {
    *problem = "holds a NUL character";
    return false;
  }
  // Segments as the path resolves them, so a ".." can never leave the asset's folder, whichever
  // separator (a decoded one too) the file system honours.
  std::vector<std::string> segments;
  size_t start = 0;
  while (start <= decoded.size()) {
    size_t end = decoded.find_first_of("/\\", start);
    if (end == std::string::npos) end = decoded.size();
    const std::string segment = decoded.substr(start, end - start);
    if (segment == "..") {
      if (segments.empty()) {
        *problem = "climbs out of the asset's folder";
        return false;
      }
      segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  if (segments.empty()) {
    *problem = "names no file";
    return false;
  }
  path->clear();
  for (const std::string& segment : segments) *path += (path->empty() ? "" : "/") + segment;
  return true;
}

bool IsDataUri(const std::string& uri) {
  return uri.compare(0, 5, "data:") == 0;
}

bool DecodeDataUri(const std::string& uri, std::vector<uint8_t>* bytes, std::string* mediaType,
                   std::string* problem) {
  const size_t comma = uri.find(',');
  if (!IsDataUri(uri) || comma == std::string::npos) {
    *problem = "is not a data URI";
    return false;
  }
  const std::string header = uri.substr(5, comma - 5);
  const size_t base64 = header.rfind(";base64");
  if (base64 == std::string::npos || base64 + 7 != header.size()) {
    *problem = "is a data URI without base64 data";
    return false;
  }
  *mediaType = header.substr(0, header.find(';'));
  bytes->clear();
  bytes->reserve((uri.size() - comma) / 4 * 3 + 3);
  uint32_t bits = 0;
  int held = 0;
  size_t i = comma + 1;
  for (; i < uri.size() && uri[i] != '='; ++i) {
    const int value = Base64Value(uri[i]);
    if (value < 0) {
      *problem = "holds a character that is not base64 at " + std::to_string(i);
      return false;
    }
    bits = (bits << 6) | static_cast<uint32_t>(value);
    held += 6;
    if (held >= 8) {
      held -= 8;
      bytes->push_back(static_cast<uint8_t>(bits >> held));
    }
  }
  for (; i < uri.size(); ++i) {
    if (uri[i] != '=') {
      *problem = "has base64 data after its padding";
      return false;
    }
  }
  return true;
}

}  // namespace korva::gltf::doc

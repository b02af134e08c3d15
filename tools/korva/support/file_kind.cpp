#include "support/file_kind.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "ms3d/ms3d_format.h"
#include "support/cli_error.h"

namespace korva::cli {
namespace {

// A DBO block opens with the length of its magic text, then the text.
constexpr uint8_t kDboHead[] = {8, 0, 0, 0, 'M', 'A', 'G', 'I', 'C', 'D', 'B', 'O'};

}  // namespace

FileKind KindOfContent(const uint8_t* head, size_t size) {
  using ms3d_format::kMagic;
  if (size >= sizeof kMagic && std::memcmp(head, kMagic, sizeof kMagic) == 0) {
    return FileKind::kMs3d;
  }
  if (size >= sizeof kDboHead && std::memcmp(head, kDboHead, sizeof kDboHead) == 0) {
    return FileKind::kDbo;
  }
  return FileKind::kUnknown;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) throw FileError(path, "no such file");
  if (std::filesystem::is_directory(path, error)) throw FileError(path, "is a folder, not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path, "cannot be opened for reading");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (in.bad()) throw FileError(path, "cannot be read");
  return bytes;
}

FileKind DetectFileKind(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  const FileKind kind = KindOfContent(bytes.data(), bytes.size());
  if (kind == FileKind::kUnknown) {
    throw FileError(path, bytes.empty() ? "is empty, neither an MS3D model nor a DBO file"
                                        : "is neither an MS3D model nor a DBO file");
  }
  return kind;
}

}  // namespace korva::cli

#include "support/file_kind.h"

#include <cstring>

#include "ms3d/ms3d_format.h"
#include "standalone/regular_file.h"
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
  std::vector<uint8_t> bytes;
  std::string problem;
  if (standalone::ReadRegularFile(path, kMaxInputSize, &bytes, &problem) !=
      standalone::FileReadResult::kRead) {
    throw FileError(path, problem);
  }
  return bytes;
}

InputFile ReadInput(const std::string& path) {
  InputFile input{path, ReadWholeFile(path), FileKind::kUnknown};
  input.kind = KindOfContent(input.bytes.data(), input.bytes.size());
  if (input.kind == FileKind::kUnknown) {
    throw FileError(path, input.bytes.empty() ? "is empty, neither an MS3D model nor a DBO file"
                                              : "is neither an MS3D model nor a DBO file");
  }
  return input;
}

}  // namespace korva::cli

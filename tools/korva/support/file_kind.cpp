#include "support/file_kind.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ms3d/ms3d_format.h"
#include "standalone/regular_file.h"
#include "support/cli_error.h"

namespace korva::cli {
namespace {

// A DBO block opens with the length of its magic text, then the text.
constexpr uint8_t kDboHead[] = {8, 0, 0, 0, 'M', 'A', 'G', 'I', 'C', 'D', 'B', 'O'};
constexpr uint8_t kGlbHead[] = {'g', 'l', 'T', 'F'};

// A glTF document is a JSON object whose members are glTF's top-level properties; its first
// member names one of them (writers that sort their keys put "accessors" first, so "asset" may
// come late). No MS3D model or DBO file starts with '{'.
bool IsGltfJson(const uint8_t* head, size_t size) {
  const auto space = [](uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t i = 0;
  if (size >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) i = 3;
  while (i < size && space(head[i])) ++i;
  if (i >= size || head[i] != '{') return false;
  ++i;
  while (i < size && space(head[i])) ++i;
  if (i >= size || head[i] != '"') return false;
  const size_t start = ++i;
  while (i < size && i - start < 32 && head[i] != '"') ++i;
  if (i >= size || head[i] != '"') return false;
  static const char* const kMembers[] = {
      "accessors",      "animations", "asset",      "buffers",
      "bufferViews",    "cameras",    "extensions", "extensionsRequired",
      "extensionsUsed", "extras",     "images",     "materials",
      "meshes",         "nodes",      "samplers",   "scene",
      "scenes",         "skins",      "textures"};
  const std::string first(reinterpret_cast<const char*>(head + start), i - start);
  return std::find(std::begin(kMembers), std::end(kMembers), first) != std::end(kMembers);
}

}  // namespace

FileKind KindOfContent(const uint8_t* head, size_t size) {
  using ms3d_format::kMagic;
  if (size >= sizeof kMagic && std::memcmp(head, kMagic, sizeof kMagic) == 0) {
    return FileKind::kMs3d;
  }
  if (size >= sizeof kDboHead && std::memcmp(head, kDboHead, sizeof kDboHead) == 0) {
    return FileKind::kDbo;
  }
  if (size >= sizeof kGlbHead && std::memcmp(head, kGlbHead, sizeof kGlbHead) == 0) {
    return FileKind::kGltf;
  }
  if (IsGltfJson(head, size)) return FileKind::kGltf;
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
  InputFile input{path, ReadWholeFile(path), FileKind::kUnknown, nullptr};
  input.kind = KindOfContent(input.bytes.data(), input.bytes.size());
  if (input.kind == FileKind::kUnknown) {
    throw FileError(path, input.bytes.empty()
                              ? "is empty, neither an MS3D model, a DBO file nor a glTF asset"
                              : "is neither an MS3D model, a DBO file nor a glTF asset");
  }
  return input;
}

InputFile OpenInput(const std::string& path) {
  auto file = std::make_shared<standalone::RegularFile>();
  std::string problem;
  if (file->Open(path, kMaxInputSize, &problem) != standalone::FileReadResult::kRead) {
    throw FileError(path, problem);
  }
  // The MS3D magic is fixed bytes at the start; any other kind, and a file that says it is empty
  // (some under /proc have content all the same), is read whole as before.
  uint8_t head[sizeof ms3d_format::kMagic];
  if (file->size() >= sizeof head &&
      file->ReadAt(0, head, sizeof head) == static_cast<int64_t>(sizeof head) &&
      KindOfContent(head, sizeof head) == FileKind::kMs3d) {
    InputFile input{path, {}, FileKind::kMs3d, nullptr};
    input.file = std::move(file);
    return input;
  }
  return ReadInput(path);
}

std::vector<uint8_t> ReadOpenedInput(const InputFile& input) {
  if (!input.file) return input.bytes;
  std::vector<uint8_t> bytes(static_cast<size_t>(input.file->size()));
  const int64_t got = input.file->ReadAt(0, bytes.data(), bytes.size());
  if (got < 0) throw FileError(input.path, "cannot be read");
  bytes.resize(static_cast<size_t>(got));
  return bytes;
}

}  // namespace korva::cli

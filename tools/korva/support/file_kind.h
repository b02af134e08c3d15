// Reading an input file of `korva` once, into memory, and telling MS3D models, DBO files and glTF
// assets apart by their first bytes, never by their extension.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "standalone/regular_file.h"

namespace korva::cli {

enum class FileKind { kMs3d, kDbo, kGltf, kUnknown };

// The kind of a file whose leading bytes are `head` (any length; short input is kUnknown). A .glb
// container opens with "glTF"; a .gltf document is a JSON object whose first member is one of
// glTF's top-level properties.
FileKind KindOfContent(const uint8_t* head, size_t size);

// Inputs larger than this are refused before a byte is read: the process is 32-bit and the
// readers build several times the input in memory.
constexpr size_t kMaxInputSize = size_t{1} << 30;

// The whole file, read once. Only regular files are read (a FIFO or a device is refused, never
// waited on). Throws FileError "<path>: <what>" when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

// An input as every subcommand works from it: its bytes, read once, and their kind.
struct InputFile {
  std::string path;
  std::vector<uint8_t> bytes;
  FileKind kind = FileKind::kUnknown;
  // Set by OpenInput for an MS3D model, which is then read from here in order, a piece at a time,
  // and `bytes` is empty.
  std::shared_ptr<standalone::RegularFile> file;
};

// Reads the file; throws FileError when it cannot be read or is neither kind.
InputFile ReadInput(const std::string& path);

// As ReadInput, except that an MS3D model is left open in `file` rather than read into memory.
InputFile OpenInput(const std::string& path);

// The whole of an input that OpenInput left open, read from the same file; throws FileError when
// it cannot be read.
std::vector<uint8_t> ReadOpenedInput(const InputFile& input);

}  // namespace korva::cli

// Telling MS3D models from DBO files by their first bytes, never by their extension.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva::cli {

enum class FileKind { kMs3d, kDbo, kUnknown };

// The kind of a file whose leading bytes are `head` (any length; short input is kUnknown).
FileKind KindOfContent(const uint8_t* head, size_t size);

// The whole file. Throws FileError naming the path when it cannot be opened or read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

// The kind of the file at `path`; throws FileError when it cannot be read or is neither kind.
FileKind DetectFileKind(const std::string& path);

}  // namespace korva::cli

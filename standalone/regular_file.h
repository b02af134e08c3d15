// Reading a whole input file (a model, an object file, a texture) without ever blocking on a FIFO
// or reading a device without end: only regular files are read, their size known before the read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korva::standalone {

enum class FileReadResult {
  kRead,
  kMissing,     // no such file (or a folder on its path is missing)
  kNotRegular,  // a folder, a FIFO, a device, a socket: nothing was read from it
  kTooLarge,    // more than the caller's limit; nothing was read
  kUnreadable,  // the system refused to open or read it (permission, I/O error, a link loop)
};

// Reads the whole regular file at `path` into `*bytes` (one read when the file's size is known
// in advance), refusing files of more than `maxSize` bytes. On failure `*bytes` is empty and
// `*problem` says what is wrong in a few words ("is a FIFO, not a regular file").
FileReadResult ReadRegularFile(const std::string& path, size_t maxSize, std::vector<uint8_t>* bytes,
                               std::string* problem);

}  // namespace korva::standalone

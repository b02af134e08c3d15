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

// A regular file held open to be read in pieces, where only some of it is needed or it need not
// be in memory all at once. Closed when destroyed.
class RegularFile {
 public:
  RegularFile() = default;
  ~RegularFile();
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  // Opens `path` with the checks of ReadRegularFile, which gives the same result and problem for
  // it; kRead when the file is open, nothing read yet.
  FileReadResult Open(const std::string& path, size_t maxSize, std::string* problem);

  // The size the file had when opened.
  uint64_t size() const { return size_; }

  // Reads up to `count` bytes at `offset` into `out`: the count read, fewer only where the file
  // ends (it may have shrunk since it was opened), or -1 when the system refuses the read.
  int64_t ReadAt(uint64_t offset, uint8_t* out, size_t count) const;
  // The same from where the last ReadNext stopped (the start at first).
  int64_t ReadNext(uint8_t* out, size_t count) const;

 private:
  int descriptor_ = -1;
  uint64_t size_ = 0;
};

}  // namespace korva::standalone

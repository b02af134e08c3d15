// Writing one output file of `korva` (DBO files, pictures and every later output) so that a failure
// never passes as success and never leaves a damaged or half-written file where the output was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korva::cli {

namespace os {
class OutputHandle;
}

// An output being written. A regular file (or a missing one) is written to a temporary file
// created exclusively, under a unique name, beside the file it replaces, and renamed over it by
// Commit; a symbolic link is followed, so the file it points to is replaced and the link stays; an
// existing file keeps its permission bits. A character device or a FIFO is written directly. A
// folder is refused. Every failure throws FileError naming the path; an output that is not
// committed is discarded by the destructor (the old file, if any, stays as it was).
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const void* data, size_t size);
  // Flushes to the disk and puts the file in its place. Returns the bytes written.
  uint64_t Commit();

 private:
  std::string path_;
  std::unique_ptr<os::OutputHandle> handle_;
  uint64_t written_ = 0;
};

// The whole output in one call: OutputFile, one Write, Commit.
uint64_t WriteOutputFile(const std::string& path, const uint8_t* data, size_t size);

namespace os {

// The operating system's side of OutputFile (posix/ and win32/ implement it). Each call returns
// an empty string on success, otherwise what went wrong in a few words ("no space left on device").
class OutputHandle {
 public:
  virtual ~OutputHandle() = default;
  virtual std::string Write(const void* data, size_t size) = 0;
  virtual std::string Commit() = 0;
  // Closes and removes what Commit has not put in place. Never fails.
  virtual void Discard() = 0;
};

// Opens `path` for writing as OutputFile describes; null with `*problem` set on failure.
std::unique_ptr<OutputHandle> OpenOutput(const std::string& path, std::string* problem);

}  // namespace os
}  // namespace korva::cli

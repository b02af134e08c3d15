// Runs one input through a part of the plug-in under a counting allocator and tells whether the
// outcome was clean: no crash (the sanitizer builds catch reads out of bounds), a clear failure or
// an object that passes the object checks, nothing leaked, and no more memory than the allocation
// bound for the input's size. Each function returns an empty string for a clean outcome, otherwise
// what went wrong. The same checks run in the fuzz targets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva {
struct sObject;
}

namespace korva::testing {

// Frees an object the plug-in built: its records, then the object record.
void ReleaseObject(sObject* object);

// Holds inputs so that each ends exactly at the end of one heap block, and a read past an input is
// caught by the sanitizer build; one block serves a whole run of inputs (prefixes, mutations), so
// the sanitizer's heap is not churned by thousands of blocks of different sizes.
class InputBlock {
 public:
  explicit InputBlock(size_t capacity);
  ~InputBlock();
  InputBlock(const InputBlock&) = delete;
  InputBlock& operator=(const InputBlock&) = delete;

  // Copies `size` bytes (at most the capacity) to the end of the block and returns where they are.
  const uint8_t* Place(const uint8_t* bytes, size_t size);

 private:
  uint8_t* block_;
  size_t capacity_;
};

// The MS3D reader on the bytes (from memory), then the skeleton on an accepted model; the reader's
// account must add up (sections end to end, a refusal within the input). `data + size` must be the
// end of a heap block (see InputBlock).
std::string ReaderOutcome(const uint8_t* data, size_t size);
std::string ReaderOutcome(const std::vector<uint8_t>& bytes);

// The whole import through LoadMilkshape on a fresh standalone host, the bytes written to `path`
// first. A failed import must store no object and show the failure message, and the import must
// succeed exactly when `korva check` calls the bytes well formed (reader, then CheckImportable).
std::string ImportOutcome(const std::vector<uint8_t>& bytes, const std::string& path);

// DBOConvertBlockToObject on the bytes (copied into a block of exactly their size). A loaded
// object must pass the checks, write back, and read again into an object that writes the same
// block.
std::string BlockOutcome(const uint8_t* data, size_t size);
std::string BlockOutcome(const std::vector<uint8_t>& bytes);

// LoadDBOEx on the bytes written to `path`: success with a sound object, or "not an object" with
// none.
std::string FileOutcome(const std::vector<uint8_t>& bytes, const std::string& path);

// The DBO block of the model imported on a standalone host (empty when the import fails).
std::vector<uint8_t> ImportedBlock(const std::vector<uint8_t>& model, const std::string& path);

// A path for a scratch file in a folder of this process's own inside the test temporary folder
// (several test runs may share that folder); the files and the folder go when the process ends.
std::string ScratchPath(const std::string& name);

// Writes the bytes to `path`; false on any failure.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace korva::testing

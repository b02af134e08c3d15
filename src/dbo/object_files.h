// Object files: one DBO block per file, byte for byte, and the object functions on top of them.
#pragma once

#include <cstdint>
#include <vector>

#include "dbo/block_reader.h"
#include "dbo/result_codes.h"

namespace korva {
struct sObject;
}

namespace korva::dbo {

// Reads the whole file into a new block from HostAllocate (an empty file gives a block of length
// 0). False when the file cannot be opened or read to its end; the out-parameters stay untouched.
bool LoadBlockFile(const char* path, uint8_t** block, uint32_t* size);

// Replaces the file at `path` with the `size` bytes at `block`, only once all are written. False
// on any failure, with an existing file left as it was. The block stays the caller's.
bool SaveBlockFile(const char* path, const uint8_t* block, uint32_t size);

// Loads the object saved in the file: kLoadSucceeded (stored through `object`; with `skipped`, the
// blocks of unknown codes passed over are listed there), kLoadFileUnreadable or kLoadNotAnObject
// (nothing created; `*object` and `*skipped` untouched).
int32_t LoadObjectFile(const char* path, sObject** object,
                       std::vector<SkippedBlock>* skipped = nullptr);

// Saves the object to the file: kSaveSucceeded, kSaveCannotConvert or kSaveFileNotWritten (an
// existing file is left as it was).
int32_t SaveObjectFile(const char* path, const sObject* object);

}  // namespace korva::dbo

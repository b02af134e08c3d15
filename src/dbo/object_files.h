// Object files: one DBO block per file, byte for byte, and the object functions on top of them.
#pragma once

#include <cstdint>

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

// Loads the object saved in the file: 1 (stored through `object`), -1 (file unreadable) or -2 (not
// an object block, or a damaged one; nothing created and `*object` untouched).
int32_t LoadObjectFile(const char* path, sObject** object);

// Saves the object to the file: 1, -2 (object cannot be converted) or -3 (file not written; an
// existing file is left as it was).
int32_t SaveObjectFile(const char* path, const sObject* object);

}  // namespace korva::dbo

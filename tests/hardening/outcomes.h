// Runs one input through a part of the plug-in under a counting allocator and tells whether the
// outcome was clean: no crash (the sanitizer builds catch reads out of bounds), a clear failure or
// an object that passes the object checks, nothing leaked, and no more memory than the allocation
// bound for the input's size. Each function returns an empty string for a clean outcome, otherwise
// what went wrong. The same checks run in the fuzz targets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva::testing {

// The MS3D reader on the bytes (from memory), then the skeleton on an accepted model.
std::string ReaderOutcome(const std::vector<uint8_t>& bytes);

// The whole import through LoadMilkshape on a fresh standalone host, the bytes written to `path`
// first. A failed import must store no object and show the failure message.
std::string ImportOutcome(const std::vector<uint8_t>& bytes, const std::string& path);

// DBOConvertBlockToObject on the bytes (copied into a block of exactly their size). A loaded
// object must pass the checks, write back, and read again into an object that writes the same
// block.
std::string BlockOutcome(const std::vector<uint8_t>& bytes);

// LoadDBOEx on the bytes written to `path`: 1 with a sound object, or -2 with none.
std::string FileOutcome(const std::vector<uint8_t>& bytes, const std::string& path);

// The DBO block of the model imported on a standalone host (empty when the import fails).
std::vector<uint8_t> ImportedBlock(const std::vector<uint8_t>& model, const std::string& path);

// Writes the bytes to `path`; false on any failure.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace korva::testing

// Objects and blocks for the DBO tests: a sample object that fills every field the block carries,
// a comparison of those fields, and a small builder for hand-made blocks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/object.h"

namespace korva::testing {

// Releases an object built by the tests or by the reader, with everything it owns.
struct ObjectDeleter {
  void operator()(sObject* object) const;
};
using ObjectPtr = std::unique_ptr<sObject, ObjectDeleter>;

// An object that uses every block code: a frame tree (child and sibling), meshes with FVF 0 and a
// declaration, indices, bones (one without influences), textures, a material list, an effect file,
// mesh frames, an animation set with a chain of three tracks (one with bone-matrix data whose
// inner count differs from its outer count) and 10 bytes of custom data. Values are distinct, so
// a field read into the wrong place shows.
ObjectPtr MakeSampleObject();

// Expects every field that a block carries to be equal in both objects (recursing the frame and
// track trees; meant for small objects).
void ExpectSameWrittenFields(const sObject& expected, const sObject& actual);

// Converts with the writer; fails the test when the writer fails.
std::vector<uint8_t> WriteBlock(const sObject& object);

// Reads a whole block with its end bound; null when the reader fails.
ObjectPtr ReadBlock(const std::vector<uint8_t>& block);

// Builds blocks by hand, little-endian.
class BlockBuilder {
 public:
  BlockBuilder& Dword(uint32_t value);
  BlockBuilder& Byte(uint8_t value);
  BlockBuilder& Bytes(const void* data, size_t count);
  BlockBuilder& Pair(uint32_t code, uint32_t size) { return Dword(code).Dword(size); }
  BlockBuilder& End() { return Pair(0, 0); }
  BlockBuilder& Text(const std::string& text);  // DWORD length and the characters
  // Magic text, the version and the two reserved DWORDs.
  BlockBuilder& Header(uint32_t version = 1062, const std::string& magic = "MAGICDBO");
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace korva::testing

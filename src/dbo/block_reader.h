// Converting a DBO block back into a new host object.
#pragma once

#include <cstdint>
#include <vector>

namespace korva {
struct sObject;
}

namespace korva::dbo {

enum class ReadResult {
  kLoaded,      // the object was built
  kWrongMagic,  // the block does not start with the magic text: nothing was created
  kDamaged,     // the block runs past its end, or its counts and arrays disagree
};

// A block the reader passed over because its code means nothing to it: a newer writer's data that
// the object it builds does not hold.
struct SkippedBlock {
  uint32_t code;
  uint32_t size;    // of the payload passed over
  uint32_t offset;  // of the block's code, counted from `begin`
};

// Reads one object from the block starting at `begin`. With `end` (the address just past the
// block), no byte at or beyond it is read, and the custom data after the animation sets is read
// when bytes remain. Without it (a caller that knows no length), the block is trusted as written
// and no custom data is read. On success stores the new object (owned by the caller, with null mesh
// and frame lists) and, when `cursorAfter` is given, the address after the last byte consumed. On
// failure nothing stays allocated and the out-parameters are untouched. Any depth of frames and
// tracks uses constant stack space. With `skipped`, a successful read also lists there, in block
// order, every block of an unknown code it passed over.
ReadResult ReadObjectBlock(const uint8_t* begin, const uint8_t* end, sObject** object,
                           const uint8_t** cursorAfter,
                           std::vector<SkippedBlock>* skipped = nullptr);

}  // namespace korva::dbo

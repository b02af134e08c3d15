// Converting a host object into one DBO block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace korva {
struct sObject;
}

namespace korva::dbo {

// Converts `object` into one new block from HostAllocate of exactly the length written, and stores
// its address and length. False, with nothing allocated and the out-parameters untouched, when the
// object cannot be written: an array missing where its count is not 0, a negative count, or a block
// longer than 4 GiB. The object is not changed. Any depth of frames and tracks uses constant
// stack space.
bool WriteObjectBlock(const sObject* object, uint8_t** block, uint32_t* size);

// An object's block measured before it is written: its length and the size of each block nested
// in it, in the order they are written.
struct BlockPlan {
  uint32_t length = 0;
  std::vector<uint32_t> blockSizes;
};

// Measures `object`'s block; false exactly when WriteObjectBlock would refuse the object.
bool PlanObjectBlock(const sObject* object, BlockPlan* plan);

// Receives the next `size` bytes of a block; false stops the writing.
using BlockWriteFunction = std::function<bool(const uint8_t* data, size_t size)>;

// Bytes StreamObjectBlock gathers before it hands them on.
constexpr size_t kStreamPieceBytes = size_t{64} << 10;

// Writes the block of `object`, measured into `plan` and not changed since, through `write` in
// order, byte for byte the block WriteObjectBlock makes, without holding it in memory. False when
// `write` refused bytes or the object does not match the plan; an exception from `write` passes.
bool StreamObjectBlock(const sObject& object, const BlockPlan& plan,
                       const BlockWriteFunction& write);

}  // namespace korva::dbo

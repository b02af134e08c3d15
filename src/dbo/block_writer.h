// Converting a host object into one DBO block.
#pragma once

#include <cstdint>

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

}  // namespace korva::dbo

// The host's core data block, as far as the plug-in reads it. The host owns the block; the plug-in
// keeps its address and never copies it, so later changes by the host are seen.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/binding/host_address.h"
#include "model/host_layout.h"

namespace korva {

// The host's return-string allocator: on return `*variable` holds the address of a host-owned block
// of at least `size` bytes.
using AllocateReturnStringFunction = void (*)(HostAddress* variable, uint32_t size);

KORVA_HOST_RECORDS_BEGIN
struct CoreData {
  AllocateReturnStringFunction AllocateReturnString;
  uint8_t unused04[0x28];
  int32_t* ErrorCode;        // the host's error variable
  HostAddress DeviceModule;  // exports GetDirect3DDevice
  uint8_t unused34[0x0C];
  HostAddress NameModule;  // exports GetName
  uint8_t unused44[0x20];
  HostAddress ObjectModule;  // exports the object functions
  HostAddress ViewModule;    // exports GetViewMatrix and GetProjectionMatrix
};
KORVA_HOST_RECORDS_END

// The host's own block is laid out for its 32-bit address space; a 64-bit build makes its own.
#if KORVA_HOST_LAYOUT
static_assert(offsetof(CoreData, AllocateReturnString) == 0x00);
static_assert(offsetof(CoreData, ErrorCode) == 0x2C);
static_assert(offsetof(CoreData, DeviceModule) == 0x30);
static_assert(offsetof(CoreData, NameModule) == 0x40);
static_assert(offsetof(CoreData, ObjectModule) == 0x64);
static_assert(offsetof(CoreData, ViewModule) == 0x68);
static_assert(sizeof(CoreData) == 0x6C);
#endif

}  // namespace korva

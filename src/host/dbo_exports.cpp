#include <cstdint>

#include "dbo/block_reader.h"
#include "dbo/block_writer.h"
#include "dbo/object_files.h"
#include "dbo/result_codes.h"
#include "host/export_guard.h"
#include "host/exports.h"

using korva::FromHostAddress;
using korva::Guarded;
using korva::HostAddress;
using korva::ToHostAddress;
namespace dbo = korva::dbo;

extern "C" {

// The host passes no length here, so the block is trusted as written and its custom data, which
// can only be found with the block's end, is not read.
bool ConstructObject(korva::sObject** object, char** cursor) {
  return Guarded(false, [&] {
    if (!cursor || !*cursor) return false;
    const uint8_t* after = nullptr;
    const auto* start = reinterpret_cast<const uint8_t*>(*cursor);
    if (dbo::ReadObjectBlock(start, nullptr, object, &after) != dbo::ReadResult::kLoaded) {
      return false;
    }
    *cursor += after - start;
    return true;
  });
}

bool DBOConvertBlockToObject(HostAddress block, uint32_t size, korva::sObject** object) {
  return Guarded(false, [&] {
    const auto* start = FromHostAddress<const uint8_t>(block);
    if (!start || block + size < block) return false;
    return dbo::ReadObjectBlock(start, start + size, object, nullptr) == dbo::ReadResult::kLoaded;
  });
}

bool DBOConvertObjectToBlock(korva::sObject* object, HostAddress* block, uint32_t* size) {
  return Guarded(false, [&] {
    uint8_t* data = nullptr;
    if (!block || !dbo::WriteObjectBlock(object, &data, size)) return false;
    *block = ToHostAddress(data);
    return true;
  });
}

bool DBOLoadBlockFile(char* path, HostAddress* block, uint32_t* size) {
  return Guarded(false, [&] {
    uint8_t* data = nullptr;
    if (!block || !dbo::LoadBlockFile(path, &data, size)) return false;
    *block = ToHostAddress(data);
    return true;
  });
}

bool DBOSaveBlockFile(char* path, HostAddress block, uint32_t size) {
  return Guarded(false,
                 [&] { return dbo::SaveBlockFile(path, FromHostAddress<uint8_t>(block), size); });
}

int32_t LoadDBOEx(char* path, korva::sObject** object) {
  return Guarded(dbo::kLoadNotAnObject, [&] { return dbo::LoadObjectFile(path, object); });
}

int32_t SaveDBOEx(char* path, korva::sObject* object) {
  return Guarded(dbo::kSaveFileNotWritten, [&] { return dbo::SaveObjectFile(path, object); });
}

}  // extern "C"

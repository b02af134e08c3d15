#include <cstdint>

#include "dbo/block_reader.h"
#include "dbo/block_writer.h"
#include "dbo/object_files.h"
#include "dbo/result_codes.h"
#include "host/export_guard.h"
#include "host/exports.h"

using korva::Guarded;
namespace dbo = korva::dbo;

namespace {
uint8_t* AddressOf(uint32_t address) {
  return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(address));
}
uint32_t AddressValue(const void* block) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(block));
}
}  // namespace

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

bool DBOConvertBlockToObject(uint32_t block, uint32_t size, korva::sObject** object) {
  return Guarded(false, [&] {
    const uint8_t* start = AddressOf(block);
    if (!start || uintptr_t{block} + size < uintptr_t{block}) return false;
    return dbo::ReadObjectBlock(start, start + size, object, nullptr) == dbo::ReadResult::kLoaded;
  });
}

bool DBOConvertObjectToBlock(korva::sObject* object, uint32_t* block, uint32_t* size) {
  return Guarded(false, [&] {
    uint8_t* data = nullptr;
    if (!block || !dbo::WriteObjectBlock(object, &data, size)) return false;
    *block = AddressValue(data);
    return true;
  });
}

bool DBOLoadBlockFile(char* path, uint32_t* block, uint32_t* size) {
  return Guarded(false, [&] {
    uint8_t* data = nullptr;
    if (!block || !dbo::LoadBlockFile(path, &data, size)) return false;
    *block = AddressValue(data);
    return true;
  });
}

bool DBOSaveBlockFile(char* path, uint32_t block, uint32_t size) {
  return Guarded(false, [&] { return dbo::SaveBlockFile(path, AddressOf(block), size); });
}

int32_t LoadDBOEx(char* path, korva::sObject** object) {
  return Guarded(dbo::kLoadNotAnObject, [&] { return dbo::LoadObjectFile(path, object); });
}

int32_t SaveDBOEx(char* path, korva::sObject* object) {
  return Guarded(dbo::kSaveFileNotWritten, [&] { return dbo::SaveObjectFile(path, object); });
}

}  // extern "C"

#include "dbo/object_files.h"

#include "dbo/block_reader.h"
#include "dbo/block_writer.h"
#include "model/host_heap.h"
#include "platform/dbo_files.h"

namespace korva::dbo {

bool LoadBlockFile(const char* path, uint8_t** block, uint32_t* size) {
  return platform::ReadWholeFile(path, block, size);
}

bool SaveBlockFile(const char* path, const uint8_t* block, uint32_t size) {
  return platform::WriteWholeFileAtomically(path, block, size);
}

int32_t LoadObjectFile(const char* path, sObject** object, std::vector<SkippedBlock>* skipped) {
  if (!object) return kLoadNotAnObject;
  uint8_t* block = nullptr;
  uint32_t size = 0;
  if (!LoadBlockFile(path, &block, &size)) return kLoadFileUnreadable;
  const ReadResult result = ReadObjectBlock(block, block + size, object, nullptr, skipped);
  HostFree(block);
  return result == ReadResult::kLoaded ? kLoadSucceeded : kLoadNotAnObject;
}

int32_t SaveObjectFile(const char* path, const sObject* object) {
  uint8_t* block = nullptr;
  uint32_t size = 0;
  if (!WriteObjectBlock(object, &block, &size)) return kSaveCannotConvert;
  const bool saved = SaveBlockFile(path, block, size);
  HostFree(block);
  return saved ? kSaveSucceeded : kSaveFileNotWritten;
}

}  // namespace korva::dbo

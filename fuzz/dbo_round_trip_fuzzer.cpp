// A block that reads must write back, and the written block must read again into an object that
// writes the very same bytes: nothing the reader accepts is lost or changed by a save.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "host/exports.h"
#include "model/host_heap.h"
#include "model/object.h"
#include "support/object_checks.h"

namespace {
using korva::fuzz::Fail;

const uint8_t* BlockAt(korva::HostAddress address) {
  return korva::FromHostAddress<const uint8_t>(address);
}

korva::sObject* Read(const uint8_t* block, uint32_t size) {
  korva::sObject* object = nullptr;
  if (!DBOConvertBlockToObject(korva::ToHostAddress(block), size, &object)) return nullptr;
  korva::fuzz::ExpectSound(korva::testing::CheckObjectStructure(object), "read object");
  return object;
}

void Release(korva::sObject* object) {
  korva::ReleaseObjectRecords(object);
  korva::HostFree(object);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  korva::fuzz::SilenceNotices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Written blocks are bigger than the input (names are cut, skipped codes dropped, but every
  // field is written), so the bound allows for three objects and two blocks at once.
  korva::fuzz::CountedRun run(size * 4);
  korva::sObject* first = Read(data, static_cast<uint32_t>(size));
  if (!first) return 0;
  korva::HostAddress firstBlock = 0;
  uint32_t firstSize = 0;
  if (!DBOConvertObjectToBlock(first, &firstBlock, &firstSize))
    Fail("a loaded object did not write");
  Release(first);

  korva::sObject* second = Read(BlockAt(firstBlock), firstSize);
  if (!second) Fail("a written block did not read back");
  korva::HostAddress secondBlock = 0;
  uint32_t secondSize = 0;
  if (!DBOConvertObjectToBlock(second, &secondBlock, &secondSize)) {
    Fail("a re-read object did not write");
  }
  Release(second);
  if (firstSize != secondSize ||
      std::memcmp(BlockAt(firstBlock), BlockAt(secondBlock), firstSize)) {
    Fail("the block changed on its second round trip");
  }
  korva::HostFree(const_cast<uint8_t*>(BlockAt(firstBlock)));
  korva::HostFree(const_cast<uint8_t*>(BlockAt(secondBlock)));
  return 0;
}

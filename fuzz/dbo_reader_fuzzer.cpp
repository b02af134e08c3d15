// DBOConvertBlockToObject on any bytes, bounded by their size: no crash, no read past the block,
// and a loaded object passes the structure checks; releasing it frees everything it allocated.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "host/exports.h"
#include "model/host_heap.h"
#include "model/object.h"
#include "support/object_checks.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  korva::fuzz::SilenceNotices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korva::fuzz::CountedRun run(size);
  korva::sObject* object = nullptr;
  const auto address = korva::ToHostAddress(data);
  if (DBOConvertBlockToObject(address, static_cast<uint32_t>(size), &object)) {
    if (!object) korva::fuzz::Fail("loaded without an object");
    korva::fuzz::ExpectSound(korva::testing::CheckObjectStructure(object), "loaded object");
    korva::ReleaseObjectRecords(object);
    korva::HostFree(object);
  } else if (object) {
    korva::fuzz::Fail("a failed load stored an object");
  }
  return 0;
}

// korva's glTF reader on any bytes (a .glb container or a .gltf document, no files beside it): no
// crash, no read past the bytes, a refusal is one line and leaves no object, and an object it
// builds passes the import checks and goes through the DBO writer and reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dbo/block_reader.h"
#include "dbo/block_writer.h"
#include "fuzz_support.h"
#include "gltf_import_outcome.h"
#include "model/host_heap.h"
#include "model/object.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  korva::fuzz::SilenceNotices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korva::fuzz::CountedRun run(size);
  korva::gltf::ImportOptions options;
  // Within the run's bound for its input: the reader's own allowance is kept small here.
  options.memoryAllowance = 1u << 20;
  korva::gltf::ImportedAsset asset;
  std::string error;
  const auto noFiles = [](const std::string&, std::vector<uint8_t>*, std::string* problem) {
    *problem = "does not exist";
    return false;
  };
  const bool read = korva::gltf::ImportGltf(data, size, noFiles, options, &asset, &error);
  if (!korva::fuzz::CheckImportOutcome(read, asset, error)) return 0;
  uint8_t* block = nullptr;
  uint32_t blockSize = 0;
  if (!korva::dbo::WriteObjectBlock(asset.object, &block, &blockSize)) {
    korva::fuzz::Fail("the DBO writer refused the object");
  }
  korva::sObject* loaded = nullptr;
  if (korva::dbo::ReadObjectBlock(block, block + blockSize, &loaded, nullptr) !=
      korva::dbo::ReadResult::kLoaded) {
    korva::fuzz::Fail("the DBO reader refused what the writer wrote");
  }
  korva::ReleaseObjectRecords(loaded);
  korva::HostFree(loaded);
  korva::HostFree(block);
  return 0;
}

// Prefixes of every generated and real model, and of the DBO blocks imported from them, give a
// clean outcome: files cut anywhere are the commonest damaged input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardening/outcomes.h"
#include "ms3d/ms_model.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

// Inputs up to this size are cut at every byte. Longer ones are cut at every byte of their first
// and last 4 KiB and at every 11th byte between: their middle is runs of fixed-size records, and 11
// shares no factor with any record size (15, 70, 36 + 2n, 361, 93 + 16k), so every offset inside a
// record is still cut somewhere.
constexpr size_t kCutEveryByteUpTo = 16 * 1024;
constexpr size_t kEdge = 4 * 1024;
constexpr size_t kMiddleStride = 11;

std::vector<size_t> CutPositions(size_t size) {
  std::vector<size_t> cuts;
  for (size_t length = 0; length <= size; ++length) {
    const bool edge = length <= kEdge || size - length <= kEdge;
    if (size <= kCutEveryByteUpTo || edge || length % kMiddleStride == 0) cuts.push_back(length);
  }
  return cuts;
}

std::vector<NamedBytes> AllModels() {
  std::vector<NamedBytes> models = GeneratedMs3dModels();
  for (NamedBytes& shared : SharedMs3dModels()) models.push_back(std::move(shared));
  return models;
}

// Stops a run at the first few faults instead of reporting thousands of alike prefixes.
class FaultLimit {
 public:
  bool Record(const std::string& where, const std::string& fault) {
    if (fault.empty()) return true;
    ADD_FAILURE() << where << ": " << fault;
    return ++count_ < 5;
  }

 private:
  int count_ = 0;
};

TEST(PrefixTest, PrefixesOfEveryModelReadCleanly) {
  FaultLimit faults;
  for (const NamedBytes& model : AllModels()) {
    InputBlock input(model.bytes.size());
    for (size_t length : CutPositions(model.bytes.size())) {
      const std::string where = model.name + " cut at " + std::to_string(length);
      const uint8_t* data = input.Place(model.bytes.data(), length);
      if (!faults.Record(where, ReaderOutcome(data, length))) return;
    }
  }
}

// The import reads through a file; a prefix the reader rejects fails the import in the same way
// whatever its length, so those are sampled, while every prefix of a generated model that the
// reader accepts is imported (the real models are sampled throughout: each import of them is slow).
TEST(PrefixTest, PrefixesOfEveryModelImportCleanly) {
  const std::string path = ScratchPath("prefix.ms3d");
  FaultLimit faults;
  const size_t generated = GeneratedMs3dModels().size();
  const std::vector<NamedBytes> models = AllModels();
  for (size_t m = 0; m < models.size(); ++m) {
    const std::vector<uint8_t>& bytes = models[m].bytes;
    const size_t stride = bytes.size() / 97 + 1;
    for (size_t length = 0; length <= bytes.size(); ++length) {
      const std::vector<uint8_t> prefix(bytes.begin(),
                                        bytes.begin() + static_cast<ptrdiff_t>(length));
      const bool sampled = length % stride == 0 || length == bytes.size();
      if (!sampled && (m >= generated || !msModel().LoadFromMemory(prefix.data(), prefix.size()))) {
        continue;
      }
      const std::string where = models[m].name + " cut at " + std::to_string(length);
      if (!faults.Record(where, ImportOutcome(prefix, path))) return;
    }
  }
}

TEST(PrefixTest, PrefixesOfEveryImportedBlockLoadCleanly) {
  const std::string scratch = ScratchPath("block_source.ms3d");
  const std::string path = ScratchPath("prefix.dbo");
  FaultLimit faults;
  for (const NamedBytes& model : AllModels()) {
    const std::vector<uint8_t> block = ImportedBlock(model.bytes, scratch);
    ASSERT_FALSE(block.empty()) << model.name << " did not import";
    InputBlock input(block.size());
    const size_t fileStride = block.size() / 61 + 1;
    for (size_t length : CutPositions(block.size())) {
      const std::string where = model.name + ".dbo cut at " + std::to_string(length);
      if (!faults.Record(where, BlockOutcome(input.Place(block.data(), length), length))) return;
      if (length % fileStride == 0) {
        const std::vector<uint8_t> prefix(block.begin(),
                                          block.begin() + static_cast<ptrdiff_t>(length));
        if (!faults.Record(where, FileOutcome(prefix, path))) return;
      }
    }
  }
}

}  // namespace
}  // namespace korva::testing

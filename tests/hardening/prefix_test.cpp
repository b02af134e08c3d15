// Every prefix of every generated and real model, and of the DBO blocks imported from them, gives
// a clean outcome: files cut anywhere are the commonest damaged input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardening/outcomes.h"
#include "ms3d/ms_model.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

std::vector<uint8_t> Prefix(const std::vector<uint8_t>& bytes, size_t length) {
  return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(length));
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

TEST(PrefixTest, EveryPrefixOfEveryModelReadsCleanly) {
  FaultLimit faults;
  for (const NamedBytes& model : AllModels()) {
    for (size_t length = 0; length <= model.bytes.size(); ++length) {
      const std::string where = model.name + " cut at " + std::to_string(length);
      if (!faults.Record(where, ReaderOutcome(Prefix(model.bytes, length)))) return;
    }
  }
}

// The import reads through a file; a prefix the reader rejects fails the import in the same way
// whatever its length, so those are sampled while every prefix the reader accepts is imported.
TEST(PrefixTest, PrefixesOfEveryModelImportCleanly) {
  const std::string path = ::testing::TempDir() + "prefix.ms3d";
  FaultLimit faults;
  for (const NamedBytes& model : AllModels()) {
    const size_t stride = model.bytes.size() / 97 + 1;
    for (size_t length = 0; length <= model.bytes.size(); ++length) {
      const std::vector<uint8_t> prefix = Prefix(model.bytes, length);
      const bool sampled = length % stride == 0 || length == model.bytes.size();
      if (!sampled && !msModel().LoadFromMemory(prefix.data(), prefix.size())) continue;
      const std::string where = model.name + " cut at " + std::to_string(length);
      if (!faults.Record(where, ImportOutcome(prefix, path))) return;
    }
  }
}

TEST(PrefixTest, EveryPrefixOfEveryImportedBlockLoadsCleanly) {
  const std::string scratch = ::testing::TempDir() + "block_source.ms3d";
  const std::string path = ::testing::TempDir() + "prefix.dbo";
  FaultLimit faults;
  for (const NamedBytes& model : AllModels()) {
    const std::vector<uint8_t> block = ImportedBlock(model.bytes, scratch);
    ASSERT_FALSE(block.empty()) << model.name << " did not import";
    const size_t fileStride = block.size() / 61 + 1;
    for (size_t length = 0; length <= block.size(); ++length) {
      const std::vector<uint8_t> prefix = Prefix(block, length);
      const std::string where = model.name + ".dbo cut at " + std::to_string(length);
      if (!faults.Record(where, BlockOutcome(prefix))) return;
      if (length % fileStride == 0 && !faults.Record(where, FileOutcome(prefix, path))) return;
    }
  }
}

}  // namespace
}  // namespace korva::testing

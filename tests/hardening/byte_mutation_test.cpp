// Every byte of a small model and of its DBO block set in turn to 0, 0xFF, its value plus one and
// its value minus one gives a clean outcome: counts, codes, sizes and indices all get hit.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hardening/outcomes.h"
#include "support/ms3d_writer.h"

namespace korva::testing {
namespace {

using Outcome = std::function<std::string(const uint8_t*, size_t)>;

void ExpectEveryMutationClean(const std::string& name, const std::vector<uint8_t>& original,
                              const Outcome& outcome) {
  InputBlock input(original.size());
  std::vector<uint8_t> mutated = original;
  int faults = 0;
  for (size_t at = 0; at < original.size(); ++at) {
    const uint8_t value = original[at];
    for (uint8_t replacement :
         {uint8_t{0}, uint8_t{0xFF}, uint8_t(value + 1), uint8_t(value - 1)}) {
      mutated[at] = replacement;
      const std::string fault =
          outcome(input.Place(mutated.data(), mutated.size()), mutated.size());
      if (fault.empty()) continue;
      ADD_FAILURE() << name << " byte " << at << " set to " << int{replacement} << ": " << fault;
      if (++faults == 5) return;
    }
    mutated[at] = value;
  }
}

TEST(ByteMutationTest, EveryByteOfASmallModelImportsCleanly) {
  const std::vector<uint8_t> model = WriteMs3d(SampleMs3d());
  const std::string path = ScratchPath("mutated.ms3d");
  ExpectEveryMutationClean("model", model, [&](const uint8_t* data, size_t size) {
    std::string fault = ReaderOutcome(data, size);
    return fault.empty() ? ImportOutcome(std::vector<uint8_t>(data, data + size), path) : fault;
  });
}

TEST(ByteMutationTest, EveryByteOfItsBlockLoadsCleanly) {
  const std::vector<uint8_t> block =
      ImportedBlock(WriteMs3d(SampleMs3d()), ScratchPath("block_source.ms3d"));
  ASSERT_FALSE(block.empty());
  ExpectEveryMutationClean(
      "block", block, [](const uint8_t* data, size_t size) { return BlockOutcome(data, size); });
}

}  // namespace
}  // namespace korva::testing

// DBO files of a newer writer: the blocks our reader passes over are named by check and info,
// listed by dump --json, and a convert that drops them says so instead of losing them silently.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_models.h"
#include "korva_runner.h"
#include "unit/dbo/sample_objects.h"

namespace korva::cli_tests {
namespace {

using testing::BlockBuilder;

struct Unknown {
  uint32_t code;
  uint32_t size;
  uint32_t offset;
};

// A chain of `meshes` sibling frames, each with a mesh that carries one block of code 167 (4
// bytes), as a newer engine writes; `extraCode`, when not 0, adds a 2-byte block of that code to
// the first frame. `unknowns` receives every unknown block with its offset, in file order.
std::vector<uint8_t> NewerWritersFile(int meshes, uint32_t extraCode,
                                      std::vector<Unknown>* unknowns) {
  BlockBuilder block;
  const auto unknown = [&](uint32_t code, uint32_t size) {
    unknowns->push_back({code, size, static_cast<uint32_t>(block.bytes().size())});
    block.Pair(code, size);
    for (uint32_t i = 0; i < size; ++i) block.Byte(static_cast<uint8_t>(i));
  };
  block.Header().Pair(1, 0);
  for (int i = 0; i < meshes; ++i) {
    if (i > 0) block.Pair(105, 0);  // the next sibling
    block.Pair(101, 0).Text("limb" + std::to_string(i));
    if (i == 0 && extraCode != 0) unknown(extraCode, 2);
    block.Pair(103, 0).Pair(111, 4).Dword(0x112);
    unknown(167, 4);
    block.End();
  }
  for (int i = 0; i < meshes; ++i) block.End();
  block.Pair(2, 0).End();
  return block.bytes();
}

class SkippedBlocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(scratch_.path() / "newer.dbo", NewerWritersFile(6, 0, &newer_));
    WriteBytes(scratch_.path() / "mixed.dbo", NewerWritersFile(2, 170, &mixed_));
  }
  RunResult Korva(const std::vector<std::string>& arguments) {
    return RunKorva(arguments, scratch_.path());
  }

  ScratchFolder scratch_;
  std::vector<Unknown> newer_, mixed_;
};

TEST_F(SkippedBlocksTest, CheckAndInfoNameThemWithEachCode) {
  const RunResult check = Korva({"check", "newer.dbo", "mixed.dbo"});
  EXPECT_EQ(check.exitCode, 0) << check.err;
  EXPECT_EQ(check.out,
            "newer.dbo: well-formed DBO file; 6 blocks of an unknown kind skipped (code 167)\n"
            "mixed.dbo: well-formed DBO file; 3 blocks of an unknown kind skipped "
            "(2 of code 167, 1 of code 170)\n");

  const RunResult info = Korva({"info", "newer.dbo"});
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("\n  note: 6 blocks of an unknown kind skipped (code 167)\n"),
            std::string::npos)
      << info.out;
}

TEST_F(SkippedBlocksTest, DumpJsonListsEachWithItsSizeAndOffset) {
  const RunResult dump = Korva({"dump", "--json", "mixed.dbo"});
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  const nlohmann::json skipped = ParseJson(dump.out).at("skippedBlocks");
  ASSERT_EQ(skipped.size(), mixed_.size()) << skipped;
  for (size_t i = 0; i < mixed_.size(); ++i) {
    EXPECT_EQ(skipped[i], (nlohmann::json{{"code", mixed_[i].code},
                                          {"size", mixed_[i].size},
                                          {"offset", mixed_[i].offset}}));
  }
}

TEST_F(SkippedBlocksTest, ConvertWarnsInOneLineEvenWhenQuietAndTheOutputHasNone) {
  const RunResult convert = Korva({"convert", "-q", "newer.dbo", "-o", "again.dbo"});
  EXPECT_EQ(convert.exitCode, 0) << convert.err;
  EXPECT_EQ(convert.err,
            "korva: warning: newer.dbo: 6 blocks of an unknown kind skipped (code 167), not "
            "carried into again.dbo\n");
  EXPECT_EQ(Korva({"check", "again.dbo"}).out, "again.dbo: well-formed DBO file\n");
}

}  // namespace
}  // namespace korva::cli_tests

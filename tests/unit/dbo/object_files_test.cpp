// Object files through the exports: result codes, replacing files, and failures that must leave
// an existing file as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/exports.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "platform/dbo_files.h"
#include "unit/dbo/sample_objects.h"
#include "unit/model/counting_heap.h"

namespace korva::testing {
namespace {

namespace fs = std::filesystem;

class DboFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() /
                 ("korva_dbo_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override {
    platform::SetWriteFailureForTesting(-1);
    fs::remove_all(directory_);
  }
  std::string PathOf(const std::string& name) const { return (directory_ / name).string(); }
  static std::vector<uint8_t> Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void Put(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  size_t EntriesInDirectory() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(directory_), {}));
  }

  fs::path directory_;
};

TEST_F(DboFiles, SaveThenLoadGivesBackTheObjectAndTheFileHoldsExactlyTheBlock) {
  ObjectPtr original = MakeSampleObject();
  std::string path = PathOf("sample.dbo");
  ASSERT_EQ(SaveDBOEx(path.data(), original.get()), 1);
  EXPECT_EQ(Contents(path), WriteBlock(*original));
  EXPECT_EQ(EntriesInDirectory(), 1u);  // no temporary file left behind

  sObject* loaded = nullptr;
  ASSERT_EQ(LoadDBOEx(path.data(), &loaded), 1);
  ObjectPtr owned(loaded);
  ExpectSameWrittenFields(*original, *owned);
}

TEST_F(DboFiles, SavingOverALongerFileLeavesNoTrailingBytes) {
  std::string path = PathOf("over.dbo");
  Put(path, std::vector<uint8_t>(5000, 0xEE));
  ObjectPtr empty(NewObject());
  ASSERT_EQ(SaveDBOEx(path.data(), empty.get()), 1);
  EXPECT_EQ(Contents(path).size(), 76u);
}

TEST_F(DboFiles, LoadResultCodes) {
  CountingHeap heap;
  sObject* untouched = reinterpret_cast<sObject*>(0x4321);
  std::string missing = PathOf("missing.dbo");
  EXPECT_EQ(LoadDBOEx(missing.data(), &untouched), -1);

  std::string empty = PathOf("empty.dbo");
  Put(empty, {});
  EXPECT_EQ(LoadDBOEx(empty.data(), &untouched), -2);

  std::string text = PathOf("text.dbo");
  Put(text, BlockBuilder().Header(1062, "NOTADBO!").End().End().bytes());
  EXPECT_EQ(LoadDBOEx(text.data(), &untouched), -2);

  std::string cut = PathOf("cut.dbo");
  std::vector<uint8_t> block = WriteBlock(*MakeSampleObject());
  block.resize(block.size() / 2);
  Put(cut, block);
  EXPECT_EQ(LoadDBOEx(cut.data(), &untouched), -2);

  EXPECT_EQ(untouched, reinterpret_cast<sObject*>(0x4321));
  EXPECT_EQ(heap.live(), 0);
}

TEST_F(DboFiles, BlockFilesRoundTripAndAnEmptyFileIsAnEmptyBlock) {
  std::string path = PathOf("raw.dbo");
  const uint8_t bytes[5] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(DBOSaveBlockFile(path.data(), korva::ToHostAddress(bytes), 5));
  HostAddress block = 0;
  uint32_t size = 0;
  ASSERT_TRUE(DBOLoadBlockFile(path.data(), &block, &size));
  ASSERT_EQ(size, 5u);
  auto* data = korva::FromHostAddress<uint8_t>(block);
  EXPECT_EQ(std::vector<uint8_t>(data, data + 5), std::vector<uint8_t>(bytes, bytes + 5));
  HostFree(data);

  std::string empty = PathOf("empty.dbo");
  Put(empty, {});
  ASSERT_TRUE(DBOLoadBlockFile(empty.data(), &block, &size));
  EXPECT_EQ(size, 0u);
  HostFree(korva::FromHostAddress<void>(block));

  HostAddress untouchedBlock = 7;

  uint32_t untouchedSize = 9;
  std::string missing = PathOf("missing.dbo");
  EXPECT_FALSE(DBOLoadBlockFile(missing.data(), &untouchedBlock, &untouchedSize));
  EXPECT_EQ(untouchedBlock, 7u);
  EXPECT_EQ(untouchedSize, 9u);
}

TEST_F(DboFiles, ASaveIntoAMissingDirectoryFailsWithMinus3) {
  ObjectPtr object = MakeSampleObject();
  std::string path = PathOf("no/such/dir/x.dbo");
  EXPECT_EQ(SaveDBOEx(path.data(), object.get()), -3);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(DboFiles, AWriteThatCannotFinishLeavesTheOldFileIntact) {
  std::string path = PathOf("keep.dbo");
  const std::vector<uint8_t> old(300, 0x5A);
  Put(path, old);
  ObjectPtr object = MakeSampleObject();
  for (int64_t writtenBeforeFailure : {0, 1, 100, 1000}) {
    platform::SetWriteFailureForTesting(writtenBeforeFailure);
    EXPECT_EQ(SaveDBOEx(path.data(), object.get()), -3) << writtenBeforeFailure;
    EXPECT_EQ(Contents(path), old);
    EXPECT_EQ(EntriesInDirectory(), 1u);
  }
  platform::SetWriteFailureForTesting(-1);
  EXPECT_EQ(SaveDBOEx(path.data(), object.get()), 1);
  EXPECT_EQ(Contents(path), WriteBlock(*object));
}

TEST_F(DboFiles, AnObjectThatCannotBeConvertedFailsWithMinus2AndWritesNothing) {
  ObjectPtr object = MakeSampleObject();
  object->rootFrame->mesh->boneCount = 99;  // more bones than the mesh holds
  std::string path = PathOf("bad.dbo");
  EXPECT_EQ(SaveDBOEx(path.data(), object.get()), -2);
  EXPECT_FALSE(fs::exists(path));
}

TEST(DboExports, BlockConversionsRespectTheirBounds) {
  ObjectPtr original = MakeSampleObject();
  HostAddress block = 0;
  uint32_t size = 0;
  ASSERT_TRUE(DBOConvertObjectToBlock(original.get(), &block, &size));
  auto* data = korva::FromHostAddress<char>(block);

  sObject* loaded = nullptr;
  EXPECT_FALSE(DBOConvertBlockToObject(block, size - 1, &loaded));
  EXPECT_EQ(loaded, nullptr);
  ASSERT_TRUE(DBOConvertBlockToObject(block, size, &loaded));
  ObjectPtr owned(loaded);
  ExpectSameWrittenFields(*original, *owned);

  // Called without a length the reader leaves the custom data and the cursor after the sets.
  char* cursor = data;
  sObject* direct = nullptr;
  ASSERT_TRUE(ConstructObject(&direct, &cursor));
  ObjectPtr ownedDirect(direct);
  EXPECT_EQ(cursor, data + size - 30);
  EXPECT_EQ(ownedDirect->customData, nullptr);
  HostFree(data);
}

}  // namespace
}  // namespace korva::testing

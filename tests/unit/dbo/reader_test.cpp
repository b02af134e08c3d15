// The reader on blocks that the writer would not make: other letter cases, older versions, codes
// from newer writers, long names, and blocks that are cut or lie about their counts.
#include <gtest/gtest.h>

#include <cstring>

#include "dbo/block_reader.h"
#include "model/animation.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "model/texture.h"
#include "unit/dbo/sample_objects.h"
#include "unit/model/counting_heap.h"

namespace korva::testing {
namespace {

using dbo::ReadObjectBlock;
using dbo::ReadResult;

ReadResult Read(const std::vector<uint8_t>& block, ObjectPtr* object = nullptr) {
  sObject* built = nullptr;
  const ReadResult result =
      ReadObjectBlock(block.data(), block.data() + block.size(), &built, nullptr);
  if (object)
    object->reset(built);
  else
    ObjectDeleter()(built);
  return result;
}

TEST(DboReaderMagic, LetterCaseIsIgnoredAndAnythingElseCreatesNothing) {
  ObjectPtr object;
  EXPECT_EQ(Read(BlockBuilder().Header(1062, "magicdbo").Pair(1, 8).End().Pair(2, 8).End().bytes(),
                 &object),
            ReadResult::kLoaded);
  EXPECT_TRUE(object);

  CountingHeap heap;
  sObject* untouched = reinterpret_cast<sObject*>(0x1234);
  for (const char* magic : {"MAGICDBX", "MAGICDB", "", "MAGICDBOO"}) {
    const std::vector<uint8_t> block = BlockBuilder().Header(1062, magic).End().End().bytes();
    EXPECT_EQ(ReadObjectBlock(block.data(), block.data() + block.size(), &untouched, nullptr),
              ReadResult::kWrongMagic)
        << magic;
  }
  EXPECT_EQ(untouched, reinterpret_cast<sObject*>(0x1234));
  EXPECT_EQ(heap.allocations(), 0);
}

TEST(DboReader, UnknownCodesAreSkippedBySizeInEveryListAndListedWhereTheyAre) {
  const uint8_t junk[7] = {1, 2, 3, 4, 5, 6, 7};
  BlockBuilder block;
  std::vector<dbo::SkippedBlock> expected;
  const auto unknown = [&](uint32_t code, uint32_t size) -> BlockBuilder& {
    expected.push_back({code, size, static_cast<uint32_t>(block.bytes().size())});
    return block.Pair(code, size).Bytes(junk, size);
  };
  block.Header().Pair(1, 0);
  unknown(999, 7).Pair(101, 8).Text("root");
  block.Pair(103, 0).Pair(111, 4).Dword(0x112);
  unknown(5000, 3);
  block.Pair(122, 0).End();  // an empty bone list
  block.Pair(127, 4).Dword(1).Pair(128, 0);
  unknown(77, 2).Pair(141, 9).Text("t.png").End().End();
  block.Pair(166, 4).Dword(66).End();
  unknown(888, 2).End();
  block.Pair(2, 0).Pair(201, 8).Text("idle");
  unknown(444, 1).End();
  block.Pair(406, 7).Dword(3).Bytes(junk, 3);
  unknown(700, 1).End();
  ObjectPtr object;
  ASSERT_EQ(Read(block.bytes(), &object), ReadResult::kLoaded);
  sObject* again = nullptr;
  std::vector<dbo::SkippedBlock> skipped;
  ASSERT_EQ(ReadObjectBlock(block.bytes().data(), block.bytes().data() + block.bytes().size(),
                            &again, nullptr, &skipped),
            ReadResult::kLoaded);
  ObjectDeleter()(again);
  ASSERT_EQ(skipped.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(skipped[i].code, expected[i].code) << i;
    EXPECT_EQ(skipped[i].size, expected[i].size) << i;
    EXPECT_EQ(skipped[i].offset, expected[i].offset) << i;
  }
  EXPECT_STREQ(object->rootFrame->name, "root");
  ASSERT_TRUE(object->rootFrame->mesh);
  EXPECT_EQ(object->rootFrame->mesh->fvf, 0x112u);
  EXPECT_EQ(object->rootFrame->mesh->hostValue166, 66);
  ASSERT_EQ(object->rootFrame->mesh->textureCount, 1);
  EXPECT_STREQ(object->rootFrame->mesh->textures[0].name, "t.png");
  EXPECT_STREQ(object->animationSet->name, "idle");
  ASSERT_EQ(object->customDataSize, 3u);
  EXPECT_EQ(object->customData[2], 3);
}

// The sample uses every code the writer knows: none of them may be reported as unknown.
TEST(DboReader, NothingIsListedAsSkippedInABlockOfOurOwnWriter) {
  const std::vector<uint8_t> block = WriteBlock(*MakeSampleObject());
  sObject* object = nullptr;
  std::vector<dbo::SkippedBlock> skipped{{1, 2, 3}};
  ASSERT_EQ(ReadObjectBlock(block.data(), block.data() + block.size(), &object, nullptr, &skipped),
            ReadResult::kLoaded);
  ObjectDeleter()(object);
  EXPECT_TRUE(skipped.empty());
}

TEST(DboReader, NamesLongerThan255CharactersAreCutAndFullyConsumed) {
  BlockBuilder block;
  block.Header().Pair(1, 0).Pair(101, 304).Text(std::string(300, 'x'));
  block.Pair(106, 12).Dword(0x3F800000).Dword(0).Dword(0).End().Pair(2, 8).End();
  ObjectPtr object;
  ASSERT_EQ(Read(block.bytes(), &object), ReadResult::kLoaded);
  EXPECT_EQ(std::string(object->rootFrame->name), std::string(255, 'x'));
  EXPECT_EQ(object->rootFrame->offset.x, 1.0f);
}

TEST(DboReaderCustomData, Version1TakesThePairSizeWithoutLookingAtTheCode) {
  const char data[] = "0123456789";
  BlockBuilder block;
  block.Header(1).Pair(1, 8).End().Pair(2, 8).End().Pair(12345, 10).Bytes(data, 10);
  ObjectPtr object;
  ASSERT_EQ(Read(block.bytes(), &object), ReadResult::kLoaded);
  ASSERT_EQ(object->customDataSize, 10u);
  EXPECT_EQ(0, std::memcmp(object->customData, data, 10));
}

TEST(DboReaderCustomData, ABlockEndingAfterTheAnimationSetsLoadsWithoutCustomData) {
  ObjectPtr original = MakeSampleObject();
  std::vector<uint8_t> block = WriteBlock(*original);
  block.resize(block.size() - 8 - 14 - 8);  // drop block 406 and the final terminator
  ObjectPtr object;
  ASSERT_EQ(Read(block, &object), ReadResult::kLoaded);
  EXPECT_EQ(object->customData, nullptr);
  EXPECT_EQ(object->customDataSize, 0u);
  EXPECT_EQ(object->animationSet->length, 30);
}

TEST(DboReaderCustomData, WithoutAnEndBoundNoCustomDataIsReadAndTheCursorStopsThere) {
  ObjectPtr original = MakeSampleObject();
  const std::vector<uint8_t> block = WriteBlock(*original);
  sObject* built = nullptr;
  const uint8_t* after = nullptr;
  ASSERT_EQ(ReadObjectBlock(block.data(), nullptr, &built, &after), ReadResult::kLoaded);
  ObjectPtr object(built);
  EXPECT_EQ(object->customData, nullptr);
  EXPECT_EQ(after, block.data() + block.size() - 30);
  object->customDataSize = original->customDataSize;
  object->customData = static_cast<uint8_t*>(HostAllocate(original->customDataSize));
  std::memcpy(object->customData, original->customData, original->customDataSize);
  ExpectSameWrittenFields(*original, *object);
}

// Every prefix of a block either fails cleanly, with nothing left allocated, or (when it ends
// right after the animation sets) loads.
TEST(DboReaderBounds, EveryCutOfABlockFailsCleanlyOrLoadsWhereTheFormatEnds) {
  ObjectPtr original = MakeSampleObject();
  const std::vector<uint8_t> block = WriteBlock(*original);
  const size_t afterSets = block.size() - 30;
  CountingHeap heap;
  for (size_t length = 0; length < block.size(); ++length) {
    const std::vector<uint8_t> cut(block.begin(), block.begin() + length);
    ObjectPtr object;
    const ReadResult result = Read(cut, &object);
    if (length == afterSets) {
      EXPECT_EQ(result, ReadResult::kLoaded);
    } else {
      EXPECT_NE(result, ReadResult::kLoaded) << "length " << length;
      EXPECT_FALSE(object);
    }
    object.reset();
    ASSERT_EQ(heap.live(), 0) << "length " << length;
  }
  EXPECT_EQ(heap.badFrees(), 0);
}

TEST(DboReaderBounds, CountsThatRunPastTheEndAskForNoMemory) {
  // 20-odd bytes whose counts ask for gigabytes: vertex data, indices, bones, mesh frames, keys
  // and the matrix table.
  const auto mesh = [](BlockBuilder& b) -> BlockBuilder& {
    return b.Header().Pair(1, 0).Pair(103, 0);
  };
  std::vector<BlockBuilder> blocks(7);
  mesh(blocks[0]).Pair(112, 4).Dword(0xFFFF).Pair(113, 4).Dword(0xFFFF).Pair(115, 0);
  mesh(blocks[1]).Pair(114, 4).Dword(0x7FFFFFFF).Pair(116, 0);
  mesh(blocks[2]).Pair(121, 4).Dword(0x10000000).Pair(122, 0).Pair(301, 4).Dword(0);
  mesh(blocks[3]).Pair(138, 4).Dword(0x40000000);
  mesh(blocks[4]).Pair(127, 4).Dword(0x00FFFFFF).Pair(128, 0).Pair(141, 4).Dword(0);
  blocks[5].Header().Pair(1, 8).End().Pair(2, 0).Pair(203, 0).Pair(212, 4).Dword(0x7FFFFFFF);
  blocks[5].Pair(213, 0);
  blocks[6].Header().Pair(1, 8).End().Pair(2, 0).Pair(203, 0).Pair(403, 4).Dword(0x3FFFFFFF);
  blocks[6].Pair(404, 4).Dword(0).Pair(405, 0);
  CountingHeap heap;
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(Read(blocks[i].bytes()), ReadResult::kDamaged) << i;
    EXPECT_EQ(heap.live(), 0) << i;
  }
}

TEST(DboReaderBounds, ListsThatNeverEndAndCountsThatDisagreeFail) {
  std::vector<BlockBuilder> blocks(6);
  // A frame list that runs into the block's end.
  blocks[0].Header().Pair(1, 0).Pair(101, 5).Text("a");
  // One bone announced, more given: the list's closing terminator is not there.
  blocks[1].Header().Pair(1, 0).Pair(103, 0).Pair(121, 4).Dword(1).Pair(122, 0);
  blocks[1].Pair(301, 5).Text("b").End().Pair(301, 5).Text("c").End().End();
  blocks[1].End().End().Pair(2, 8).End();
  // A vertex count changed after the vertex data was read.
  blocks[2].Header().Pair(1, 0).Pair(103, 0).Pair(112, 4).Dword(4).Pair(113, 4).Dword(1);
  blocks[2].Pair(115, 4).Dword(7).Pair(113, 4).Dword(1000).End().End().Pair(2, 8).End();
  // Bone lists given while the count says none.
  blocks[3].Header().Pair(1, 0).Pair(103, 0).Pair(122, 0).Pair(301, 5).Text("c").End().End();
  blocks[3].End().End().Pair(2, 8).End();
  // A key count raised after its keys.
  blocks[4].Header().Pair(1, 8).End().Pair(2, 0).Pair(203, 0).Pair(214, 4).Dword(1);
  blocks[4].Pair(215, 20).Bytes(std::string(20, 'k').data(), 20).Pair(214, 4).Dword(9);
  blocks[4].End().End();
  // An influence count raised after the weights.
  blocks[5].Header().Pair(1, 0).Pair(103, 0).Pair(121, 4).Dword(1).Pair(122, 0);
  blocks[5].Pair(302, 4).Dword(1).Pair(303, 4).Dword(0).Pair(304, 4).Dword(0);
  blocks[5].Pair(302, 4).Dword(50).End().End().End().End().Pair(2, 8).End();
  CountingHeap heap;
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(Read(blocks[i].bytes()), ReadResult::kDamaged) << i;
    EXPECT_EQ(heap.live(), 0) << i;
  }
}

TEST(DboReader, RepeatedBlocksReplaceWhatTheyHeldWithoutLeaking) {
  BlockBuilder block;
  block.Header().Pair(1, 0).Pair(103, 0).Pair(112, 4).Dword(2).Pair(113, 4).Dword(2);
  block.Pair(115, 4).Dword(0x11111111).Pair(113, 4).Dword(4).Pair(115, 8).Dword(1).Dword(2);
  block.End().Pair(103, 0).Pair(111, 4).Dword(9).End();  // a second mesh replaces the first
  block.Pair(104, 0).Pair(101, 5).Text("x").End().Pair(104, 0).Pair(101, 5).Text("y").End();
  block.End().Pair(2, 8).End();
  CountingHeap heap;
  {
    ObjectPtr object;
    ASSERT_EQ(Read(block.bytes(), &object), ReadResult::kLoaded);
    EXPECT_EQ(object->rootFrame->mesh->fvf, 9u);
    EXPECT_EQ(object->rootFrame->mesh->vertexData, nullptr);
    EXPECT_STREQ(object->rootFrame->firstChild->name, "y");
  }
  EXPECT_EQ(heap.live(), 0);
  EXPECT_EQ(heap.badFrees(), 0);
}

TEST(DboReader, AFailedAllocationFailsTheReadAndReleasesEverything) {
  ObjectPtr original = MakeSampleObject();
  const std::vector<uint8_t> block = WriteBlock(*original);
  CountingHeap heap;
  for (int successes = 0;; ++successes) {
    heap.FailAfter(successes);
    ObjectPtr object;
    const ReadResult result = Read(block, &object);
    object.reset();
    ASSERT_EQ(heap.live(), 0) << successes;
    if (result == ReadResult::kLoaded) break;
    EXPECT_EQ(result, ReadResult::kDamaged);
    ASSERT_LT(successes, 1000);
  }
}

}  // namespace
}  // namespace korva::testing

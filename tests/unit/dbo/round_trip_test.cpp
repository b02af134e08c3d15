// Writer and reader together: what the writer puts in a block comes back field for field, and the
// block's layout is the one other readers of the format expect.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "dbo/block_writer.h"
#include "model/animation.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "unit/dbo/sample_objects.h"
#include "unit/model/counting_heap.h"

namespace korva::testing {
namespace {

uint32_t DwordAt(const std::vector<uint8_t>& block, size_t offset) {
  uint32_t value;
  std::memcpy(&value, block.data() + offset, 4);
  return value;
}

// The offset of the first pair with `code` and `size` at or after `from`.
size_t FindPair(const std::vector<uint8_t>& block, uint32_t code, uint32_t size, size_t from = 0) {
  for (size_t at = from; at + 8 <= block.size(); ++at) {
    if (DwordAt(block, at) == code && DwordAt(block, at + 4) == size) return at;
  }
  return std::string::npos;
}

// Every code of the block in order, terminators included. Nested lists follow their block pair
// directly, so one flat pass sees them all: list blocks are entered, 120 and 138 carry content
// lengths, everything else is stepped over by its size.
std::vector<uint32_t> CodesOf(const std::vector<uint8_t>& block) {
  std::vector<uint32_t> codes;
  size_t at = 24;
  while (at + 8 <= block.size()) {
    const uint32_t code = DwordAt(block, at), size = DwordAt(block, at + 4);
    codes.push_back(code);
    at += 8;
    switch (code) {
      case 1:
      case 2:
      case 103:
      case 104:
      case 105:
      case 122:
      case 128:
      case 139:
      case 203:
      case 220:
        break;
      case 120:
        at += 520;
        break;
      case 138:
        at += 4;
        break;
      default:
        at += size;
    }
  }
  EXPECT_EQ(at, block.size());
  return codes;
}

size_t CountOf(const std::vector<uint32_t>& codes, uint32_t code) {
  return static_cast<size_t>(std::count(codes.begin(), codes.end(), code));
}

TEST(DboRoundTrip, EveryWrittenFieldOfEveryRecordComesBack) {
  ObjectPtr original = MakeSampleObject();
  const std::vector<uint8_t> block = WriteBlock(*original);
  ObjectPtr loaded = ReadBlock(block);
  ASSERT_TRUE(loaded);
  ExpectSameWrittenFields(*original, *loaded);
  // Fields the block does not carry keep their defaults.
  EXPECT_EQ(loaded->rootFrame->limbNumber, 0);
  EXPECT_EQ(loaded->animationSet->firstTrack->host108, 1);
  EXPECT_EQ(loaded->rootFrame->firstChild->mesh->effect, nullptr);
}

TEST(DboRoundTrip, ResavingALoadedObjectGivesIdenticalBytes) {
  ObjectPtr original = MakeSampleObject();
  const std::vector<uint8_t> first = WriteBlock(*original);
  ObjectPtr loaded = ReadBlock(first);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(first, WriteBlock(*loaded));
}

TEST(DboRoundTrip, NamesKeepAll255CharactersAndEmptyNamesStayEmpty) {
  ObjectPtr object(NewObject());
  object->rootFrame = NewFrame();
  std::memset(object->rootFrame->name, 'n', 255);
  object->rootFrame->firstChild = NewFrame();  // empty name
  const std::vector<uint8_t> block = WriteBlock(*object);
  EXPECT_NE(FindPair(block, 101, 255 + 4), std::string::npos);
  EXPECT_EQ(DwordAt(block, FindPair(block, 101, 255 + 4) + 8), 255u);
  EXPECT_NE(FindPair(block, 101, 4), std::string::npos);
  ObjectPtr loaded = ReadBlock(block);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(std::string(loaded->rootFrame->name), std::string(255, 'n'));
  EXPECT_STREQ(loaded->rootFrame->firstChild->name, "");
}

TEST(DboBlockLayout, TheSmallestBlockIs76BytesWithEmptyListsAndEmptyCustomData) {
  ObjectPtr object(NewObject());
  const std::vector<uint8_t> block = WriteBlock(*object);
  BlockBuilder expected;
  expected.Header().Pair(1, 8).End().Pair(2, 8).End().Pair(406, 4).Dword(0).End();
  EXPECT_EQ(block, expected.bytes());
  EXPECT_EQ(block.size(), 76u);
  ObjectPtr loaded = ReadBlock(block);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->rootFrame, nullptr);
  EXPECT_EQ(loaded->animationSet, nullptr);
  EXPECT_EQ(loaded->customData, nullptr);
  EXPECT_EQ(loaded->customDataSize, 0u);
}

TEST(DboBlockLayout, NestedSizesCoverTheirPayloadWhileCodes120And138KeepSize4) {
  ObjectPtr object = MakeSampleObject();
  const std::vector<uint8_t> block = WriteBlock(*object);
  // Block 1 spans up to block 2, whose size spans up to block 406.
  const uint32_t rootSize = DwordAt(block, 24 + 4);
  const size_t setBlock = 24 + 8 + rootSize;
  ASSERT_EQ(DwordAt(block, setBlock), 2u);
  const size_t customBlock = setBlock + 8 + DwordAt(block, setBlock + 4);
  EXPECT_EQ(DwordAt(block, customBlock), 406u);
  EXPECT_EQ(DwordAt(block, customBlock + 4), 14u);
  EXPECT_EQ(DwordAt(block, customBlock + 8), 10u);
  EXPECT_EQ(customBlock + 8 + 14 + 8, block.size());

  // FVF 0: block 120 with size 4 and the 520 declaration bytes; then block 138 with size 4 and
  // the count of mesh frames.
  const size_t declaration = FindPair(block, 120, 4);
  ASSERT_NE(declaration, std::string::npos);
  EXPECT_EQ(0,
            std::memcmp(block.data() + declaration + 8, object->rootFrame->mesh->declaration, 520));
  EXPECT_EQ(DwordAt(block, declaration + 8 + 520), 138u);
  EXPECT_EQ(DwordAt(block, declaration + 8 + 520 + 4), 4u);
  EXPECT_EQ(DwordAt(block, declaration + 8 + 520 + 8), 2u);
}

TEST(DboBlockLayout, OptionalBlocksAppearOnlyWhenTheirConditionHolds) {
  ObjectPtr object(NewObject());
  object->rootFrame = NewFrame();
  sMesh* mesh = object->rootFrame->mesh = NewMesh();
  mesh->fvf = 0x142;  // no declaration block, no indices, no effect name
  object->animationSet = NewAnimationSet();
  object->animationSet->firstTrack = NewAnimation();  // switch 1: no bone-matrix blocks
  const std::vector<uint32_t> codes = CodesOf(WriteBlock(*object));
  for (uint32_t code : {120u, 116u, 154u, 400u, 401u, 402u, 403u, 404u, 405u, 220u, 213u, 303u}) {
    EXPECT_EQ(CountOf(codes, code), 0u) << code;
  }
  EXPECT_EQ(CountOf(codes, 115), 1u);  // vertex data is written even when empty
  EXPECT_EQ(CountOf(codes, 203), 1u);
}

TEST(DboBlockLayout, ListsFollowTheFormatOrder) {
  ObjectPtr object = MakeSampleObject();
  const std::vector<uint32_t> codes = CodesOf(WriteBlock(*object));
  // The root frame's first blocks, then its mesh up to its frame records.
  const std::vector<uint32_t> head(codes.begin(), codes.begin() + 9);
  EXPECT_EQ(head, (std::vector<uint32_t>{1, 101, 102, 103, 111, 112, 113, 114, 120}));
  // Three bones, one without influences; two textures; two entries; three chained tracks; a
  // bone-matrix block set for the one track with switch 0.
  EXPECT_EQ(CountOf(codes, 301), 6u);
  EXPECT_EQ(CountOf(codes, 303), 4u);
  EXPECT_EQ(CountOf(codes, 141), 4u);
  EXPECT_EQ(CountOf(codes, 161), 4u);
  EXPECT_EQ(CountOf(codes, 211), 3u);
  EXPECT_EQ(CountOf(codes, 220), 2u);
  EXPECT_EQ(CountOf(codes, 405), 1u);
  EXPECT_EQ(CountOf(codes, 154), 1u);
  const auto at = [&](uint32_t code) { return std::find(codes.begin(), codes.end(), code); };
  EXPECT_LT(at(402), at(401));
  EXPECT_LT(at(401), at(403));
  EXPECT_LT(at(404), at(405));
  const std::vector<uint32_t> tail(codes.end() - 3, codes.end());
  EXPECT_EQ(tail, (std::vector<uint32_t>{0, 406, 0}));
}

TEST(DboWriter, OneAllocationOfTheExactLengthAndNothingElse) {
  ObjectPtr object = MakeSampleObject();
  CountingHeap heap;
  uint8_t* block = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(dbo::WriteObjectBlock(object.get(), &block, &size));
  EXPECT_EQ(heap.allocations(), 1);
  ObjectPtr loaded = ReadBlock(std::vector<uint8_t>(block, block + size));
  HostFree(block);
  loaded.reset();
  EXPECT_EQ(heap.live(), 0);
  EXPECT_EQ(heap.badFrees(), 0);
}

TEST(DboWriter, StreamsTheSameBlockInOrderWithoutHoldingIt) {
  ObjectPtr small = MakeSampleObject();
  // Vertex data larger than a piece goes to the output whole, straight from the mesh.
  ObjectPtr large = MakeSampleObject();
  sMesh& mesh = *large->rootFrame->mesh;
  const size_t vertexCount = dbo::kStreamPieceBytes / mesh.vertexSize + 100;
  HostFree(mesh.vertexData);
  mesh.vertexData = static_cast<uint8_t*>(HostAllocateZeroed(vertexCount, mesh.vertexSize));
  mesh.vertexCount = static_cast<int32_t>(vertexCount);
  for (size_t i = 0; i < vertexCount * mesh.vertexSize; ++i) mesh.vertexData[i] = uint8_t(i % 251);
  for (const sObject* object : {small.get(), large.get()}) {
    dbo::BlockPlan plan;
    ASSERT_TRUE(dbo::PlanObjectBlock(object, &plan));
    std::vector<uint8_t> streamed;
    size_t pieces = 0;
    ASSERT_TRUE(dbo::StreamObjectBlock(*object, plan, [&](const uint8_t* data, size_t size) {
      streamed.insert(streamed.end(), data, data + size);
      ++pieces;
      return true;
    }));
    EXPECT_EQ(streamed, WriteBlock(*object));
    EXPECT_EQ(plan.length, streamed.size());
    EXPECT_EQ(pieces, object == small.get() ? 1u : 3u);  // before, the vertex data, after
    // A refused write stops the writing and says so.
    EXPECT_FALSE(
        dbo::StreamObjectBlock(*object, plan, [](const uint8_t*, size_t) { return false; }));
  }
  // An object that cannot be written is refused when measured, before any output.
  large->rootFrame->mesh->boneCount = 40;
  dbo::BlockPlan plan;
  EXPECT_FALSE(dbo::PlanObjectBlock(large.get(), &plan));
}

TEST(DboWriter, RefusesObjectsWhoseArraysAreMissingOrNegative) {
  auto expectRefused = [](void (*damage)(sObject&), const char* what) {
    ObjectPtr object = MakeSampleObject();
    damage(*object);
    uint8_t* block = nullptr;
    uint32_t size = 0;
    EXPECT_FALSE(dbo::WriteObjectBlock(object.get(), &block, &size)) << what;
    EXPECT_EQ(block, nullptr) << what;
  };
  expectRefused(
      [](sObject& o) {
        HostFree(o.rootFrame->mesh->vertexData);
        o.rootFrame->mesh->vertexData = nullptr;
      },
      "vertex data");
  expectRefused([](sObject& o) { o.rootFrame->mesh->boneCount = 4; }, "more bones than held");
  expectRefused([](sObject& o) { o.rootFrame->mesh->indexCount = -1; }, "negative index count");
  expectRefused(
      [](sObject& o) {
        HostFree(o.customData);
        o.customData = nullptr;
      },
      "custom data");
  expectRefused(
      [](sObject& o) {
        sAnimation* track = o.animationSet->firstTrack;
        HostFree(track->matrixTable[1]);
        track->matrixTable[1] = nullptr;
      },
      "matrix table row");
}

}  // namespace
}  // namespace korva::testing

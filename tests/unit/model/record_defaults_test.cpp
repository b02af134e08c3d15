// Construction defaults, byte by byte: each expected image is written from the host's tables
// (offset, value), independently of the record structs, and compared with the constructed record.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/sub_material.h"
#include "model/texture.h"

namespace korva {
namespace {

class ByteImage {
 public:
  explicit ByteImage(size_t size) : bytes_(size, 0) {}
  ByteImage& Int(size_t offset, int32_t value) { return Put(offset, &value, 4); }
  ByteImage& Float(size_t offset, float value) { return Put(offset, &value, 4); }
  ByteImage& Byte(size_t offset, uint8_t value) { return Put(offset, &value, 1); }
  ByteImage& Vector(size_t offset, float x, float y, float z) {
    return Float(offset, x).Float(offset + 4, y).Float(offset + 8, z);
  }
  ByteImage& Identity(size_t offset) {
    for (int i = 0; i < 4; ++i) Float(offset + 4 * (5 * i), 1.0f);
    return *this;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  ByteImage& Put(size_t offset, const void* value, size_t size) {
    std::memcpy(bytes_.data() + offset, value, size);
    return *this;
  }
  std::vector<uint8_t> bytes_;
};

// Names the first differing offset, which a plain memcmp would not.
template <typename Record>
void ExpectImage(const Record& record, const ByteImage& expected) {
  ASSERT_EQ(sizeof record, expected.bytes().size());
  const auto* actual = reinterpret_cast<const uint8_t*>(&record);
  for (size_t i = 0; i < sizeof record; ++i) {
    ASSERT_EQ(actual[i], expected.bytes()[i]) << "first difference at offset 0x" << std::hex << i;
  }
}

// The images are the host's own layout, which only builds with 4-byte pointers have (the 32-bit
// build runs these; a 64-bit build widens every pointer).
#define SKIP_WITHOUT_HOST_LAYOUT() \
  if (!KORVA_HOST_LAYOUT) GTEST_SKIP() << "the host's byte layout needs 4-byte pointers"

// Fills a record with garbage first, so a constructor that skips a byte is caught.
template <typename Record>
void Scribble(Record* record) {
  std::memset(record, 0xA5, sizeof *record);
}

TEST(RecordDefaults, ObjectHoldsHostBlocksAndStateAndNothingElse) {
  SKIP_WITHOUT_HOST_LAYOUT();
  ByteImage expected(1324);
  expected.Byte(0x018 + 0x34, 1).Int(0x018 + 0x44, 2).Byte(0x018 + 0x54, 1);
  const size_t placement = 0x084;
  expected.Vector(placement + 0x18, 1, 1, 1)
      .Vector(placement + 0x24, 0, 0, 1)
      .Vector(placement + 0x30, 0, 1, 0)
      .Vector(placement + 0x3C, 1, 0, 0)
      .Identity(placement + 0x284)
      .Identity(placement + 0x2C4);
  expected.Int(0x488, 0x101).Int(0x48C, 1).Byte(0x499, 1).Int(0x4A8, -1).Int(0x4C4, -1);
  expected.Float(0x4E0, 1.0f).Float(0x504, 1.0f);

  sObject object;
  Scribble(&object);
  ConstructObjectRecord(&object);
  ExpectImage(object, expected);
}

TEST(RecordDefaults, FrameHasIdentityMatricesAndUnitScale) {
  SKIP_WITHOUT_HOST_LAYOUT();
  ByteImage expected(804);
  for (size_t matrix : {0x110, 0x150, 0x190, 0x1D0, 0x214, 0x260}) expected.Identity(matrix);
  expected.Vector(0x2AC, 1, 1, 1);

  sFrame frame;
  Scribble(&frame);
  ConstructFrame(&frame);
  ExpectImage(frame, expected);
}

TEST(RecordDefaults, MeshIsATriangleListWithWhiteMaterialAndRenderSwitches) {
  SKIP_WITHOUT_HOST_LAYOUT();
  ByteImage expected(1272);
  expected.Int(0x024, 4);
  for (int channel = 0; channel < 4; ++channel) {
    expected.Float(0x394 + 4 * channel, 1.0f);       // diffuse
    expected.Float(0x394 + 16 + 4 * channel, 1.0f);  // ambient
  }
  const uint8_t switches[6] = {0, 1, 1, 1, 1, 0};
  for (int i = 0; i < 6; ++i) expected.Byte(0x40C + i, switches[i]);
  expected.Byte(0x419, 1).Byte(0x41A, 1).Byte(0x41B, 1).Int(0x41C, 2);

  sMesh mesh;
  Scribble(&mesh);
  ConstructMesh(&mesh);
  ExpectImage(mesh, expected);
}

TEST(RecordDefaults, TextureStageSettings) {
  SKIP_WITHOUT_HOST_LAYOUT();
  ByteImage expected(328);
  expected.Int(0x110, 2).Int(0x11C, 1).Int(0x120, 1).Int(0x124, 2).Int(0x128, 2).Int(0x12C, 2);

  sTexture texture;
  Scribble(&texture);
  ConstructTexture(&texture);
  ExpectImage(texture, expected);
}

TEST(RecordDefaults, AnimationTrackAndZeroRecords) {
  SKIP_WITHOUT_HOST_LAYOUT();
  ByteImage track(360);
  track.Int(0x108, 1).Int(0x13C, 1);
  sAnimation animation;
  Scribble(&animation);
  ConstructAnimation(&animation);
  ExpectImage(animation, track);

  sBone bone;
  Scribble(&bone);
  ConstructBone(&bone);
  ExpectImage(bone, ByteImage(344));

  sAnimationSet* set = NewAnimationSet();
  ASSERT_NE(set, nullptr);
  ExpectImage(*set, ByteImage(296));
  DeleteAnimationSets(set);

  sAnimation* fresh = NewAnimation();
  ASSERT_NE(fresh, nullptr);
  ExpectImage(*fresh, track);
  HostFree(fresh);
}

TEST(RecordDefaults, HeapConstructorsMatchInPlaceConstruction) {
  sObject* object = NewObject();
  sFrame* frame = NewFrame();
  sMesh* mesh = NewMesh();
  ASSERT_TRUE(object && frame && mesh);
  sObject objectImage;
  ConstructObjectRecord(&objectImage);
  sFrame frameImage;
  ConstructFrame(&frameImage);
  sMesh meshImage;
  ConstructMesh(&meshImage);
  EXPECT_EQ(std::memcmp(object, &objectImage, sizeof objectImage), 0);
  EXPECT_EQ(std::memcmp(frame, &frameImage, sizeof frameImage), 0);
  EXPECT_EQ(std::memcmp(mesh, &meshImage, sizeof meshImage), 0);
  ReleaseObjectRecords(object);
  HostFree(object);
  DeleteFrame(frame);
  DeleteMesh(mesh);
}

TEST(CountedArrays, CountPrecedesConstructedElements) {
  sTexture* textures = NewCountedArray<sTexture>(3, ConstructTexture);
  ASSERT_NE(textures, nullptr);
  int32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<uint8_t*>(textures) - 4, 4);
  EXPECT_EQ(prefix, 3);
  EXPECT_EQ(CountedArrayCount(textures), 3);
  sTexture expected;
  ConstructTexture(&expected);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::memcmp(&textures[i], &expected, sizeof expected), 0);
  DeleteCountedArray(textures, ReleaseTexture);
}

TEST(CountedArrays, RefuseEmptyAndOversizedCounts) {
  EXPECT_EQ(NewCountedArray<sBone>(0, ConstructBone), nullptr);
  EXPECT_EQ(NewCountedArray<sBone>(MaxCountedElements<sBone>() + 1, ConstructBone), nullptr);
  EXPECT_EQ(NewCountedArray<sBone>(UINT32_MAX, ConstructBone), nullptr);
  DeleteCountedArray<sBone>(nullptr, ReleaseBone);  // null is allowed
}

TEST(Names, HoldAll255Characters) {
  const std::string name(255, 'n');
  sFrame frame;
  ConstructFrame(&frame);
  std::memcpy(frame.name, name.c_str(), name.size() + 1);
  EXPECT_EQ(std::string(frame.name), name);
  // The terminator is the last byte of the field: the limb number behind it is untouched.
  EXPECT_EQ(frame.limbNumber, 0);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(&frame)[0xFF], 0);
}

}  // namespace
}  // namespace korva

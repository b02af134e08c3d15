// The reader's account of what it read: the optional sections with their sizes (vertex extra of
// each subversion), the section a cut falls in, and every kind of refusal with where it is.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ms3d/ms3d_account.h"
#include "ms3d/ms3d_format.h"
#include "ms3d/ms_model.h"
#include "support/ms3d_writer.h"

namespace korva {
namespace {

using testing::Ms3dCommentsSection;
using testing::Ms3dContent;
using testing::Ms3dModelExtra;
using testing::WriteMs3d;

// The sample with every optional section; its mandatory part ends at byte 1441.
Ms3dContent WithSections(int32_t vertexExtraSubVersion) {
  Ms3dContent content = testing::SampleMs3d();
  content.comments = Ms3dCommentsSection{};
  content.vertexExtraSubVersion = vertexExtraSubVersion;
  for (msVertex& v : content.model.vertices) v.extra2 = 7;
  content.jointExtraSubVersion = 1;
  content.model.joints[2].color[1] = 0.5f;
  content.modelExtra = Ms3dModelExtra{1, 4.0f, 2, 0.25f};
  return content;
}

bool Load(const std::vector<uint8_t>& bytes, msModel& model, Ms3dAccount& account) {
  return model.LoadFromMemory(bytes.data(), bytes.size(), account);
}

TEST(Ms3dAccountTest, EveryVertexExtraSubversionIsSizedSoTheSectionsAfterItAreRead) {
  for (int32_t subVersion : {1, 2, 3}) {
    const size_t record = ms3d_format::VertexExtraRecordSize(subVersion);
    for (bool after : {false, true}) {
      SCOPED_TRACE("subversion " + std::to_string(subVersion) + (after ? " with" : " without") +
                   " the sections after it");
      Ms3dContent content = WithSections(subVersion);
      if (!after) {
        content.jointExtraSubVersion.reset();
        content.modelExtra.reset();
      }
      msModel model;
      Ms3dAccount account;
      ASSERT_TRUE(Load(WriteMs3d(content), model, account));
      struct Expected {
        Ms3dSection section;
        uint64_t offset, size;
      };
      std::vector<Expected> expected{{Ms3dSection::kComments, 1441, 20},
                                     {Ms3dSection::kVertexExtra, 1461, 4 + 4 * record}};
      if (after) {
        const uint64_t joints = 1461 + 4 + 4 * record;
        expected.push_back({Ms3dSection::kJointExtra, joints, 40});
        expected.push_back({Ms3dSection::kModelExtra, joints + 40, 16});
      }
      ASSERT_EQ(account.sectionCount, expected.size());
      for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(account.sections[i].section, expected[i].section) << i;
        EXPECT_EQ(account.sections[i].offset, expected[i].offset) << i;
        EXPECT_EQ(account.sections[i].size, expected[i].size) << i;
      }
      EXPECT_EQ(account.sections[1].subVersion, subVersion);
      EXPECT_FALSE(account.sectionCut);
      EXPECT_EQ(account.trailingBytes, 0u);
      EXPECT_EQ(model.vertices[0].extra2, subVersion == 3 ? 7u : 0u);
      EXPECT_EQ(model.joints[2].color[1], after ? 0.5f : 0.0f);
      EXPECT_EQ(model.jointSize, after ? 4.0f : 1.0f);
    }
  }
}

TEST(Ms3dAccountTest, BytesAfterTheLastSectionAreCounted) {
  Ms3dContent content = WithSections(3);
  content.trailingBytes = {1, 2, 3};
  msModel model;
  Ms3dAccount account;
  ASSERT_TRUE(Load(WriteMs3d(content), model, account));
  EXPECT_EQ(account.sectionCount, 4u);
  EXPECT_EQ(account.trailingBytes, 3u);
}

TEST(Ms3dAccountTest, ACutNamesTheSectionItFallsIn) {
  const std::vector<uint8_t> full = WriteMs3d(WithSections(3));
  msModel model;
  Ms3dAccount whole;
  ASSERT_TRUE(Load(full, model, whole));
  ASSERT_EQ(whole.sectionCount, 4u);
  for (size_t k = 0; k < 4; ++k) {
    const Ms3dSectionRead& section = whole.sections[k];
    // Inside the subversion field and inside the body.
    for (uint64_t into : {uint64_t{2}, uint64_t{5}}) {
      SCOPED_TRACE(std::string(Ms3dSectionName(section.section)) + " cut " + std::to_string(into) +
                   " bytes in");
      const std::vector<uint8_t> cut(full.begin(), full.begin() + section.offset + into);
      Ms3dAccount account;
      ASSERT_TRUE(Load(cut, model, account));
      EXPECT_EQ(account.sectionCount, k);
      EXPECT_TRUE(account.sectionCut);
      EXPECT_EQ(account.cutSection, section.section);
      EXPECT_EQ(account.cutOffset, section.offset);
      EXPECT_EQ(account.cutFault, Ms3dFault::kCutShort);
      EXPECT_EQ(account.trailingBytes, 0u);
    }
  }
}

TEST(Ms3dAccountTest, ANegativeCommentLengthDropsTheComments) {
  Ms3dContent content = WithSections(1);
  content.comments->modelCommentFlag = 1;
  content.comments->modelComment = "abc";
  std::vector<uint8_t> bytes = WriteMs3d(content);
  // The model comment's length field: after the subversion and the three empty lists.
  bytes[1441 + 20] = 0xFF, bytes[1441 + 21] = 0xFF, bytes[1441 + 22] = 0xFF;
  bytes[1441 + 23] = 0xFF;
  msModel model;
  Ms3dAccount account;
  ASSERT_TRUE(Load(bytes, model, account));
  EXPECT_TRUE(account.sectionCut);
  EXPECT_EQ(account.cutSection, Ms3dSection::kComments);
  EXPECT_EQ(account.cutFault, Ms3dFault::kBadLength);
}

struct RefusalCase {
  const char* name;
  size_t length;  // the sample cut to this length (0: whole)
  size_t patchAt;
  uint8_t patch;  // written at patchAt when patchAt > 0
  Ms3dFault fault;
  Ms3dElement element;
  uint32_t index;
  uint32_t count;
  uint64_t offset;
};

// The sample: header 0-14, 4 vertices from 16, 2 triangles from 78, groups of 38 bytes from 220,
// 2 materials from 298, animation settings at 1020, joints of 173, 109 and 125 bytes from 1034.
TEST(Ms3dAccountTest, EveryRefusalSaysWhatWhereAndWhy) {
  constexpr uint32_t kNone = kMs3dNoIndex;
  const RefusalCase cases[] = {
      {"cut in the header", 5, 0, 0, Ms3dFault::kCutShort, Ms3dElement::kHeader, kNone, 0, 0},
      {"bad magic", 0, 3, 'X', Ms3dFault::kBadMagic, Ms3dElement::kHeader, kNone, 0, 0},
      {"bad version", 0, 10, 5, Ms3dFault::kBadVersion, Ms3dElement::kHeader, kNone, 0, 10},
      {"cut in a count", 15, 0, 0, Ms3dFault::kCutShort, Ms3dElement::kVertex, kNone, 0, 14},
      {"cut in a vertex", 49, 0, 0, Ms3dFault::kCutShort, Ms3dElement::kVertex, 2, 4, 46},
      {"cut in a triangle", 158, 0, 0, Ms3dFault::kCutShort, Ms3dElement::kTriangle, 1, 2, 148},
      {"group count too large", 230, 0, 0, Ms3dFault::kCountTooLarge, Ms3dElement::kGroup, kNone, 2,
       218},
      {"cut in a group", 295, 0, 0, Ms3dFault::kCutShort, Ms3dElement::kGroup, 1, 2, 258},
      {"cut in a material", 759, 0, 0, Ms3dFault::kCutShort, Ms3dElement::kMaterial, 1, 2, 659},
      {"cut in the animation settings", 1025, 0, 0, Ms3dFault::kCutShort,
       Ms3dElement::kAnimationSettings, kNone, 0, 1020},
      {"joint count too large", 1100, 0, 0, Ms3dFault::kCountTooLarge, Ms3dElement::kJoint, kNone,
       3, 1032},
      {"cut in a joint", 1366, 0, 0, Ms3dFault::kCutShort, Ms3dElement::kJoint, 2, 3, 1316},
      {"cut in a key", 1421, 0, 0, Ms3dFault::kCutShort, Ms3dElement::kKey, 0, 2, 1409},
  };
  const std::vector<uint8_t> sample = WriteMs3d(testing::SampleMs3d());
  ASSERT_EQ(sample.size(), 1441u);
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes(sample.begin(), sample.begin() + (c.length ? c.length : 1441));
    if (c.patchAt > 0) bytes[c.patchAt] = c.patch;
    msModel model;
    Ms3dAccount account;
    ASSERT_FALSE(Load(bytes, model, account));
    EXPECT_EQ(account.refusal.fault, c.fault);
    EXPECT_EQ(account.refusal.element, c.element);
    EXPECT_EQ(account.refusal.index, c.index);
    EXPECT_EQ(account.refusal.count, c.count);
    EXPECT_EQ(account.refusal.offset, c.offset);
    if (c.fault == Ms3dFault::kBadVersion) {
      EXPECT_EQ(account.refusal.value, 5);
    }
    if (c.element == Ms3dElement::kKey) {
      EXPECT_EQ(account.refusal.owner, 2u);
      EXPECT_EQ(account.refusal.ownerCount, 3u);
    }
  }
}

TEST(Ms3dAccountTest, AFileThatCannotBeOpenedSaysSo) {
  msModel model;
  Ms3dAccount account;
  EXPECT_FALSE(model.LoadFromFile("/nonexistent/model.ms3d", account));
  EXPECT_EQ(account.refusal.fault, Ms3dFault::kCannotOpen);
}

}  // namespace
}  // namespace korva

// The MS3D reader on generated files: the mandatory part, each optional section and its
// subversions, rejection of foreign files and the bounds on what the file claims.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ms3d/ms_model.h"
#include "platform/notice.h"
#include "support/ms3d_writer.h"

namespace korva {
namespace {

using testing::Ms3dCommentsSection;
using testing::Ms3dContent;
using testing::Ms3dModelExtra;
using testing::SampleMs3d;
using testing::WriteMs3d;

struct NoticeLog {
  std::vector<std::string> lines;
  static void Sink(const char* caption, const char* text, void* context) {
    static_cast<NoticeLog*>(context)->lines.push_back(std::string(caption) + ": " + text);
  }
};

class Ms3dReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetNoticeSink(&NoticeLog::Sink, &notices_); }
  void TearDown() override { platform::SetNoticeSink(nullptr, nullptr); }

  bool Load(const Ms3dContent& content) {
    const std::vector<uint8_t> bytes = WriteMs3d(content);
    return model_.LoadFromMemory(bytes.data(), bytes.size());
  }

  msModel model_;
  NoticeLog notices_;
};

std::string CommentText(const msComment& comment) {
  return std::string(comment.begin(), comment.end());
}

// Every optional section present with distinct values.
Ms3dContent FullSample() {
  Ms3dContent content = SampleMs3d();
  Ms3dCommentsSection comments;
  comments.groupComments = {{1, "tail group"}};
  comments.materialComments = {{0, "wood"}};
  comments.jointComments = {{2, "hand joint"}};
  comments.modelCommentFlag = 1;
  comments.modelComment = "whole model";
  content.comments = comments;
  for (size_t i = 0; i < content.model.vertices.size(); ++i) {
    msVertex& v = content.model.vertices[i];
    v.boneIds[0] = static_cast<int8_t>(i);
    v.boneIds[1] = -1;
    v.weights[0] = static_cast<uint8_t>(100 - i);
    v.extra = 0x11223344u + static_cast<uint32_t>(i);
    v.extra2 = 0xA0B0C0D0u;
  }
  content.vertexExtraSubVersion = 3;
  content.jointExtraSubVersion = 1;
  for (msJoint& j : content.model.joints) j.color[1] = 0.75f;
  content.modelExtra = Ms3dModelExtra{1, 2.5f, 3, 0.125f};
  return content;
}

TEST_F(Ms3dReaderTest, MandatoryPartIsReadFieldByField) {
  ASSERT_TRUE(Load(SampleMs3d()));
  ASSERT_EQ(model_.vertices.size(), 4u);
  ASSERT_EQ(model_.triangles.size(), 2u);
  ASSERT_EQ(model_.groups.size(), 2u);
  ASSERT_EQ(model_.materials.size(), 2u);
  ASSERT_EQ(model_.joints.size(), 3u);

  EXPECT_FLOAT_EQ(model_.vertices[2].position[1], 1.0f);
  EXPECT_EQ(model_.vertices[3].boneId, -1);
  EXPECT_EQ(model_.triangles[1].vertexIndices[2], 3);
  EXPECT_FLOAT_EQ(model_.triangles[0].t[2], 1.0f);
  EXPECT_EQ(model_.triangles[1].groupIndex, 1);
  EXPECT_STREQ(model_.groups[1].name, "Tail");
  EXPECT_EQ(model_.groups[1].materialIndex, -1);
  EXPECT_STREQ(model_.materials[0].texture, "wood.bmp");
  EXPECT_STREQ(model_.joints[2].parentName, "arm");
  EXPECT_EQ(model_.totalFrames, 48);
  // Key times become frames: 0.5 s at 24 frames a second.
  EXPECT_FLOAT_EQ(model_.joints[0].positionKeys[1].time, 12.0f);
  EXPECT_FLOAT_EQ(model_.joints[0].rotationKeys[1].value[2], 0.5f);

  // Defaults of the optional sections are checked by the truncation test at this length.
  EXPECT_TRUE(model_.comment.empty());
  EXPECT_TRUE(notices_.lines.empty());
}

TEST_F(Ms3dReaderTest, AllOptionalSectionsAreReadAndSubversionThreeCarriesFourteenBytes) {
  ASSERT_TRUE(Load(FullSample()));
  EXPECT_EQ(CommentText(model_.groups[1].comment), "tail group");
  EXPECT_TRUE(model_.groups[0].comment.empty());
  EXPECT_EQ(CommentText(model_.materials[0].comment), "wood");
  EXPECT_EQ(CommentText(model_.joints[2].comment), "hand joint");
  EXPECT_EQ(CommentText(model_.comment), "whole model");
  EXPECT_EQ(model_.vertices[3].boneIds[0], 3);
  EXPECT_EQ(model_.vertices[3].boneIds[1], -1);
  EXPECT_EQ(model_.vertices[3].weights[0], 97);
  EXPECT_EQ(model_.vertices[3].extra, 0x11223347u);
  EXPECT_EQ(model_.vertices[3].extra2, 0xA0B0C0D0u);
  // Read with a 10-byte stride these would be misread.
  EXPECT_FLOAT_EQ(model_.joints[2].color[1], 0.75f);
  EXPECT_FLOAT_EQ(model_.jointSize, 2.5f);
  EXPECT_EQ(model_.transparencyMode, 3);
  EXPECT_FLOAT_EQ(model_.alphaRef, 0.125f);
}

TEST_F(Ms3dReaderTest, SubversionThreeWithoutJointsKeepsTheModelExtraAligned) {
  Ms3dContent content = FullSample();
  content.model.joints.clear();
  content.comments->jointComments.clear();
  content.modelExtra = Ms3dModelExtra{1, 1.0f, 0, 0.5f};
  content.model.vertices[0].extra2 = 0x3F800000u;  // a stray 1.0f if the stride were 10
  ASSERT_TRUE(Load(content));
  EXPECT_FLOAT_EQ(model_.jointSize, 1.0f);
  EXPECT_FLOAT_EQ(model_.alphaRef, 0.5f);
  EXPECT_EQ(model_.vertices[0].extra2, 0x3F800000u);
}

TEST_F(Ms3dReaderTest, VertexExtraSubversionsOneAndTwoUseSixAndTenBytes) {
  for (int32_t subVersion : {1, 2}) {
    Ms3dContent content = FullSample();
    content.vertexExtraSubVersion = subVersion;
    ASSERT_TRUE(Load(content)) << subVersion;
    EXPECT_EQ(model_.vertices[2].boneIds[0], 2);
    EXPECT_EQ(model_.vertices[2].weights[0], 98);
    EXPECT_EQ(model_.vertices[2].extra, subVersion == 2 ? 0x11223346u : 0u);
    EXPECT_EQ(model_.vertices[2].extra2, 0u);
    EXPECT_FLOAT_EQ(model_.joints[0].color[1], 0.75f) << subVersion;
    EXPECT_FLOAT_EQ(model_.alphaRef, 0.125f) << subVersion;
  }
}

TEST_F(Ms3dReaderTest, UnknownVertexExtraSubversionNotifiesAndContinuesWithJointExtra) {
  Ms3dContent content = FullSample();
  content.vertexExtraSubVersion = 7;  // the writer puts only the value
  ASSERT_TRUE(Load(content));
  ASSERT_EQ(notices_.lines.size(), 1u);
  EXPECT_EQ(notices_.lines[0], "Info: Unknown subversion for vertex extra");
  EXPECT_EQ(model_.vertices[1].boneIds[0], 0);
  EXPECT_EQ(model_.vertices[1].extra, 0u);
  EXPECT_FLOAT_EQ(model_.joints[1].color[1], 0.75f);
  EXPECT_FLOAT_EQ(model_.jointSize, 2.5f);
}

TEST_F(Ms3dReaderTest, OtherSubversionsSkipTheirSectionBody) {
  Ms3dContent content = FullSample();
  content.comments->subVersion = 2;  // only the value is written
  content.jointExtraSubVersion = 0;
  ASSERT_TRUE(Load(content));
  EXPECT_TRUE(model_.groups[1].comment.empty());
  EXPECT_TRUE(model_.comment.empty());
  // The four bytes after the comments subversion are the vertex extra subversion.
  EXPECT_EQ(model_.vertices[3].extra2, 0xA0B0C0D0u);
  EXPECT_EQ(model_.joints[0].color[1], 0.0f);
  EXPECT_FLOAT_EQ(model_.jointSize, 2.5f);

  content.modelExtra->subVersion = 2;
  ASSERT_TRUE(Load(content));
  EXPECT_FLOAT_EQ(model_.jointSize, 1.0f);
  EXPECT_FLOAT_EQ(model_.alphaRef, 0.5f);
}

TEST_F(Ms3dReaderTest, OutOfRangeCommentIndicesAreConsumedAndDropped) {
  Ms3dContent content = FullSample();
  content.comments->groupComments = {
      {-1, "before"}, {2, "past the end"}, {0, "body"}, {0, "again"}};
  content.comments->materialComments = {};
  ASSERT_TRUE(Load(content));
  EXPECT_EQ(CommentText(model_.groups[0].comment), "again");  // a later comment replaces
  EXPECT_TRUE(model_.groups[1].comment.empty());
  EXPECT_EQ(CommentText(model_.joints[2].comment), "hand joint");
  EXPECT_EQ(CommentText(model_.comment), "whole model");
}

TEST_F(Ms3dReaderTest, BadCommentLengthEndsTheOptionalSectionsLikeACutFile) {
  for (int32_t badLength : {-1, 0x7FFFFFFF}) {
    Ms3dContent content = FullSample();
    std::vector<uint8_t> bytes = WriteMs3d(content);
    // The group comment's length field follows the subversion, the count and the index.
    Ms3dContent mandatory = SampleMs3d();
    const size_t lengthOffset = WriteMs3d(mandatory).size() + 12;
    std::memcpy(&bytes[lengthOffset], &badLength, 4);
    ASSERT_TRUE(model_.LoadFromMemory(bytes.data(), bytes.size())) << badLength;
    EXPECT_EQ(model_.vertices.size(), 4u);
    EXPECT_TRUE(model_.groups[1].comment.empty());
    EXPECT_TRUE(model_.materials[0].comment.empty());
    EXPECT_EQ(model_.vertices[3].extra, 0u);
    EXPECT_FLOAT_EQ(model_.jointSize, 1.0f);
  }
}

TEST_F(Ms3dReaderTest, CountsBeyondTheFileAreRejectedBeforeTheyAllocate) {
  // A vertex count of 65535 in a file that holds one vertex.
  Ms3dContent content = SampleMs3d();
  std::vector<uint8_t> bytes = WriteMs3d(content);
  bytes[14] = 0xFF;
  bytes[15] = 0xFF;
  EXPECT_FALSE(model_.LoadFromMemory(bytes.data(), bytes.size()));
  EXPECT_TRUE(model_.vertices.empty());

  // A comment count far beyond the bytes left ends the optional sections.
  Ms3dContent withComments = FullSample();
  bytes = WriteMs3d(withComments);
  const size_t countOffset = WriteMs3d(content).size() + 4;
  const int32_t hugeCount = 0x10000000;
  std::memcpy(&bytes[countOffset], &hugeCount, 4);
  ASSERT_TRUE(model_.LoadFromMemory(bytes.data(), bytes.size()));
  EXPECT_TRUE(model_.comment.empty());
  EXPECT_FLOAT_EQ(model_.alphaRef, 0.5f);
}

TEST_F(Ms3dReaderTest, ForeignIdsAndVersionsAreRejectedAndResetTheModel) {
  const std::vector<uint8_t> good = WriteMs3d(FullSample());
  for (size_t i = 0; i < 10; ++i) {
    ASSERT_TRUE(model_.LoadFromMemory(good.data(), good.size()));
    std::vector<uint8_t> bytes = good;
    bytes[i] ^= 0x20;
    EXPECT_FALSE(model_.LoadFromMemory(bytes.data(), bytes.size())) << "id byte " << i;
    EXPECT_TRUE(model_.vertices.empty());
    EXPECT_TRUE(model_.comment.empty());
  }
  for (int32_t version : {3, 5}) {
    Ms3dContent content = SampleMs3d();
    content.version = version;
    ASSERT_TRUE(Load(SampleMs3d()));
    EXPECT_FALSE(Load(content)) << version;
    EXPECT_TRUE(model_.joints.empty());
    EXPECT_FLOAT_EQ(model_.framesPerSecond, 24.0f);
  }
}

TEST_F(Ms3dReaderTest, ReloadingResetsEverythingOfTheEarlierLoadUnlessTheFileCannotBeOpened) {
  ASSERT_TRUE(Load(FullSample()));
  Ms3dContent plain = SampleMs3d();
  plain.model.groups.resize(1);
  ASSERT_TRUE(Load(plain));
  EXPECT_EQ(model_.groups.size(), 1u);
  EXPECT_TRUE(model_.comment.empty());
  EXPECT_EQ(model_.vertices[0].extra, 0u);
  EXPECT_FLOAT_EQ(model_.jointSize, 1.0f);

  // A file that cannot be opened leaves the model as it was.
  EXPECT_FALSE(model_.LoadFromFile((::testing::TempDir() + "no_such_model.ms3d").c_str()));
  EXPECT_EQ(model_.groups.size(), 1u);
}

TEST_F(Ms3dReaderTest, FrameRateIsAtLeastOneAndScalesKeyTimes) {
  Ms3dContent content = SampleMs3d();
  content.model.framesPerSecond = 0.5f;
  ASSERT_TRUE(Load(content));
  EXPECT_FLOAT_EQ(model_.framesPerSecond, 1.0f);
  EXPECT_FLOAT_EQ(model_.joints[0].positionKeys[1].time, 0.5f);

  content.model.framesPerSecond = 30.0f;
  ASSERT_TRUE(Load(content));
  EXPECT_FLOAT_EQ(model_.joints[0].positionKeys[1].time, 15.0f);
  EXPECT_FLOAT_EQ(model_.joints[2].positionKeys[1].time, 60.0f);
}

TEST_F(Ms3dReaderTest, MaterialAlphaIsTheTransparencyAndEmptyListsStillRead) {
  Ms3dContent content = SampleMs3d();
  content.model.materials[1].transparency = 0.25f;
  content.model.groups[0].triangleIndices.clear();
  content.model.groups[0].materialIndex = 1;
  content.model.joints[1].rotationKeys.clear();
  content.model.joints[1].positionKeys = {{0, {}}, {1, {}}, {2, {}}};
  ASSERT_TRUE(Load(content));
  const msMaterial& m = model_.materials[1];
  for (const float* colour : {m.ambient, m.diffuse, m.specular, m.emissive}) {
    EXPECT_FLOAT_EQ(colour[3], 0.25f);
  }
  EXPECT_FLOAT_EQ(m.diffuse[0], 0.8f);
  EXPECT_TRUE(model_.groups[0].triangleIndices.empty());
  EXPECT_EQ(model_.groups[0].materialIndex, 1);
  EXPECT_TRUE(model_.joints[1].rotationKeys.empty());
  EXPECT_EQ(model_.joints[1].positionKeys.size(), 3u);
  EXPECT_STREQ(model_.joints[2].name, "hand");  // joints after it still line up
}

}  // namespace
}  // namespace korva

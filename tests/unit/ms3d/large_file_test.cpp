// Files far larger than the reader's read-ahead: fields straddle its refills and a comment longer
// than it is read past it. Reading from a file must give exactly what reading the same bytes from
// memory gives, whole or cut anywhere.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ms3d/ms_model.h"
#include "platform/file_length.h"
#include "support/ms3d_writer.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace korva {
namespace {

using testing::Ms3dContent;
using testing::WriteMs3d;

Ms3dContent LargeModel() {
  Ms3dContent content = testing::SampleMs3d();
  msModel& model = content.model;
  // 5000 vertices (75 000 bytes) and 3000 triangles (210 000 bytes): several refills, and record
  // sizes of 15 and 70 bytes put fields across every refill boundary.
  for (int i = 0; i < 5000; ++i) {
    msVertex v;
    v.position[0] = static_cast<float>(i);
    v.position[1] = static_cast<float>(-i);
    v.boneId = static_cast<int8_t>(i % 3);
    v.boneIds[1] = static_cast<int8_t>(i % 7);
    v.extra = static_cast<uint32_t>(i * 31);
    model.vertices.push_back(v);
  }
  for (int i = 0; i < 3000; ++i) {
    msTriangle t;
    for (int c = 0; c < 3; ++c) {
      t.vertexIndices[c] = static_cast<uint16_t>((i + c) % 5000);
      t.s[c] = static_cast<float>(i) + 0.25f * static_cast<float>(c);
    }
    model.triangles.push_back(t);
  }
  // 3000 rotation and 2100 position keys on one joint: key runs longer than a batch, across
  // refills.
  msJoint& keyed = model.joints.at(0);
  keyed.rotationKeys.resize(3000);
  keyed.positionKeys.resize(2100);
  for (std::vector<msKeyframe>* keys : {&keyed.rotationKeys, &keyed.positionKeys}) {
    for (size_t k = 0; k < keys->size(); ++k) (*keys)[k] = {0.5f * k, {1.0f * k, -1.0f * k, 2.0f}};
  }
  testing::Ms3dCommentsSection comments;
  comments.groupComments = {{0, std::string(200000, 'g')}, {1, "short"}};
  comments.modelCommentFlag = 1;
  comments.modelComment = "end";
  content.comments = comments;
  content.vertexExtraSubVersion = 2;
  content.jointExtraSubVersion = 1;
  content.modelExtra = testing::Ms3dModelExtra{1, 3.0f, 1, 0.75f};
  return content;
}

void ExpectSameModel(const msModel& a, const msModel& b) {
  ASSERT_EQ(a.vertices.size(), b.vertices.size());
  for (size_t i = 0; i < a.vertices.size(); ++i) {
    const msVertex& x = a.vertices[i];
    const msVertex& y = b.vertices[i];
    ASSERT_EQ(std::memcmp(x.position, y.position, sizeof x.position), 0) << i;
    ASSERT_EQ(x.boneId, y.boneId) << i;
    ASSERT_EQ(x.boneIds[1], y.boneIds[1]) << i;
    ASSERT_EQ(x.extra, y.extra) << i;
  }
  ASSERT_EQ(a.triangles.size(), b.triangles.size());
  for (size_t i = 0; i < a.triangles.size(); ++i) {
    ASSERT_EQ(std::memcmp(a.triangles[i].vertexIndices, b.triangles[i].vertexIndices, 6), 0) << i;
    ASSERT_EQ(std::memcmp(a.triangles[i].s, b.triangles[i].s, 12), 0) << i;
  }
  ASSERT_EQ(a.groups.size(), b.groups.size());
  for (size_t i = 0; i < a.groups.size(); ++i) EXPECT_EQ(a.groups[i].comment, b.groups[i].comment);
  ASSERT_EQ(a.joints.size(), b.joints.size());
  for (size_t i = 0; i < a.joints.size(); ++i) {
    for (auto keys : {&msJoint::rotationKeys, &msJoint::positionKeys}) {
      const std::vector<msKeyframe>& x = a.joints[i].*keys;
      const std::vector<msKeyframe>& y = b.joints[i].*keys;
      ASSERT_EQ(x.size(), y.size()) << i;
      ASSERT_TRUE(x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof x[0]) == 0) << i;
    }
    EXPECT_EQ(a.joints[i].color[0], b.joints[i].color[0]);
  }
  EXPECT_EQ(a.comment, b.comment);
  EXPECT_EQ(a.jointSize, b.jointSize);
  EXPECT_EQ(a.alphaRef, b.alphaRef);
}

TEST(Ms3dLargeFileTest, FileAndMemoryReadingAgreeWholeAndCutAroundRefills) {
  const std::vector<uint8_t> bytes = WriteMs3d(LargeModel());
  ASSERT_GT(bytes.size(), 4u * 65536);
  std::vector<size_t> lengths{bytes.size(), bytes.size() - 1};
  for (size_t boundary = 65536; boundary < bytes.size(); boundary += 65536) {
    for (size_t length : {boundary - 1, boundary, boundary + 1, boundary + 7})
      lengths.push_back(length);
  }
  for (size_t length : lengths) {
    SCOPED_TRACE("length " + std::to_string(length));
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
    msModel fromMemory;
    const bool memoryLoaded = fromMemory.LoadFromMemory(cut.data(), cut.size());
    msModel fromFile;
    const std::string path = testing::WriteTempFile(cut, "large.ms3d");
    ASSERT_EQ(fromFile.LoadFromFile(path.c_str()), memoryLoaded);
    ExpectSameModel(fromFile, fromMemory);
  }
  msModel whole;
  ASSERT_TRUE(whole.LoadFromMemory(bytes.data(), bytes.size()));
  EXPECT_EQ(whole.groups[0].comment.size(), 200000u);
  EXPECT_EQ(whole.vertices.back().extra, 4999u * 31);
  EXPECT_EQ(whole.alphaRef, 0.75f);
  const msKeyframe& last = whole.joints[0].rotationKeys.at(2999);
  EXPECT_EQ(last.time, 0.5f * 2999 * whole.framesPerSecond);
  EXPECT_EQ(last.value[1], -2999.0f);
  EXPECT_EQ(whole.joints[0].positionKeys.at(2099).value[0], 2099.0f);
}

#ifndef _WIN32
// A model smaller than the read-ahead is read with one read at the file's start; larger ones go on
// at the next position. The counts, the stream's own position kept, and a pipe refused.
TEST(ReadFileAt, ReadsAtPositionsAndRefusesWhatHasNone) {
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i + 1);
  const std::string path = testing::WriteTempFile(bytes, "positions.bin");
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  struct Case {
    uint64_t offset;
    size_t size;
    int64_t count;
  };
  uint8_t out[64];
  for (const Case& c : {Case{0, 64, 64}, Case{90, 64, 10}, Case{100, 8, 0}, Case{1ull << 40, 8, 0}}) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(platform::ReadFileAt(file, c.offset, out, c.size), c.count);
    if (c.count > 0) {
      EXPECT_EQ(out[0], bytes[c.offset]);
    }
  }
  EXPECT_EQ(std::fgetc(file), 1);  // the stream still at the start
  std::fclose(file);

  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  std::FILE* pipe = ::fdopen(ends[0], "rb");
  ASSERT_NE(pipe, nullptr);
  EXPECT_EQ(platform::ReadFileAt(pipe, 0, out, sizeof out), -1);
  std::fclose(pipe);
  ::close(ends[1]);
}
#endif

}  // namespace
}  // namespace korva

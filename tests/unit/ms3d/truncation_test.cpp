// A generated model cut at every byte: a cut mandatory part is rejected; a cut optional section
// and all after it are dropped while the whole sections before it are kept.
#include <gtest/gtest.h>

#include <algorithm>
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
using testing::WriteMs3d;

Ms3dContent FullModel() {
  Ms3dContent content = testing::SampleMs3d();
  Ms3dCommentsSection comments;
  comments.groupComments = {{0, "g"}};
  comments.jointComments = {{1, "j"}};
  comments.modelCommentFlag = 1;
  comments.modelComment = "model";
  content.comments = comments;
  for (msVertex& v : content.model.vertices) {
    v.boneIds[2] = 5;
    v.extra2 = 9;
  }
  content.vertexExtraSubVersion = 3;
  content.jointExtraSubVersion = 1;
  for (msJoint& j : content.model.joints) j.color[0] = 0.5f;
  content.modelExtra = Ms3dModelExtra{1, 4.0f, 2, 0.25f};
  return content;
}

// File offsets where each part ends, measured by writing ever longer prefixes of the chain.
struct SectionEnds {
  size_t mandatory, comments, vertexExtra, jointExtra, modelExtra;
};

SectionEnds MeasureEnds(const Ms3dContent& full) {
  Ms3dContent prefix = full;
  prefix.modelExtra.reset();
  prefix.jointExtraSubVersion.reset();
  prefix.vertexExtraSubVersion.reset();
  prefix.comments.reset();
  SectionEnds ends{};
  ends.mandatory = WriteMs3d(prefix).size();
  prefix.comments = full.comments;
  ends.comments = WriteMs3d(prefix).size();
  prefix.vertexExtraSubVersion = full.vertexExtraSubVersion;
  ends.vertexExtra = WriteMs3d(prefix).size();
  prefix.jointExtraSubVersion = full.jointExtraSubVersion;
  ends.jointExtra = WriteMs3d(prefix).size();
  ends.modelExtra = WriteMs3d(full).size();
  return ends;
}

void ExpectLoadedPrefix(const msModel& model, size_t length, const SectionEnds& ends) {
  ASSERT_EQ(model.vertices.size(), 4u);
  ASSERT_EQ(model.joints.size(), 3u);
  EXPECT_EQ(model.joints[2].positionKeys.size(), 2u);
  const bool comments = length >= ends.comments;
  const bool vertexExtra = comments && length >= ends.vertexExtra;
  const bool jointExtra = vertexExtra && length >= ends.jointExtra;
  const bool modelExtra = jointExtra && length >= ends.modelExtra;
  EXPECT_EQ(model.groups[0].comment.size(), comments ? 1u : 0u);
  EXPECT_EQ(model.joints[1].comment.size(), comments ? 1u : 0u);
  EXPECT_EQ(model.comment.size(), comments ? 5u : 0u);
  EXPECT_EQ(model.vertices[3].boneIds[2], vertexExtra ? 5 : 0);
  EXPECT_EQ(model.vertices[3].extra2, vertexExtra ? 9u : 0u);
  EXPECT_EQ(model.joints[2].color[0], jointExtra ? 0.5f : 0.0f);
  EXPECT_EQ(model.jointSize, modelExtra ? 4.0f : 1.0f);
  EXPECT_EQ(model.transparencyMode, modelExtra ? 2 : 0);
}

TEST(Ms3dTruncationTest, EveryCutIsRejectedInTheMandatoryPartAndKeepsWholeSectionsAfterIt) {
  const Ms3dContent content = FullModel();
  const std::vector<uint8_t> bytes = WriteMs3d(content);
  const SectionEnds ends = MeasureEnds(content);
  ASSERT_EQ(ends.modelExtra, bytes.size());
  for (size_t length = 0; length <= bytes.size(); ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    // A fresh copy of the exact prefix, so a read past it is caught by the sanitizers.
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
    msModel model;
    model.vertices.resize(7);  // must not survive a rejected load
    const bool loaded = model.LoadFromMemory(cut.data(), cut.size());
    if (length < ends.mandatory) {
      ASSERT_FALSE(loaded);
      EXPECT_TRUE(model.vertices.empty());
      EXPECT_TRUE(model.joints.empty());
    } else {
      ASSERT_TRUE(loaded);
      ExpectLoadedPrefix(model, length, ends);
    }
  }
}

TEST(Ms3dTruncationTest, FileReadingAgreesAtTheSectionBoundaries) {
  const Ms3dContent content = FullModel();
  const std::vector<uint8_t> bytes = WriteMs3d(content);
  const SectionEnds ends = MeasureEnds(content);
  for (size_t length : {size_t{0}, size_t{13}, ends.mandatory - 1, ends.mandatory,
                        ends.comments - 1, ends.vertexExtra, ends.jointExtra + 3, bytes.size()}) {
    SCOPED_TRACE("length " + std::to_string(length));
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(length));
    const std::string path = testing::WriteTempFile(cut, "truncated.ms3d");
    msModel model;
    const bool loaded = model.LoadFromFile(path.c_str());
    ASSERT_EQ(loaded, length >= ends.mandatory);
    if (loaded) ExpectLoadedPrefix(model, length, ends);
    // The same bytes from a source the caller reads.
    size_t at = 0;
    const msByteSource source = [&cut, &at](uint8_t* out, size_t size) {
      const size_t count = std::min(size, cut.size() - at);
      std::copy_n(cut.begin() + static_cast<long>(at), count, out);
      at += count;
      return count;
    };
    msModel fromSource;
    ASSERT_EQ(fromSource.LoadFromSource(source, cut.size()), loaded);
    if (loaded) ExpectLoadedPrefix(fromSource, length, ends);
  }
}

}  // namespace
}  // namespace korva

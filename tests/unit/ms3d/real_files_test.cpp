// The two real model files beside the checkout, made by the modelling tool.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ms3d/ms_model.h"

namespace korva {
namespace {

std::string RealModelPath(const char* name) {
  return std::string(KORVA_SHARED_DIR) + "/testdata/ms3d/" + name;
}

bool Exists(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file != nullptr) std::fclose(file);
  return file != nullptr;
}

TEST(Ms3dRealFilesTest, ModelHasNoOptionalSectionsAndOneRootChain) {
  const std::string path = RealModelPath("Model.ms3d");
  if (!Exists(path)) GTEST_SKIP() << "real test data absent: " << path;
  msModel model;
  ASSERT_TRUE(model.LoadFromFile(path.c_str()));
  EXPECT_EQ(model.vertices.size(), 40u);
  EXPECT_EQ(model.triangles.size(), 76u);
  ASSERT_EQ(model.groups.size(), 1u);
  EXPECT_EQ(model.groups[0].triangleIndices.size(), 76u);
  ASSERT_EQ(model.materials.size(), 2u);
  EXPECT_STREQ(model.materials[0].texture, "data/Wood.bmp");
  EXPECT_STREQ(model.materials[1].name, "");
  ASSERT_EQ(model.joints.size(), 9u);
  EXPECT_FLOAT_EQ(model.jointSize, 1.0f);
  EXPECT_TRUE(model.comment.empty());

  model.BuildBindPose();
  int roots = 0;
  for (size_t i = 0; i < model.joints.size(); ++i) {
    const msJoint& joint = model.joints[i];
    if (joint.parentIndex < 0) {
      ++roots;
    } else {
      EXPECT_LT(joint.parentIndex, static_cast<int>(i)) << "parents come first";
    }
  }
  EXPECT_EQ(roots, 1);
  EXPECT_EQ(model.joints[5].parentIndex, 4);  // joint6 under joint5
  // 1/24 s at 24 frames a second.
  EXPECT_NEAR(model.joints[0].rotationKeys[0].time, 1.0f, 1e-5f);
}

TEST(Ms3dRealFilesTest, DophiHasEmptyCommentsAndSubversionOneVertexExtra) {
  const std::string path = RealModelPath("Dophi.ms3d");
  if (!Exists(path)) GTEST_SKIP() << "real test data absent: " << path;
  msModel model;
  ASSERT_TRUE(model.LoadFromFile(path.c_str()));
  EXPECT_EQ(model.vertices.size(), 527u);
  EXPECT_EQ(model.triangles.size(), 564u);
  ASSERT_EQ(model.groups.size(), 1u);
  ASSERT_EQ(model.materials.size(), 1u);
  EXPECT_STREQ(model.materials[0].texture, ".\\dolphin.bmp");
  ASSERT_EQ(model.joints.size(), 3u);
  EXPECT_EQ(model.joints[2].rotationKeys.size(), 7u);
  EXPECT_EQ(model.joints[2].positionKeys.size(), 7u);

  EXPECT_TRUE(model.groups[0].comment.empty());
  EXPECT_TRUE(model.materials[0].comment.empty());
  EXPECT_TRUE(model.comment.empty());
  int unbound = 0;
  for (const msVertex& v : model.vertices) {
    // The file's extra section names no second or third bone for any vertex.
    EXPECT_EQ(v.boneIds[0], -1);
    EXPECT_EQ(v.boneIds[2], -1);
    EXPECT_EQ(v.weights[0], 0);
    EXPECT_EQ(v.extra, 0u);
    if (v.boneId < 0) ++unbound;
  }
  EXPECT_EQ(unbound, 296);
  EXPECT_FLOAT_EQ(model.jointSize, 1.0f);
  EXPECT_FLOAT_EQ(model.vertices[0].position[0], 0.17262014746665955f);
}

}  // namespace
}  // namespace korva

// The model's own playback: which joints move a vertex and by how much, and where a bent arm's
// vertices land at, between and past its keys.
#include "ms3d/model_pose.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/angles.h"
#include "support/ms3d_writer.h"  // AddVertex, SetName

namespace korva {
namespace {

using testing::kHalfPi;

struct InfluenceCase {
  const char* fault;
  int32_t subVersion;
  int8_t ownJoint;
  int8_t extraJoints[3];
  uint8_t weights[3];
  std::vector<std::pair<int, float>> expected;  // joint, share
};

TEST(ModelPoseTest, InfluencesFollowTheVertexExtraWeights) {
  const InfluenceCase cases[] = {
      {"no extra section: the own joint has it all", 0, 1, {0, 0, 0}, {0, 0, 0}, {{1, 1.0f}}},
      {"first weight is the own joint's, second the first extra joint's",
       2,
       0,
       {1, -1, -1},
       {60, 40, 0},
       {{0, 0.6f}, {1, 0.4f}}},
      {"third extra joint takes what is left of 100",
       2,
       0,
       {-1, -1, 2},
       {30, 0, 0},
       {{0, 0.3f}, {2, 0.7f}}},
      {"subversion 1 weighs out of 255", 1, 0, {-1, -1, 1}, {51, 0, 0}, {{0, 0.2f}, {1, 0.8f}}},
      {"a share of an unused joint goes to the joints that are there",
       2,
       0,
       {-1, -1, -1},
       {60, 0, 0},
       {{0, 1.0f}}},
      {"a joint past the model is unused", 2, 0, {9, -1, -1}, {50, 50, 0}, {{0, 1.0f}}},
      {"no joint at all: nothing moves the vertex", 0, -1, {0, 0, 0}, {0, 0, 0}, {}},
  };
  msModel model;
  model.joints.resize(3);
  for (const InfluenceCase& c : cases) {
    model.vertexExtraSubVersion = c.subVersion;
    msVertex vertex;
    vertex.boneId = c.ownJoint;
    for (int i = 0; i < 3; ++i)
      vertex.boneIds[i] = c.extraJoints[i], vertex.weights[i] = c.weights[i];
    const VertexInfluences influences = InfluencesOf(model, vertex);
    ASSERT_EQ(influences.count, static_cast<int>(c.expected.size())) << c.fault;
    for (int i = 0; i < influences.count; ++i) {
      EXPECT_EQ(influences.joints[i], c.expected[i].first) << c.fault;
      EXPECT_NEAR(influences.weights[i], c.expected[i].second, 1e-6f) << c.fault;
    }
  }
}

// Upper arm at the origin, forearm one unit along x turning 90 degrees about z between frames 0
// and 10; vertex 0 sits at the hand (forearm), vertex 1 halfway between both joints' pulls.
msModel BentArm() {
  msModel model;
  model.joints.resize(2);
  testing::SetName(model.joints[0].name, "upper");
  testing::SetName(model.joints[1].name, "forearm");
  testing::SetName(model.joints[1].parentName, "upper");
  model.joints[1].position[0] = 1.0f;
  model.joints[1].rotationKeys = {{0.0f, {0, 0, 0}}, {10.0f, {0, 0, kHalfPi}}};
  testing::AddVertex(model, 2, 0, 0, 1);
  testing::AddVertex(model, 2, 0, 0, 1);
  model.vertexExtraSubVersion = 2;
  model.vertices[1].boneIds[0] = 0;
  model.vertices[1].weights[0] = 50;
  model.vertices[1].weights[1] = 50;
  model.BuildBindPose();
  return model;
}

TEST(ModelPoseTest, BentArmLandsWhereItsKeysPutIt) {
  const float diagonal = std::sqrt(0.5f);
  const struct {
    const char* fault;
    float frame;
    std::array<float, 3> hand, shared;
  } cases[] = {
      {"rest pose", -1.0f, {2, 0, 0}, {2, 0, 0}},
      {"the key's rotation turns the forearm about its joint", 10.0f, {1, 1, 0}, {1.5f, 0.5f, 0}},
      {"halfway between keys is halfway round",
       5.0f,
       {1 + diagonal, diagonal, 0},
       {1.5f + diagonal / 2, diagonal / 2, 0}},
      {"past the last key the last pose holds", 25.0f, {1, 1, 0}, {1.5f, 0.5f, 0}},
  };
  msModel model = BentArm();
  for (const auto& c : cases) {
    const msPosedModel posed = PoseModel(model, c.frame);
    for (int axis = 0; axis < 3; ++axis) {
      EXPECT_NEAR(posed.vertices[0][axis], c.hand[axis], 1e-5f) << c.fault;
      EXPECT_NEAR(posed.vertices[1][axis], c.shared[axis], 1e-5f) << c.fault;
      EXPECT_NEAR(posed.joints[1][axis], axis == 0 ? 1.0f : 0.0f, 1e-6f) << c.fault;
    }
  }
}

}  // namespace
}  // namespace korva

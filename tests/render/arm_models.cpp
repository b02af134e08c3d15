#include "arm_models.h"

#include <cmath>

#include "support/angles.h"

namespace korva::testing {
namespace {
constexpr float kFramesPerSecond = 10.0f;

// A quad from x0 to x1, y -0.1 to 0.1, wound anticlockwise from +z as the modelling tool winds
// front faces.
void AddLimb(msModel& model, float x0, float x1, int8_t joint, int group) {
  const uint16_t first = static_cast<uint16_t>(model.vertices.size());
  const float corners[4][2] = {{x0, -0.1f}, {x1, -0.1f}, {x1, 0.1f}, {x0, 0.1f}};
  for (const auto& corner : corners) AddVertex(model, corner[0], corner[1], 0, joint);
  msGroup g;
  SetName(g.name, group == 0 ? "upper" : "forearm");
  g.materialIndex = static_cast<int8_t>(group);
  const uint16_t triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (const auto& corners3 : triangles) {
    msTriangle triangle;
    for (int k = 0; k < 3; ++k) {
      triangle.vertexIndices[k] = static_cast<uint16_t>(first + corners3[k]);
      triangle.vertexNormals[k][2] = 1.0f;
    }
    triangle.groupIndex = static_cast<uint8_t>(group);
    g.triangleIndices.push_back(static_cast<uint16_t>(model.triangles.size()));
    model.triangles.push_back(triangle);
  }
  model.groups.push_back(g);
  msMaterial material;
  SetName(material.name, group == 0 ? "red" : "green");
  material.diffuse[0] = group == 0 ? 1.0f : 0.0f;
  material.diffuse[1] = group == 0 ? 0.0f : 1.0f;
  material.diffuse[3] = 1.0f;
  material.transparency = 1.0f;
  model.materials.push_back(material);
}
}  // namespace

Ms3dContent BentArmMs3d(ArmShape shape) {
  Ms3dContent content;
  msModel& model = content.model;
  model.framesPerSecond = kFramesPerSecond;
  model.totalFrames = 10;
  model.joints.resize(2);
  SetName(model.joints[0].name, "upper");
  SetName(model.joints[1].name, "forearm");
  SetName(model.joints[1].parentName, "upper");
  model.joints[1].position[0] = 1.0f;
  if (shape.animated) {
    model.joints[1].rotationKeys = {{0.0f, {0, 0, 0}}, {10.0f / kFramesPerSecond, {0, 0, kHalfPi}}};
  }
  AddLimb(model, 0, 1, 0, 0);
  AddLimb(model, 1, 2, 1, 1);
  // The vertex extra section follows the comments one; a file without comments has none.
  content.comments = Ms3dCommentsSection{};
  content.vertexExtraSubVersion = 2;
  if (shape.sharedWeights) {
    for (size_t v = 4; v < 8; ++v) {
      model.vertices[v].boneIds[0] = 0;
      model.vertices[v].boneIds[1] = model.vertices[v].boneIds[2] = -1;
      model.vertices[v].weights[0] = 50;
      model.vertices[v].weights[1] = 50;
    }
  }
  return content;
}

ObjectHandle BentArmObject(ArmShape shape) {
  ObjectHandle object = NewEmptyObject();
  sFrame* upperSkin = AddFrame(object.get(), nullptr, IdentityMatrix(), "upper skin");
  sFrame* forearmSkin = AddFrame(object.get(), nullptr, IdentityMatrix(), "forearm skin");
  sFrame* upper = AddFrame(object.get(), nullptr, IdentityMatrix(), "upper");
  AddFrame(object.get(), upper, Translation(1, 0, 0), "forearm");
  AttachMesh(upperSkin, QuadFacingPlusZ(0, -0.1f, 1, 0.1f, 0), FrontQuadIndices(), 1, 0, 0);
  sMesh* forearm =
      AttachMesh(forearmSkin, QuadFacingPlusZ(1, -0.1f, 2, 0.1f, 0), FrontQuadIndices(), 0, 1, 0);
  const float share = shape.sharedWeights ? 0.5f : 1.0f;
  AddBone(forearm, "forearm", Translation(-1, 0, 0),
          {{0, share}, {1, share}, {2, share}, {3, share}});
  if (shape.sharedWeights) {
    AddBone(forearm, "upper", IdentityMatrix(), {{0, share}, {1, share}, {2, share}, {3, share}});
  }
  if (shape.animated) {
    AddTrack(object.get(), "forearm", 10, {{0, 0}, {10, kHalfPi}},
             {{0, {1, 0, 0}, {0, 0, 0}}, {10, {1, 0, 0}, {0, 0, 0}}});
  }
  return object;
}

}  // namespace korva::testing

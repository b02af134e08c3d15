// Objects whose data does not hold together: the renderer draws what it can, says what it left
// out, and never reads past a buffer or follows a link forever.
#include <gtest/gtest.h>

#include <string>

#include "object_builder.h"
#include "picture_checks.h"
#include "render/render_object.h"

namespace korva::testing {
namespace {
using render::Color;
using render::Image;

render::RenderOptions Plain() {
  render::RenderOptions options;
  options.view = render::View::kFront;
  options.size = 64;
  options.background = kBackground;
  options.lighting = false;
  return options;
}

bool AnyWarningMentions(const render::RenderResult& result, const std::string& text) {
  for (const std::string& warning : result.warnings) {
    if (warning.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(RenderInput, UnreadableMeshesAreSkippedWithAWarningAndTheRestIsDrawn) {
  ObjectHandle object = NewEmptyObject();
  AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "good"),
             QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 0, 0);
  sMesh* pretransformed = AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "xyzrhw"),
                                     QuadFacingPlusZ(-9, -9, 9, 9, 0), FrontQuadIndices(), 0, 1, 0);
  pretransformed->fvf = 0x004 | 0x040;
  sMesh* narrow = AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "narrow"),
                             QuadFacingPlusZ(-9, -9, 9, 9, 0), FrontQuadIndices(), 0, 1, 0);
  narrow->vertexSize = 24;  // the FVF needs 36 bytes a vertex
  sMesh* points = AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "points"),
                             QuadFacingPlusZ(-9, -9, 9, 9, 0), FrontQuadIndices(), 0, 1, 0);
  points->primitiveType = 1;

  const render::RenderResult result = RenderObject(*object, Plain(), nullptr);
  EXPECT_EQ(result.trianglesDrawn, 2);
  // Only the good quad counts for the framing, so it fills the picture less the margin.
  EXPECT_GT(CountColor(result.image, kRed), 50 * 50);
  EXPECT_TRUE(AnyWarningMentions(result, "\"xyzrhw\" skipped"));
  EXPECT_TRUE(AnyWarningMentions(result, "\"narrow\" skipped"));
  EXPECT_TRUE(AnyWarningMentions(result, "\"points\" skipped"));
}

TEST(RenderInput, TrianglesWithIndicesPastTheVerticesAreLeftOut) {
  ObjectHandle object = NewEmptyObject();
  sMesh* mesh = AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "quad"),
                           QuadFacingPlusZ(-1, -1, 1, 1, 0), {0, 1, 2, 0, 2, 4000}, 1, 0, 0);
  mesh->drawPrimitiveCount = 5;  // more than the six indices hold

  const render::RenderResult result = RenderObject(*object, Plain(), nullptr);
  EXPECT_EQ(result.trianglesDrawn, 1);
  EXPECT_TRUE(AnyWarningMentions(result, "draws 2 of 5 primitives"));
  EXPECT_TRUE(AnyWarningMentions(result, "1 triangles skipped"));
}

TEST(RenderInput, FrameLinksThatLoopAreWalkedOnce) {
  ObjectHandle object = NewEmptyObject();
  sFrame* root = AddFrame(object.get(), nullptr, IdentityMatrix(), "root");
  AttachMesh(root, QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 0, 0);
  sFrame* child = AddFrame(object.get(), root, IdentityMatrix(), "child");
  child->firstChild = root;  // a loop back to the top

  const render::RenderResult result = RenderObject(*object, Plain(), nullptr);
  child->firstChild = nullptr;  // so the object can be released
  EXPECT_EQ(result.trianglesDrawn, 2);
  EXPECT_TRUE(AnyWarningMentions(result, "twice"));
}

TEST(RenderInput, DeepFrameChainsNeedNoDeepStack) {
  // Each frame moves its child a little further; the last one carries the mesh.
  constexpr int kDepth = 20000;
  ObjectHandle object = NewEmptyObject();
  sFrame* frame = AddFrame(object.get(), nullptr, IdentityMatrix(), "top");
  for (int i = 0; i < kDepth; ++i)
    frame = AddFrame(object.get(), frame, Translation(0.001f, 0, 0), "link");
  AttachMesh(frame, QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 0, 0);

  const render::RenderResult result = RenderObject(*object, Plain(), nullptr);
  EXPECT_EQ(result.trianglesDrawn, 2);
  EXPECT_GT(CountColor(result.image, kRed), 0);
}

}  // namespace
}  // namespace korva::testing

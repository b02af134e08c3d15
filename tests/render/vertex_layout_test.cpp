// Which vertex formats the renderer reads, and where: it needs a plain 3-float position and takes
// the rest from the shared vertex-format module.
#include "render/vertex_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>

namespace korva::render {
namespace {

TEST(VertexLayoutTest, FvfCodesWithoutAPlainPositionOrWithTooManySetsAreRefused) {
  struct Case {
    uint32_t fvf;
    bool readable;
    int stride = 0, normal = -1, diffuse = -1, texcoord = -1, texcoordFloats = 0;
  };
  const Case cases[] = {
      {0x152, true, 36, 12, 24, 28, 2},
      {0x00A | 0x0E0 | 0x100 | (3u << 16), true, 40, -1, 28, 36, 1},  // blend, psize, specular
      {0x004 | 0x040, false},                                         // pre-transformed
      {0x4002, false},                                                // xyzw
      {0x010, false},                                                 // no position
      {0x002 | 0x900, false},                                         // 9 texture sets
  };
  for (const Case& c : cases) {
    VertexLayout layout;
    std::string why;
    ASSERT_EQ(LayoutFromFvf(c.fvf, &layout, &why), c.readable) << std::hex << c.fvf;
    if (!c.readable) {
      EXPECT_FALSE(why.empty());
      continue;
    }
    EXPECT_EQ(layout.position, 0);
    EXPECT_EQ(layout.stride, c.stride) << std::hex << c.fvf;
    EXPECT_EQ(layout.normal, c.normal) << std::hex << c.fvf;
    EXPECT_EQ(layout.diffuse, c.diffuse) << std::hex << c.fvf;
    EXPECT_EQ(layout.texcoord, c.texcoord) << std::hex << c.fvf;
    EXPECT_EQ(layout.texcoordFloats, c.texcoordFloats) << std::hex << c.fvf;
  }
}

TEST(VertexLayoutTest, DeclaredMeshesNeedAPositionAndRoomForWhatIsRead) {
  auto mesh = std::make_unique<sMesh>();
  mesh->fvf = 0;
  const D3DVERTEXELEMENT9 declaration[] = {
      {0, 4, 3, 0, 5, 0},   // texture coordinates, float4
      {0, 20, 2, 0, 0, 0},  // position
      {0, 32, 5, 0, 6, 0},  // a tangent the renderer does not read
      {0xFF, 0, 17, 0, 0, 0},
  };
  std::copy(std::begin(declaration), std::end(declaration), mesh->declaration);
  mesh->vertexSize = 32;
  VertexLayout layout;
  std::string why;
  ASSERT_TRUE(LayoutOfMesh(*mesh, &layout, &why)) << why;
  EXPECT_EQ(layout.position, 20);
  EXPECT_EQ(layout.texcoord, 4);
  EXPECT_EQ(layout.texcoordFloats, 4);
  EXPECT_EQ(layout.stride, 32);
  mesh->vertexSize = 31;
  EXPECT_FALSE(LayoutOfMesh(*mesh, &layout, &why));

  mesh->declaration[1].Usage = 3;  // the position becomes a normal
  mesh->vertexSize = 64;
  EXPECT_FALSE(LayoutOfMesh(*mesh, &layout, &why));
  EXPECT_EQ(why, "the vertex declaration has no position");
}

}  // namespace
}  // namespace korva::render

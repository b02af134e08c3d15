#include "commands/vertex_format.h"

#include <gtest/gtest.h>

namespace korva::commands {
namespace {

TEST(VertexFormatTest, FvfCodesGiveSizeAndDiffuseOffset) {
  struct Case {
    uint32_t fvf;
    uint32_t size;
    int32_t diffuse;
  };
  const Case cases[] = {
      {0x152, 36, 24},                   // xyz, normal, diffuse, one texture set
      {0x252, 44, 24},                   // xyz, normal, diffuse, two texture sets
      {0x112, 32, kNoDiffuse},           // no diffuse
      {0x044, 20, 16},                   // xyzrhw, diffuse
      {0x4042, 20, 16},                  // xyzw, diffuse
      {0x006 | 0x040, 20, 16},           // one blend weight
      {0x00E | 0x040, 36, 32},           // five blend weights
      {0x1000 | 0x008 | 0x040, 24, 20},  // two blend weights; the last-beta flag adds no bytes
      {0x0E2, 24, 16},                   // xyz, point size, diffuse, specular
      {0x342 | (1u << 16) | (2u << 18) | (3u << 20), 12 + 4 + 12 + 16 + 4, 12},
  };
  for (const Case& c : cases) {
    const VertexLayout layout = LayoutFromFvf(c.fvf);
    EXPECT_EQ(layout.size, c.size) << std::hex << c.fvf;
    EXPECT_EQ(layout.diffuseOffset, c.diffuse) << std::hex << c.fvf;
  }
}

TEST(VertexFormatTest, DeclarationGivesStreamZeroSizeAndPackedColourOfIndexZero) {
  D3DVERTEXELEMENT9 elements[8] = {
      {0, 0, 2, 0, 0, 0},                            // position
      {0, 12, 3, 0, 10, 0},                          // a float4 colour: not a packed colour
      {0, 28, 4, 0, 10, 1},                          // packed colour of index 1
      {1, 40, 3, 0, 0, 0},                           // another stream: not part of this vertex data
      {0, 32, 4, 0, 10, 0},                          // the diffuse colour
      {0xFF, 0, 17, 0, 0, 0}, {0, 100, 3, 0, 0, 0},  // after the end marker: ignored
  };
  VertexLayout layout = LayoutFromDeclaration(elements, 8);
  EXPECT_EQ(layout.size, 36u);
  EXPECT_EQ(layout.diffuseOffset, 32);

  elements[4].Usage = 3;
  layout = LayoutFromDeclaration(elements, 8);
  EXPECT_EQ(layout.diffuseOffset, kNoDiffuse);
}

}  // namespace
}  // namespace korva::commands

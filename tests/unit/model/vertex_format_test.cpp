// The one home of vertex formats: the colour commands, the standalone host's vertex sizes and the
// renderer all read vertices where these layouts say.
#include "model/vertex_format.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

TEST(VertexFormatTest, FvfCodesGiveSizeAndElementOffsets) {
  struct Case {
    uint32_t fvf;
    uint32_t size;
    int32_t normal, diffuse, specular, texcoord0;
  };
  constexpr int32_t no = kNoElement;
  const Case cases[] = {
      {0x152, 36, 12, 24, no, 28},                   // xyz, normal, diffuse, one texture set
      {0x252, 44, 12, 24, no, 28},                   // xyz, normal, diffuse, two texture sets
      {0x112, 32, 12, no, no, 24},                   // no diffuse
      {0x044, 20, no, 16, no, no},                   // xyzrhw, diffuse
      {0x4042, 20, no, 16, no, no},                  // xyzw, diffuse
      {0x006 | 0x040, 20, no, 16, no, no},           // one blend weight
      {0x00E | 0x040, 36, no, 32, no, no},           // five blend weights
      {0x006 | 0x010, 28, 16, no, no, no},           // one blend weight, normal
      {0x1000 | 0x008 | 0x040, 24, no, 20, no, no},  // the last-beta flag adds no bytes
      {0x0E2, 24, no, 16, 20, no},                   // xyz, point size, diffuse, specular
      {0x342 | (1u << 16) | (2u << 18) | (3u << 20), 12 + 4 + 12 + 16 + 4, no, 12, no, 16},
      {0x002 | 0x100 | (3u << 16), 16, no, no, no, 12},  // a set of 1 float
      {0x002 | 0xF00, 12 + 8 * 8, no, no, no, 12},       // 15 sets stated, 8 laid out
      {0x4002, 16, no, no, no, no},                      // position with w
      {0x00E, 32, no, no, no, no},                       // position with five blend weights
      {0x002 | 0x020 | 0x080, 20, no, no, 16, no},       // point size, specular
      {0x002 | 0x200 | (1u << 18), 32, no, no, no, 12},  // sets of 2 and 3 floats
      {0x002 | 0x100 | (2u << 16), 28, no, no, no, 12},  // a set of 4 floats
      {0x4000, 0, no, no, no, no},                       // no position bits: nothing to size
      {0, 0, no, no, no, no},
  };
  for (const Case& c : cases) {
    const VertexFormat format = FormatFromFvf(c.fvf);
    EXPECT_EQ(format.size, c.size) << std::hex << c.fvf;
    EXPECT_EQ(format.normal.offset, c.normal) << std::hex << c.fvf;
    EXPECT_EQ(format.diffuse.offset, c.diffuse) << std::hex << c.fvf;
    EXPECT_EQ(format.specular.offset, c.specular) << std::hex << c.fvf;
    EXPECT_EQ(format.texcoords[0].offset, c.texcoord0) << std::hex << c.fvf;
  }
  EXPECT_EQ(FormatFromFvf(0x002 | 0x200 | (1u << 18)).texcoords[1].bytes(), 12u);
  EXPECT_EQ(FormatFromFvf(0x002 | 0xF00).statedTexcoordSets, 15u);
}

TEST(VertexFormatTest, FvfPositionKinds) {
  using Position = VertexFormat::Position;
  EXPECT_EQ(FormatFromFvf(0x002).positionKind, Position::kXyz);
  EXPECT_EQ(FormatFromFvf(0x004).positionKind, Position::kTransformed);
  EXPECT_EQ(FormatFromFvf(0x4002).positionKind, Position::kXyzw);
  EXPECT_EQ(FormatFromFvf(0x00A).positionKind, Position::kXyzBlend);
  EXPECT_EQ(FormatFromFvf(0x00A).blendWeights, 3u);
  EXPECT_EQ(FormatFromFvf(0x4004).positionKind, Position::kNone);
  EXPECT_EQ(FormatFromFvf(0x010).positionKind, Position::kNone);
}

TEST(VertexFormatTest, DeclarationGivesStreamZeroSizeAndTheFirstUsableElementOfEachRole) {
  D3DVERTEXELEMENT9 elements[8] = {
      {0, 0, 2, 0, 0, 0},                            // position
      {0, 12, 3, 0, 10, 0},                          // a float4 colour: not a packed colour
      {0, 28, 4, 0, 10, 1},                          // packed colour of index 1: specular
      {1, 40, 3, 0, 0, 0},                           // another stream: not part of this vertex data
      {0, 32, 4, 0, 10, 0},                          // the diffuse colour
      {0xFF, 0, 17, 0, 0, 0}, {0, 100, 3, 0, 0, 0},  // after the end marker: ignored
  };
  VertexFormat format = FormatFromDeclaration(elements, 8);
  EXPECT_EQ(format.size, 36u);
  EXPECT_EQ(format.position.offset, 0);
  EXPECT_EQ(format.positionKind, VertexFormat::Position::kXyz);
  EXPECT_EQ(format.diffuse.offset, 32);
  EXPECT_EQ(format.specular.offset, 28);

  elements[4].Usage = 3;  // a packed-colour normal: no diffuse, and no normal either
  format = FormatFromDeclaration(elements, 8);
  EXPECT_EQ(format.diffuse.offset, kNoElement);
  EXPECT_EQ(format.normal.offset, kNoElement);
}

}  // namespace
}  // namespace korva

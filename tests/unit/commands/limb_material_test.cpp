#include <cstring>
#include <limits>
#include <vector>

#include "fake_host.h"
#include "host/exports.h"
#include "model/host_heap.h"

namespace korva::testing {
namespace {

using LimbMaterialTest = CommandsTest;

using Setter = void (*)(int32_t, int32_t, uint32_t);
using Getter = uint32_t (*)(int32_t, int32_t);

void SetSpecularPower20(int32_t object, int32_t limb, uint32_t colour) {
  SetLimbSpecular(object, limb, colour, 20);
}

struct ColourCommands {
  Setter set;
  Getter get;
  D3DCOLORVALUE D3DMATERIAL9::*field;
};

const ColourCommands kColours[] = {
    {&SetLimbAmbience, &GetLimbAmbience, &D3DMATERIAL9::Ambient},
    {&SetLimbDiffuse, &GetLimbDiffuse, &D3DMATERIAL9::Diffuse},
    {&SetLimbEmissive, &GetLimbEmissive, &D3DMATERIAL9::Emissive},
    {&SetSpecularPower20, &GetLimbSpecular, &D3DMATERIAL9::Specular},
};

TEST_F(LimbMaterialTest, SetDiffuseStoresEachChannelAsNearestFloatOfByteOver255) {
  sMesh* mesh = AddObject(1, 2)->meshList[1];
  SetLimbDiffuse(1, 1, 0x80FF4000u);
  EXPECT_EQ(mesh->material.Diffuse.r, 1.0f);
  EXPECT_EQ(mesh->material.Diffuse.g, static_cast<float>(64.0 / 255.0));
  EXPECT_EQ(mesh->material.Diffuse.b, 0.0f);
  EXPECT_EQ(mesh->material.Diffuse.a, static_cast<float>(128.0 / 255.0));
}

TEST_F(LimbMaterialTest, EverySetterRoundTripsEveryChannelValueThroughItsGetter) {
  AddObject(1, 1);
  for (const ColourCommands& colour : kColours) {
    for (uint32_t byte = 0; byte < 256; ++byte) {
      const uint32_t packed = byte << 24 | (255 - byte) << 16 | byte << 8 | (byte ^ 0x5A);
      colour.set(1, 0, packed);
      ASSERT_EQ(colour.get(1, 0), packed) << "byte " << byte;
    }
    colour.set(1, 0, 0x01020304u);
    EXPECT_EQ(colour.get(1, 0), 0x01020304u);
    colour.set(1, 0, 0xFFFFFFFFu);
    EXPECT_EQ(colour.get(1, 0), 0xFFFFFFFFu);
  }
}

TEST_F(LimbMaterialTest, GetterTruncatesAndLetsChannelsCarryIntoTheirNeighbours) {
  sMesh* mesh = AddObject(1, 1)->meshList[0];
  mesh->material.Diffuse = {0.5f, 1.0f, 0.0f, 0.0f};
  EXPECT_EQ(GetLimbDiffuse(1, 0), 0x007FFF00u);  // 0.5 reads 127, 1.0 reads 255

  mesh->material.Diffuse = {2.0f, 0.0f, 0.0f, 0.0f};
  EXPECT_EQ(GetLimbDiffuse(1, 0), 0x01FE0000u);  // red 510 carries into alpha

  mesh->material.Diffuse = {0.0f, -1.0f / 255.0f, 0.0f, 0.0f};
  EXPECT_EQ(GetLimbDiffuse(1, 0), 0xFFFFFF00u);  // a negative green borrows from the bytes above

  mesh->material.Diffuse = {0.0f, 0.0f, 0.0f, 0.0f};
  mesh->material.Diffuse.b = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(GetLimbDiffuse(1, 0), 0u);
  mesh->material.Diffuse.b = std::numeric_limits<float>::infinity();
  EXPECT_EQ(GetLimbDiffuse(1, 0), 0u);
}

TEST_F(LimbMaterialTest, OnlySettersSwitchToOwnMaterialAndOnlySpecularTouchesPower) {
  sMesh* mesh = AddObject(1, 1)->meshList[0];
  for (const ColourCommands& colour : kColours) {
    mesh->usesOwnMaterial = 0;
    mesh->usesMaterialList = 1;
    mesh->material.Power = 3.0f;
    const D3DMATERIAL9 before = mesh->material;
    colour.set(1, 0, 0xFF000000u);
    EXPECT_EQ(mesh->usesOwnMaterial, 1);
    EXPECT_EQ(mesh->usesMaterialList, 0);
    EXPECT_EQ((mesh->material.*colour.field).a, 1.0f);
    EXPECT_EQ(mesh->material.Power, colour.set == &SetSpecularPower20 ? 20.0f : 3.0f);
    // The other three colours are untouched.
    for (const ColourCommands& other : kColours) {
      if (other.field == colour.field) continue;
      EXPECT_EQ(std::memcmp(&(mesh->material.*other.field), &(before.*other.field),
                            sizeof(D3DCOLORVALUE)),
                0);
    }
  }
  SetLimbSpecular(1, 0, 0, -7);
  EXPECT_EQ(mesh->material.Power, -7.0f);

  // Getters neither read nor change the flags.
  mesh->usesOwnMaterial = 0;
  mesh->usesMaterialList = 1;
  for (const ColourCommands& colour : kColours) colour.get(1, 0);
  EXPECT_EQ(mesh->usesOwnMaterial, 0);
  EXPECT_EQ(mesh->usesMaterialList, 1);
}

TEST_F(LimbMaterialTest, UnreachableMeshesAreNeitherReadNorWritten) {
  sObject* object = AddObject(1, 2);
  object->meshList[1] = nullptr;  // an empty entry; the frame still owns the mesh
  sMesh* mesh = object->frameList[1]->mesh;
  mesh->material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  const sMesh before = *object->meshList[0];

  for (const ColourCommands& colour : kColours) {
    for (const auto& [number, limb] :
         std::vector<std::pair<int32_t, int32_t>>{{2, 0}, {1, -1}, {1, 1}, {1, 2}, {1, 1 << 30}}) {
      colour.set(number, limb, 0x12345678u);
      EXPECT_EQ(colour.get(number, limb), 0u);
      ColorLimb(number, limb, 0x12345678u);
    }
  }
  EXPECT_EQ(std::memcmp(object->meshList[0], &before, sizeof before), 0);
  EXPECT_EQ(mesh->usesOwnMaterial, 0);

  sMesh** list = object->meshList;
  object->meshList = nullptr;
  EXPECT_EQ(GetLimbAmbience(1, 0), 0u);
  object->meshList = list;
}

TEST_F(LimbMaterialTest, CommandsBeforeBindingDoNothing) {
  AddObject(1, 1);
  g_plugin.api.GetObjectA = nullptr;
  SetLimbDiffuse(1, 0, 0);
  EXPECT_EQ(GetLimbDiffuse(1, 0), 0u);
}

// Vertex data of `count` vertices of `size` bytes filled with 0xEE, with FVF code `fvf`.
void GiveVertices(sMesh* mesh, uint32_t fvf, uint32_t size, int32_t count, int32_t drawCount) {
  mesh->fvf = fvf;
  mesh->vertexSize = size;
  mesh->vertexCount = count;
  mesh->drawVertexCount = drawCount;
  mesh->vertexData = static_cast<uint8_t*>(HostAllocate(size * count));
  std::memset(mesh->vertexData, 0xEE, size * count);
}

// The bytes the colour should have produced: 0xEE except the colour at `offset` of the first
// `written` vertices.
std::vector<uint8_t> Expected(uint32_t size, int32_t count, uint32_t offset, int32_t written,
                              uint32_t colour) {
  std::vector<uint8_t> bytes(size * count, 0xEE);
  for (int32_t i = 0; i < written; ++i) std::memcpy(&bytes[i * size + offset], &colour, 4);
  return bytes;
}

std::vector<uint8_t> Bytes(const sMesh* mesh) {
  return {mesh->vertexData, mesh->vertexData + mesh->vertexSize * mesh->vertexCount};
}

TEST_F(LimbMaterialTest, ColorLimbWritesAtTheMeshesOwnDiffuseOffsetAndStride) {
  sObject* object = AddObject(1, 3);
  const uint32_t colour = 0xA1B2C3D4u;
  GiveVertices(object->meshList[0], 0x152, 36, 5, 5);  // the import's vertex
  GiveVertices(object->meshList[1], 0x252, 44, 4, 4);  // the host's standard vertex
  // A declaration: position, normal, colour at 24, two texture sets; 40 bytes.
  sMesh* declared = object->meshList[2];
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, 2, 0, 0, 0},   {0, 12, 2, 0, 3, 0},
                                        {0, 24, 4, 0, 10, 0}, {0, 28, 1, 0, 5, 0},
                                        {0, 36, 0, 0, 5, 1},  {0xFF, 0, 17, 0, 0, 0}};
  GiveVertices(declared, 0, 40, 3, 3);
  std::memcpy(declared->declaration, elements, sizeof elements);

  for (int32_t limb = 0; limb < 3; ++limb) ColorLimb(1, limb, colour);
  EXPECT_EQ(Bytes(object->meshList[0]), Expected(36, 5, 24, 5, colour));
  EXPECT_EQ(Bytes(object->meshList[1]), Expected(44, 4, 24, 4, colour));
  EXPECT_EQ(Bytes(declared), Expected(40, 3, 24, 3, colour));
}

TEST_F(LimbMaterialTest, ColorLimbWritesNoMoreVerticesThanTheDataHolds) {
  sObject* object = AddObject(1, 3);
  GiveVertices(object->meshList[0], 0x152, 36, 3, 10);  // draw count past the data
  GiveVertices(object->meshList[1], 0x152, 36, 4, 2);
  GiveVertices(object->meshList[2], 0x152, 36, 4, 0);
  for (int32_t limb = 0; limb < 3; ++limb) ColorLimb(1, limb, 7);
  EXPECT_EQ(Bytes(object->meshList[0]), Expected(36, 3, 24, 3, 7));
  EXPECT_EQ(Bytes(object->meshList[1]), Expected(36, 4, 24, 2, 7));
  EXPECT_EQ(Bytes(object->meshList[2]), Expected(36, 4, 24, 0, 7));
}

TEST_F(LimbMaterialTest, ColorLimbLeavesMeshesWithoutDiffuseOrRoomForItAlone) {
  sObject* object = AddObject(1, 3);
  GiveVertices(object->meshList[0], 0x112, 32, 4, 4);  // position, normal, one texture set
  GiveVertices(object->meshList[1], 0x252, 36, 4, 4);  // layout wider than the recorded size
  sMesh* noData = object->meshList[2];
  noData->fvf = 0x152;
  noData->vertexCount = noData->drawVertexCount = 4;
  for (int32_t limb = 0; limb < 3; ++limb) ColorLimb(1, limb, 7);
  EXPECT_EQ(Bytes(object->meshList[0]), Expected(32, 4, 0, 0, 7));
  EXPECT_EQ(Bytes(object->meshList[1]), Expected(36, 4, 0, 0, 7));
  EXPECT_EQ(object->meshList[0]->usesOwnMaterial, 0);
}

}  // namespace
}  // namespace korva::testing

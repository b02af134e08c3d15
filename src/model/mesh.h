// sMesh: a mesh of a frame with its vertex and index data, material, textures, material list and
// bones (1272 bytes, a binary contract with the host).
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/d3d_types.h"
#include "model/host_layout.h"

namespace korva {

struct sBone;
struct sFrame;
struct sSubMaterial;
struct sTexture;

constexpr uint32_t kPrimitiveTriangleList = 4;
constexpr int kDeclarationElements = 65;

KORVA_HOST_RECORDS_BEGIN
struct sMesh {
  int32_t host000;
  uint32_t fvf;         // 0: the layout is given by `declaration`
  uint32_t vertexSize;  // bytes per vertex
  int32_t host00C;      // the import sets 0
  void* hostBuffer010;  // owned
  uint8_t* vertexData;  // vertexCount x vertexSize bytes (owned)
  uint16_t* indexData;  // indexCount entries (owned)
  int32_t vertexCount;
  int32_t indexCount;
  uint32_t primitiveType;      // a Direct3D 9 primitive type
  int32_t drawVertexCount;     // number of vertices to draw
  int32_t drawPrimitiveCount;  // number of primitives to draw
  void* hostBuffer030;         // owned
  uint8_t host034[12];
  uint8_t usesEffect;  // the effect file name is then saved
  uint8_t host041;
  uint8_t effectShared;  // while 0 the mesh owns `effect`
  uint8_t host043;
  D3DVERTEXELEMENT9 declaration[kDeclarationElements];
  uint8_t host24C[12];
  void* effect;  // host object; first virtual slot: its deleting destructor
  char effectFile[256];
  uint8_t host35C[12];
  sBone* bones;  // counted array, boneCount elements (owned)
  int32_t boneCount;
  void* hostBuffer370;      // owned
  void* hostBuffer374;      // owned
  uint8_t usesOwnMaterial;  // `material` is in use
  uint8_t host379;
  uint8_t usesMaterialList;  // `materialList` is in use
  uint8_t host37B;
  int32_t textureCount;
  int32_t materialListCount;
  uint8_t host384[4];
  sTexture* textures;          // counted array, textureCount elements (owned)
  sSubMaterial* materialList;  // plain block, materialListCount entries (owned)
  void* hostBuffer390;         // owned
  D3DMATERIAL9 material;
  void* hostBuffer3D8;  // owned
  uint8_t host3DC[48];
  uint8_t renderSwitches[6];  // saved under codes 129 to 134
  uint8_t host412[2];
  int32_t hostValue166;
  uint8_t renderSwitch135;
  uint8_t renderSwitch140;
  uint8_t renderSwitch159;
  uint8_t renderSwitch160;
  int32_t hostValue136;
  uint8_t renderSwitch156;
  uint8_t padding421[3];
  float hostValue157;
  float hostValue158;
  uint8_t host42C[32];
  sFrame* frames;  // counted array of whole frame records, frameCount elements
  int32_t frameCount;
  uint8_t host454[28];
  uint8_t renderSwitch137;
  uint8_t host471[103];
  int32_t hostValue155;
  uint8_t host4DC[28];
};
KORVA_HOST_RECORDS_END

#if KORVA_HOST_LAYOUT
static_assert(sizeof(sMesh) == 1272);
static_assert(offsetof(sMesh, fvf) == 0x004);
static_assert(offsetof(sMesh, vertexSize) == 0x008);
static_assert(offsetof(sMesh, host00C) == 0x00C);
static_assert(offsetof(sMesh, hostBuffer010) == 0x010);
static_assert(offsetof(sMesh, vertexData) == 0x014);
static_assert(offsetof(sMesh, indexData) == 0x018);
static_assert(offsetof(sMesh, vertexCount) == 0x01C);
static_assert(offsetof(sMesh, indexCount) == 0x020);
static_assert(offsetof(sMesh, primitiveType) == 0x024);
static_assert(offsetof(sMesh, drawVertexCount) == 0x028);
static_assert(offsetof(sMesh, drawPrimitiveCount) == 0x02C);
static_assert(offsetof(sMesh, hostBuffer030) == 0x030);
static_assert(offsetof(sMesh, host034) == 0x034);
static_assert(offsetof(sMesh, usesEffect) == 0x040);
static_assert(offsetof(sMesh, effectShared) == 0x042);
static_assert(offsetof(sMesh, declaration) == 0x044);
static_assert(offsetof(sMesh, host24C) == 0x24C);
static_assert(offsetof(sMesh, effect) == 0x258);
static_assert(offsetof(sMesh, effectFile) == 0x25C);
static_assert(offsetof(sMesh, host35C) == 0x35C);
static_assert(offsetof(sMesh, bones) == 0x368);
static_assert(offsetof(sMesh, boneCount) == 0x36C);
static_assert(offsetof(sMesh, hostBuffer370) == 0x370);
static_assert(offsetof(sMesh, hostBuffer374) == 0x374);
static_assert(offsetof(sMesh, usesOwnMaterial) == 0x378);
static_assert(offsetof(sMesh, usesMaterialList) == 0x37A);
static_assert(offsetof(sMesh, textureCount) == 0x37C);
static_assert(offsetof(sMesh, materialListCount) == 0x380);
static_assert(offsetof(sMesh, host384) == 0x384);
static_assert(offsetof(sMesh, textures) == 0x388);
static_assert(offsetof(sMesh, materialList) == 0x38C);
static_assert(offsetof(sMesh, hostBuffer390) == 0x390);
static_assert(offsetof(sMesh, material) == 0x394);
static_assert(offsetof(sMesh, hostBuffer3D8) == 0x3D8);
static_assert(offsetof(sMesh, host3DC) == 0x3DC);
static_assert(offsetof(sMesh, renderSwitches) == 0x40C);
static_assert(offsetof(sMesh, host412) == 0x412);
static_assert(offsetof(sMesh, hostValue166) == 0x414);
static_assert(offsetof(sMesh, renderSwitch135) == 0x418);
static_assert(offsetof(sMesh, renderSwitch140) == 0x419);
static_assert(offsetof(sMesh, renderSwitch159) == 0x41A);
static_assert(offsetof(sMesh, renderSwitch160) == 0x41B);
static_assert(offsetof(sMesh, hostValue136) == 0x41C);
static_assert(offsetof(sMesh, renderSwitch156) == 0x420);
static_assert(offsetof(sMesh, hostValue157) == 0x424);
static_assert(offsetof(sMesh, hostValue158) == 0x428);
static_assert(offsetof(sMesh, host42C) == 0x42C);
static_assert(offsetof(sMesh, frames) == 0x44C);
static_assert(offsetof(sMesh, frameCount) == 0x450);
static_assert(offsetof(sMesh, host454) == 0x454);
static_assert(offsetof(sMesh, renderSwitch137) == 0x470);
static_assert(offsetof(sMesh, host471) == 0x471);
static_assert(offsetof(sMesh, hostValue155) == 0x4D8);
static_assert(offsetof(sMesh, host4DC) == 0x4DC);
#endif

// Fills `mesh` with the host's defaults: triangle list, white diffuse and ambient material, render
// switches 0,1,1,1,1,0 and the other listed switches, every other byte zero.
void ConstructMesh(sMesh* mesh);

// Releases what the mesh owns: effect object (unless shared), buffers, bones, textures, material
// list and the frame records it holds; every freed pointer is nulled, so a second call does
// nothing.
void ReleaseMesh(sMesh* mesh);

// A constructed mesh from the host heap, or null.
sMesh* NewMesh();

// ReleaseMesh, then frees the record. Null is allowed.
void DeleteMesh(sMesh* mesh);

}  // namespace korva

// The DBO block format: header, block codes and the encodings they share. A block is a DWORD code,
// a DWORD size and a payload; every list of blocks ends with the pair (0, 0).
#pragma once

#include <cstdint>

namespace korva::dbo {

constexpr char kMagic[] = "MAGICDBO";
constexpr uint32_t kMagicLength = 8;
constexpr uint32_t kFormatVersion = 1062;
constexpr uint32_t kPairBytes = 8;  // code and size; also the length of a terminator
constexpr uint32_t kNameCharacters = 255;
constexpr uint32_t kDeclarationBytes = 520;

enum Code : uint32_t {
  kEnd = 0,
  kRootFrame = 1,
  kAnimationSets = 2,

  kFrameName = 101,
  kFrameMatrix = 102,
  kFrameMesh = 103,
  kFrameChild = 104,
  kFrameSibling = 105,
  kFrameOffset = 106,
  kFrameRotation = 107,
  kFrameScale = 108,

  kMeshFvf = 111,
  kMeshVertexSize = 112,
  kMeshVertexCount = 113,
  kMeshIndexCount = 114,
  kMeshVertexData = 115,
  kMeshIndexData = 116,
  kMeshPrimitiveType = 117,
  kMeshDrawVertices = 118,
  kMeshDrawPrimitives = 119,
  kMeshDeclaration = 120,
  kMeshBoneCount = 121,
  kMeshBones = 122,
  kMeshUsesMaterialList = 123,
  kMeshMaterialListCount = 124,
  kMeshUsesOwnMaterial = 125,
  kMeshMaterial = 126,
  kMeshTextureCount = 127,
  kMeshTextures = 128,
  kMeshRenderSwitchFirst = 129,  // 129 to 134: the six render switches at 0x40C
  kMeshRenderSwitchLast = 134,
  kMeshSwitch135 = 135,
  kMeshValue136 = 136,
  kMeshSwitch137 = 137,
  kMeshFrames = 138,
  kMeshMaterialList = 139,
  kMeshSwitch140 = 140,
  kMeshEffectFile = 154,
  kMeshValue155 = 155,
  kMeshSwitch156 = 156,
  kMeshValue157 = 157,
  kMeshValue158 = 158,
  kMeshSwitch159 = 159,
  kMeshSwitch160 = 160,
  kMeshValue166 = 166,

  kTextureName = 141,
  kTextureSettingFirst = 142,  // 142 to 153: the twelve stage settings from 0x10C on
  kTextureSettingLast = 153,

  kEntryName = 161,
  kEntryMaterial = 162,
  kEntryValue163 = 163,
  kEntryValue164 = 164,
  kEntryValue165 = 165,

  kSetName = 201,
  kSetLength = 202,
  kSetFirstTrack = 203,

  kTrackName = 211,
  kTrackPositionCount = 212,
  kTrackPositionKeys = 213,
  kTrackRotationCount = 214,
  kTrackRotationKeys = 215,
  kTrackScaleCount = 216,
  kTrackScaleKeys = 217,
  kTrackMatrixCount = 218,
  kTrackMatrixKeys = 219,
  kTrackNext = 220,

  kBoneName = 301,
  kBoneInfluenceCount = 302,
  kBoneVertices = 303,
  kBoneWeights = 304,
  kBoneOffsetMatrix = 305,

  kTrackBoneDataSwitch = 400,
  kTrackTable = 401,
  kTrackTableCount = 402,
  kTrackOuterCount = 403,
  kTrackInnerCount = 404,
  kTrackMatrixTable = 405,

  kCustomData = 406,
};

// The literal size field of blocks whose payload length comes from their content.
constexpr uint32_t kContentSizedField = 4;

}  // namespace korva::dbo

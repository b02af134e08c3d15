// Animation records: sAnimationSet (296 bytes), its tracks sAnimation (360 bytes) and their keys,
// a binary contract with the host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/d3d_types.h"
#include "model/host_layout.h"

namespace korva {

KORVA_HOST_RECORDS_BEGIN
struct sPositionKey {
  int32_t frame;
  D3DXVECTOR3 position;
  D3DXVECTOR3 step;  // added per frame on the way to the next key
};

struct sRotateKey {
  int32_t frame;
  D3DXQUATERNION rotation;  // x, y, z, w
};

struct sScaleKey {
  int32_t frame;
  D3DXVECTOR3 scale;
  D3DXVECTOR3 step;
};

struct sMatrixKey {
  int32_t frame;
  D3DXMATRIX matrix;
  D3DXMATRIX interpolation;
};

struct sAnimation {
  char name[256];  // name of the frame that the track drives
  int32_t host100;
  int32_t host104;
  int32_t host108;  // 1 by default
  int32_t positionKeyCount;
  int32_t rotationKeyCount;
  int32_t scaleKeyCount;
  int32_t matrixKeyCount;
  sPositionKey* positionKeys;  // owned
  sRotateKey* rotationKeys;    // owned
  sScaleKey* scaleKeys;        // owned
  sMatrixKey* matrixKeys;      // owned
  uint8_t host12C[16];
  int32_t boneDataSwitch;  // while 0 the bone-matrix data below belongs to the track and is saved
  int32_t* table;          // tableCount values (owned)
  int32_t tableCount;
  D3DXMATRIX** matrixTable;  // outerCount arrays of innerCount matrices (owned)
  int32_t outerCount;
  int32_t innerCount;
  uint8_t host154[4];
  sAnimation* next;  // next track of the same set (owned)
  uint8_t host15C[12];
};

struct sAnimationSet {
  char name[256];
  sAnimation* firstTrack;  // owned
  int32_t length;          // in frames
  sAnimationSet* next;     // owned
  uint8_t host10C[28];
};
KORVA_HOST_RECORDS_END

static_assert(sizeof(sPositionKey) == 28);
static_assert(sizeof(sRotateKey) == 20);
static_assert(sizeof(sScaleKey) == 28);
static_assert(sizeof(sMatrixKey) == 132);
static_assert(offsetof(sPositionKey, position) == 4);
static_assert(offsetof(sPositionKey, step) == 16);
static_assert(offsetof(sRotateKey, rotation) == 4);
static_assert(offsetof(sScaleKey, scale) == 4);
static_assert(offsetof(sScaleKey, step) == 16);
static_assert(offsetof(sMatrixKey, matrix) == 4);
static_assert(offsetof(sMatrixKey, interpolation) == 68);

#if KORVA_HOST_LAYOUT
static_assert(sizeof(sAnimation) == 360);
static_assert(offsetof(sAnimation, host100) == 0x100);
static_assert(offsetof(sAnimation, host104) == 0x104);
static_assert(offsetof(sAnimation, host108) == 0x108);
static_assert(offsetof(sAnimation, positionKeyCount) == 0x10C);
static_assert(offsetof(sAnimation, rotationKeyCount) == 0x110);
static_assert(offsetof(sAnimation, scaleKeyCount) == 0x114);
static_assert(offsetof(sAnimation, matrixKeyCount) == 0x118);
static_assert(offsetof(sAnimation, positionKeys) == 0x11C);
static_assert(offsetof(sAnimation, rotationKeys) == 0x120);
static_assert(offsetof(sAnimation, scaleKeys) == 0x124);
static_assert(offsetof(sAnimation, matrixKeys) == 0x128);
static_assert(offsetof(sAnimation, host12C) == 0x12C);
static_assert(offsetof(sAnimation, boneDataSwitch) == 0x13C);
static_assert(offsetof(sAnimation, table) == 0x140);
static_assert(offsetof(sAnimation, tableCount) == 0x144);
static_assert(offsetof(sAnimation, matrixTable) == 0x148);
static_assert(offsetof(sAnimation, outerCount) == 0x14C);
static_assert(offsetof(sAnimation, innerCount) == 0x150);
static_assert(offsetof(sAnimation, host154) == 0x154);
static_assert(offsetof(sAnimation, next) == 0x158);
static_assert(offsetof(sAnimation, host15C) == 0x15C);

static_assert(sizeof(sAnimationSet) == 296);
static_assert(offsetof(sAnimationSet, firstTrack) == 0x100);
static_assert(offsetof(sAnimationSet, length) == 0x104);
static_assert(offsetof(sAnimationSet, next) == 0x108);
static_assert(offsetof(sAnimationSet, host10C) == 0x10C);
#endif

// The track's defaults: host field 0x108 = 1, switch 0x13C = 1, every other byte zero.
void ConstructAnimation(sAnimation* track);

// A constructed track / a zero-filled set from the host heap, or null.
sAnimation* NewAnimation();
sAnimationSet* NewAnimationSet();

// Frees a track's keys and bone-matrix tables (pointers nulled); not its next track.
void ReleaseAnimation(sAnimation* track);

// Frees a whole chain of sets with all their tracks and keys, in loops (no recursion). Null is
// allowed.
void DeleteAnimationSets(sAnimationSet* first);

}  // namespace korva

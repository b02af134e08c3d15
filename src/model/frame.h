// sFrame: one limb of an object's hierarchy (804 bytes, a binary contract with the host).
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/d3d_types.h"
#include "model/host_layout.h"

namespace korva {

struct sMesh;

KORVA_HOST_RECORDS_BEGIN
struct sFrame {
  char name[256];
  int32_t limbNumber;      // the frame's index in the object's frame list
  sFrame* parent;          // not owned
  sFrame* firstChild;      // owned
  sFrame* nextSibling;     // owned by the frame that points to it
  D3DXMATRIX localMatrix;  // relative to the parent
  D3DXMATRIX hostMatrix150;
  D3DXMATRIX hostMatrix190;
  D3DXMATRIX hostMatrix1D0;
  uint8_t hostFlag210;
  uint8_t padding211[3];
  D3DXMATRIX hostMatrix214;
  uint8_t host254[12];
  D3DXMATRIX hostMatrix260;
  D3DXVECTOR3 offset;
  D3DXVECTOR3 scale;
  D3DXVECTOR3 rotation;  // angles about x, y, z
  D3DXVECTOR3 hostVector2C4;
  uint8_t host2D0[40];
  sMesh* mesh;           // owned; may be null
  sMesh* moreMeshes[5];  // owned
  uint8_t hostFlag310;
  uint8_t host311[19];
};
KORVA_HOST_RECORDS_END

#if KORVA_HOST_LAYOUT
static_assert(sizeof(sFrame) == 804);
static_assert(offsetof(sFrame, limbNumber) == 0x100);
static_assert(offsetof(sFrame, parent) == 0x104);
static_assert(offsetof(sFrame, firstChild) == 0x108);
static_assert(offsetof(sFrame, nextSibling) == 0x10C);
static_assert(offsetof(sFrame, localMatrix) == 0x110);
static_assert(offsetof(sFrame, hostMatrix150) == 0x150);
static_assert(offsetof(sFrame, hostMatrix190) == 0x190);
static_assert(offsetof(sFrame, hostMatrix1D0) == 0x1D0);
static_assert(offsetof(sFrame, hostFlag210) == 0x210);
static_assert(offsetof(sFrame, hostMatrix214) == 0x214);
static_assert(offsetof(sFrame, host254) == 0x254);
static_assert(offsetof(sFrame, hostMatrix260) == 0x260);
static_assert(offsetof(sFrame, offset) == 0x2A0);
static_assert(offsetof(sFrame, scale) == 0x2AC);
static_assert(offsetof(sFrame, rotation) == 0x2B8);
static_assert(offsetof(sFrame, hostVector2C4) == 0x2C4);
static_assert(offsetof(sFrame, host2D0) == 0x2D0);
static_assert(offsetof(sFrame, mesh) == 0x2F8);
static_assert(offsetof(sFrame, moreMeshes) == 0x2FC);
static_assert(offsetof(sFrame, hostFlag310) == 0x310);
static_assert(offsetof(sFrame, host311) == 0x311);
#endif

// Fills `frame` with the host's defaults: identity matrices, scale (1,1,1), every other byte zero.
void ConstructFrame(sFrame* frame);

// Releases what the frame owns: its six meshes, then its whole child subtree and every following
// sibling with their subtrees. The frame record itself stays; freed pointers are nulled. Runs in
// constant stack space whatever the depth of the tree.
void ReleaseFrame(sFrame* frame);

// A constructed frame from the host heap, or null.
sFrame* NewFrame();

// ReleaseFrame, then frees the record. Null is allowed.
void DeleteFrame(sFrame* frame);

}  // namespace korva

// Release routines: exactly what is present is freed once, pointers end null, a second release does
// nothing, host objects are called the way the host's compiler expects, and deep data never
// becomes deep recursion.
#include <gtest/gtest.h>

#include <cstring>

#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/sub_material.h"
#include "model/texture.h"
#include "unit/model/counting_heap.h"
#include "unit/model/fake_host_objects.h"

namespace korva {
namespace {
using testing::CountingHeap;
using testing::FakeComTexture;
using testing::FakeEffect;

void* Buffer(size_t bytes = 16) {
  return HostAllocate(bytes);
}

TEST(MeshRelease, FreesOnlyThePresentBuffersAndNullsThem) {
  CountingHeap heap;
  sMesh* mesh = NewMesh();
  mesh->vertexData = static_cast<uint8_t*>(Buffer());
  mesh->hostBuffer374 = Buffer();
  mesh->hostBuffer3D8 = Buffer();
  ReleaseMesh(mesh);
  EXPECT_EQ(heap.live(), 1);  // the record itself
  EXPECT_EQ(mesh->vertexData, nullptr);
  EXPECT_EQ(mesh->hostBuffer374, nullptr);
  EXPECT_EQ(mesh->hostBuffer3D8, nullptr);

  ReleaseMesh(mesh);  // a second release finds nothing
  DeleteMesh(mesh);
  EXPECT_EQ(heap.live(), 0);
  EXPECT_EQ(heap.badFrees(), 0);
}

TEST(MeshRelease, FreesEveryOwnedPartOfAFullMesh) {
  CountingHeap heap;
  sMesh* mesh = NewMesh();
  for (void** buffer : {&mesh->hostBuffer010, &mesh->hostBuffer030, &mesh->hostBuffer370,
                        &mesh->hostBuffer374, &mesh->hostBuffer390, &mesh->hostBuffer3D8}) {
    *buffer = Buffer();
  }
  mesh->vertexData = static_cast<uint8_t*>(Buffer());
  mesh->indexData = static_cast<uint16_t*>(Buffer());
  mesh->bones = NewCountedArray<sBone>(2, ConstructBone);
  mesh->boneCount = 2;
  mesh->bones[1].vertices = static_cast<uint32_t*>(Buffer());
  mesh->bones[1].weights = static_cast<float*>(Buffer());
  mesh->textures = NewCountedArray<sTexture>(2, ConstructTexture);
  mesh->textureCount = 2;
  mesh->materialList = static_cast<sSubMaterial*>(HostAllocateZeroed(3, sizeof(sSubMaterial)));
  mesh->materialListCount = 3;
  mesh->frames = NewCountedArray<sFrame>(2, ConstructFrame);
  mesh->frames[0].mesh = NewMesh();

  DeleteMesh(mesh);
  EXPECT_EQ(heap.live(), 0);
  EXPECT_EQ(heap.badFrees(), 0);
}

TEST(MeshRelease, DestroysAnOwnedEffectWithFlagOneButLeavesASharedOne) {
  FakeEffect owned;
  sMesh mesh;
  ConstructMesh(&mesh);
  mesh.effect = &owned;
  ReleaseMesh(&mesh);
  EXPECT_EQ(owned.destroyed, 1);
  EXPECT_EQ(owned.lastFlags, 1u);
  EXPECT_EQ(mesh.effect, nullptr);
  ReleaseMesh(&mesh);
  EXPECT_EQ(owned.destroyed, 1);

  FakeEffect shared;
  mesh.effect = &shared;
  mesh.effectShared = 1;
  ReleaseMesh(&mesh);
  EXPECT_EQ(shared.destroyed, 0);
}

TEST(TextureRelease, ReleasesTheOwnedInterfaceOnceAndLeavesTheBorrowedOne) {
  FakeComTexture owned;
  FakeComTexture borrowed;
  CountingHeap heap;
  sMesh* mesh = NewMesh();
  mesh->textures = NewCountedArray<sTexture>(2, ConstructTexture);
  mesh->textureCount = 2;
  mesh->textures[0].texture = &borrowed;
  mesh->textures[1].ownedInterface = &owned;
  DeleteMesh(mesh);
  EXPECT_EQ(owned.releases, 1);
  EXPECT_EQ(borrowed.releases, 0);
  EXPECT_EQ(heap.live(), 0);

  sTexture texture;
  ConstructTexture(&texture);
  texture.ownedInterface = &owned;
  ReleaseTexture(&texture);
  ReleaseTexture(&texture);
  EXPECT_EQ(owned.releases, 2);
  EXPECT_EQ(texture.ownedInterface, nullptr);
}

TEST(FrameRelease, ABareFrameFreesNothingButItself) {
  CountingHeap heap;
  sFrame* frame = NewFrame();
  ReleaseFrame(frame);
  EXPECT_EQ(heap.frees(), 0);
  DeleteFrame(frame);
  EXPECT_EQ(heap.live(), 0);
}

TEST(FrameRelease, FreesAllSixMeshesTheSubtreeAndFollowingSiblings) {
  CountingHeap heap;
  sFrame* frame = NewFrame();
  frame->mesh = NewMesh();
  for (sMesh*& mesh : frame->moreMeshes) mesh = NewMesh();
  frame->firstChild = NewFrame();
  frame->firstChild->nextSibling = NewFrame();
  frame->firstChild->nextSibling->mesh = NewMesh();
  frame->nextSibling = NewFrame();
  frame->nextSibling->firstChild = NewFrame();

  ReleaseFrame(frame);
  EXPECT_EQ(heap.live(), 1);
  EXPECT_EQ(frame->mesh, nullptr);
  for (sMesh* mesh : frame->moreMeshes) EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(frame->firstChild, nullptr);
  EXPECT_EQ(frame->nextSibling, nullptr);
  ReleaseFrame(frame);
  HostFree(frame);
  EXPECT_EQ(heap.badFrees(), 0);
}

TEST(DeepData, LongChainsReleaseWithoutDeepRecursion) {
  constexpr int kDepth = 100000;
  CountingHeap heap;
  sFrame* childChain = NewFrame();
  sFrame* siblingChain = NewFrame();
  sFrame* child = childChain;
  sFrame* sibling = siblingChain;
  for (int i = 1; i < kDepth; ++i) {
    child->firstChild = NewFrame();
    child->firstChild->parent = child;
    child = child->firstChild;
    sibling->nextSibling = NewFrame();
    sibling = sibling->nextSibling;
    if (i % 1000 == 0) child->mesh = NewMesh();
  }
  DeleteFrame(childChain);
  DeleteFrame(siblingChain);
  EXPECT_EQ(heap.live(), 0);
}

TEST(DeepData, MeshFramesNestedInMeshFramesReleaseIteratively) {
  constexpr int kDepth = 20000;
  CountingHeap heap;
  sMesh* top = NewMesh();
  sMesh* mesh = top;
  for (int i = 0; i < kDepth; ++i) {
    mesh->frames = NewCountedArray<sFrame>(1, ConstructFrame);
    mesh->frameCount = 1;
    mesh->frames[0].mesh = NewMesh();
    mesh = mesh->frames[0].mesh;
  }
  DeleteMesh(top);
  EXPECT_EQ(heap.live(), 0);
  EXPECT_EQ(heap.badFrees(), 0);
}

TEST(ObjectRelease, FreesTreeAnimationAndCustomDataButNotTheHostLists) {
  CountingHeap heap;
  sObject* object = NewObject();
  object->rootFrame = NewFrame();
  object->rootFrame->mesh = NewMesh();
  object->customData = static_cast<uint8_t*>(Buffer(8));
  object->customDataSize = 8;
  sAnimationSet* set = NewAnimationSet();
  set->next = NewAnimationSet();
  set->firstTrack = NewAnimation();
  set->firstTrack->positionKeys = static_cast<sPositionKey*>(Buffer(sizeof(sPositionKey)));
  set->firstTrack->matrixTable = static_cast<D3DXMATRIX**>(HostAllocateZeroed(2, sizeof(void*)));
  set->firstTrack->outerCount = 2;
  set->firstTrack->matrixTable[1] = static_cast<D3DXMATRIX*>(Buffer(sizeof(D3DXMATRIX)));
  set->firstTrack->next = NewAnimation();
  object->animationSet = set;
  auto** lists = static_cast<sMesh**>(HostAllocateZeroed(1, sizeof(sMesh*)));
  object->meshList = lists;

  ReleaseObjectRecords(object);
  EXPECT_EQ(object->rootFrame, nullptr);
  EXPECT_EQ(object->animationSet, nullptr);
  EXPECT_EQ(object->customData, nullptr);
  EXPECT_EQ(object->customDataSize, 0u);
  EXPECT_EQ(heap.live(), 2);  // the record and the host's mesh list
  EXPECT_TRUE(heap.IsLive(lists));
  ReleaseObjectRecords(object);
  EXPECT_EQ(heap.badFrees(), 0);
  HostFree(lists);
  HostFree(object);
}

}  // namespace
}  // namespace korva

#include "unit/dbo/sample_objects.h"

#include <gtest/gtest.h>

#include <cstring>

#include "dbo/block_reader.h"
#include "dbo/block_writer.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "model/sub_material.h"
#include "model/texture.h"

namespace korva::testing {
namespace {

template <typename T>
T* Buffer(size_t count) {
  return static_cast<T*>(HostAllocate(count * sizeof(T)));
}

// memcmp of `size` bytes, where an empty range may come with null pointers.
bool SameBytes(const void* expected, const void* actual, size_t size) {
  return size == 0 || (expected && actual && std::memcmp(expected, actual, size) == 0);
}

void FillFloats(void* target, size_t bytes, float start) {
  auto* values = static_cast<float*>(target);
  for (size_t i = 0; i < bytes / sizeof(float); ++i) values[i] = start + static_cast<float>(i);
}

void Name(char* field, const std::string& text) {
  std::memset(field, 0, 256);
  std::memcpy(field, text.data(), text.size());
}

sMesh* MakeMesh(uint32_t seed, bool withDeclaration) {
  sMesh* mesh = NewMesh();
  mesh->fvf = withDeclaration ? 0 : 0x112;
  mesh->vertexSize = 32;
  mesh->vertexCount = 5;
  mesh->vertexData = Buffer<uint8_t>(32 * 5);
  for (int i = 0; i < 32 * 5; ++i) mesh->vertexData[i] = static_cast<uint8_t>(i * 7 + seed);
  if (withDeclaration) {
    for (int i = 0; i < kDeclarationElements; ++i) {
      mesh->declaration[i] = {static_cast<uint16_t>(i),
                              static_cast<uint16_t>(i * 4),
                              2,
                              0,
                              static_cast<uint8_t>(i % 13),
                              1};
    }
    mesh->indexCount = 6;
    mesh->indexData = Buffer<uint16_t>(6);
    for (int i = 0; i < 6; ++i) mesh->indexData[i] = static_cast<uint16_t>(5 - i % 5);
  }
  mesh->primitiveType = 5;
  mesh->drawVertexCount = 5;
  mesh->drawPrimitiveCount = 2;

  mesh->boneCount = 3;
  mesh->bones = NewCountedArray<sBone>(3, ConstructBone);
  for (int b = 0; b < 3; ++b) {
    sBone& bone = mesh->bones[b];
    Name(bone.name, "bone" + std::to_string(b));
    FillFloats(&bone.offsetMatrix, sizeof bone.offsetMatrix, 100.0f * b + seed);
    if (b == 1) continue;  // a bone without influences
    bone.vertexCount = 2 + b;
    bone.vertices = Buffer<uint32_t>(bone.vertexCount);
    bone.weights = Buffer<float>(bone.vertexCount);
    for (int v = 0; v < bone.vertexCount; ++v) {
      bone.vertices[v] = static_cast<uint32_t>(v + b);
      bone.weights[v] = 0.25f * static_cast<float>(v + 1);
    }
  }

  mesh->usesOwnMaterial = 1;
  FillFloats(&mesh->material, sizeof mesh->material, 0.5f + seed);
  mesh->textureCount = 2;
  mesh->textures = NewCountedArray<sTexture>(2, ConstructTexture);
  for (int t = 0; t < 2; ++t) {
    Name(mesh->textures[t].name, "texture" + std::to_string(t) + ".png");
    int32_t* settings = &mesh->textures[t].stage;
    for (int s = 0; s < 12; ++s) settings[s] = 1000 * t + s + 3;
  }
  mesh->usesMaterialList = 1;
  mesh->materialListCount = 2;
  mesh->materialList = static_cast<sSubMaterial*>(HostAllocateZeroed(2, sizeof(sSubMaterial)));
  for (int m = 0; m < 2; ++m) {
    Name(mesh->materialList[m].name, "entry" + std::to_string(m));
    FillFloats(&mesh->materialList[m].material, sizeof(D3DMATERIAL9), 9.0f * m);
    mesh->materialList[m].value163 = 163 + m;
    mesh->materialList[m].value164 = -164 - m;
    mesh->materialList[m].value165 = 165 * m;
  }
  const uint8_t switches[6] = {1, 0, 1, 0, 0, 1};
  std::memcpy(mesh->renderSwitches, switches, 6);
  mesh->renderSwitch135 = 1;
  mesh->hostValue136 = 77;
  mesh->renderSwitch140 = 0;
  mesh->renderSwitch137 = 1;
  if (withDeclaration) {
    mesh->usesEffect = 1;
    Name(mesh->effectFile, "effects/skin.fx");
  }
  mesh->hostValue155 = 155;
  mesh->renderSwitch156 = 1;
  mesh->hostValue157 = 1.5f;
  mesh->hostValue158 = -2.25f;
  mesh->renderSwitch159 = 0;
  mesh->renderSwitch160 = 0;
  mesh->hostValue166 = 166;
  return mesh;
}

sFrame* MakeFrame(const std::string& name, float seed) {
  sFrame* frame = NewFrame();
  Name(frame->name, name);
  FillFloats(&frame->localMatrix, sizeof frame->localMatrix, seed);
  frame->offset = {seed, seed + 1, seed + 2};
  frame->rotation = {0.1f, 0.2f, seed};
  frame->scale = {2, 3, seed};
  return frame;
}

sAnimation* MakeTrack(const std::string& name, int keys, bool boneData) {
  sAnimation* track = NewAnimation();
  Name(track->name, name);
  track->positionKeyCount = keys;
  track->positionKeys = Buffer<sPositionKey>(keys);
  track->rotationKeyCount = keys + 1;
  track->rotationKeys = Buffer<sRotateKey>(keys + 1);
  track->scaleKeyCount = keys;
  track->scaleKeys = Buffer<sScaleKey>(keys);
  track->matrixKeyCount = 2;
  track->matrixKeys = Buffer<sMatrixKey>(2);
  FillFloats(track->positionKeys, keys * sizeof(sPositionKey), 1);
  FillFloats(track->rotationKeys, (keys + 1) * sizeof(sRotateKey), 2);
  FillFloats(track->scaleKeys, keys * sizeof(sScaleKey), 3);
  FillFloats(track->matrixKeys, 2 * sizeof(sMatrixKey), 4);
  if (boneData) {
    track->boneDataSwitch = 0;
    track->tableCount = 3;
    track->table = Buffer<int32_t>(3);
    for (int i = 0; i < 3; ++i) track->table[i] = 40 + i;
    track->outerCount = 2;
    track->innerCount = 3;
    track->matrixTable = Buffer<D3DXMATRIX*>(2);
    for (int i = 0; i < 2; ++i) {
      track->matrixTable[i] = Buffer<D3DXMATRIX>(3);
      FillFloats(track->matrixTable[i], 3 * sizeof(D3DXMATRIX), 500.0f * (i + 1));
    }
  }
  return track;
}

void ExpectSameMesh(const sMesh& e, const sMesh& a);

void ExpectSameFrame(const sFrame& e, const sFrame& a) {
  SCOPED_TRACE(std::string("frame ") + e.name);
  EXPECT_STREQ(e.name, a.name);
  EXPECT_EQ(0, std::memcmp(&e.localMatrix, &a.localMatrix, sizeof e.localMatrix));
  EXPECT_EQ(0, std::memcmp(&e.offset, &a.offset, 12));
  EXPECT_EQ(0, std::memcmp(&e.rotation, &a.rotation, 12));
  EXPECT_EQ(0, std::memcmp(&e.scale, &a.scale, 12));
  EXPECT_EQ(a.parent, nullptr);
  ASSERT_EQ(e.mesh == nullptr, a.mesh == nullptr);
  if (e.mesh) ExpectSameMesh(*e.mesh, *a.mesh);
  ASSERT_EQ(e.firstChild == nullptr, a.firstChild == nullptr);
  if (e.firstChild) ExpectSameFrame(*e.firstChild, *a.firstChild);
  ASSERT_EQ(e.nextSibling == nullptr, a.nextSibling == nullptr);
  if (e.nextSibling) ExpectSameFrame(*e.nextSibling, *a.nextSibling);
}

void ExpectSameMesh(const sMesh& e, const sMesh& a) {
  EXPECT_EQ(e.fvf, a.fvf);
  EXPECT_EQ(e.vertexSize, a.vertexSize);
  ASSERT_EQ(e.vertexCount, a.vertexCount);
  ASSERT_EQ(e.indexCount, a.indexCount);
  if (e.fvf == 0) {
    EXPECT_EQ(0, std::memcmp(e.declaration, a.declaration, sizeof e.declaration));
  }
  EXPECT_TRUE(SameBytes(e.vertexData, a.vertexData, e.vertexSize * e.vertexCount));
  EXPECT_TRUE(SameBytes(e.indexData, a.indexData, 2 * e.indexCount));
  EXPECT_EQ(e.primitiveType, a.primitiveType);
  EXPECT_EQ(e.drawVertexCount, a.drawVertexCount);
  EXPECT_EQ(e.drawPrimitiveCount, a.drawPrimitiveCount);
  ASSERT_EQ(e.boneCount, a.boneCount);
  for (int b = 0; b < e.boneCount; ++b) {
    const sBone &eb = e.bones[b], &ab = a.bones[b];
    EXPECT_STREQ(eb.name, ab.name);
    ASSERT_EQ(eb.vertexCount, ab.vertexCount);
    EXPECT_TRUE(SameBytes(eb.vertices, ab.vertices, 4 * eb.vertexCount));
    EXPECT_TRUE(SameBytes(eb.weights, ab.weights, 4 * eb.vertexCount));
    EXPECT_EQ(0, std::memcmp(&eb.offsetMatrix, &ab.offsetMatrix, 64));
  }
  EXPECT_EQ(e.usesOwnMaterial, a.usesOwnMaterial);
  EXPECT_EQ(0, std::memcmp(&e.material, &a.material, sizeof e.material));
  ASSERT_EQ(e.textureCount, a.textureCount);
  for (int t = 0; t < e.textureCount; ++t) {
    EXPECT_STREQ(e.textures[t].name, a.textures[t].name);
    EXPECT_EQ(0, std::memcmp(&e.textures[t].stage, &a.textures[t].stage, 48));
  }
  EXPECT_EQ(e.usesMaterialList, a.usesMaterialList);
  ASSERT_EQ(e.materialListCount, a.materialListCount);
  for (int m = 0; m < e.materialListCount; ++m) {
    const sSubMaterial &em = e.materialList[m], &am = a.materialList[m];
    EXPECT_STREQ(em.name, am.name);
    EXPECT_EQ(0, std::memcmp(&em.material, &am.material, sizeof em.material));
    EXPECT_EQ(em.value163, am.value163);
    EXPECT_EQ(em.value164, am.value164);
    EXPECT_EQ(em.value165, am.value165);
  }
  EXPECT_EQ(0, std::memcmp(e.renderSwitches, a.renderSwitches, 6));
  EXPECT_EQ(e.renderSwitch135, a.renderSwitch135);
  EXPECT_EQ(e.hostValue136, a.hostValue136);
  EXPECT_EQ(e.renderSwitch137, a.renderSwitch137);
  EXPECT_EQ(e.renderSwitch140, a.renderSwitch140);
  EXPECT_EQ(e.usesEffect, a.usesEffect);
  if (e.usesEffect) {
    EXPECT_STREQ(e.effectFile, a.effectFile);
  }
  EXPECT_EQ(e.hostValue155, a.hostValue155);
  EXPECT_EQ(e.renderSwitch156, a.renderSwitch156);
  EXPECT_EQ(e.hostValue157, a.hostValue157);
  EXPECT_EQ(e.hostValue158, a.hostValue158);
  EXPECT_EQ(e.renderSwitch159, a.renderSwitch159);
  EXPECT_EQ(e.renderSwitch160, a.renderSwitch160);
  EXPECT_EQ(e.hostValue166, a.hostValue166);
  ASSERT_EQ(e.frameCount, a.frameCount);
  for (int f = 0; f < e.frameCount; ++f) ExpectSameFrame(e.frames[f], a.frames[f]);
}

void ExpectSameTrack(const sAnimation& e, const sAnimation& a) {
  SCOPED_TRACE(std::string("track ") + e.name);
  EXPECT_STREQ(e.name, a.name);
  ASSERT_EQ(e.positionKeyCount, a.positionKeyCount);
  ASSERT_EQ(e.rotationKeyCount, a.rotationKeyCount);
  ASSERT_EQ(e.scaleKeyCount, a.scaleKeyCount);
  ASSERT_EQ(e.matrixKeyCount, a.matrixKeyCount);
  EXPECT_TRUE(SameBytes(e.positionKeys, a.positionKeys, 28 * e.positionKeyCount));
  EXPECT_TRUE(SameBytes(e.rotationKeys, a.rotationKeys, 20 * e.rotationKeyCount));
  EXPECT_TRUE(SameBytes(e.scaleKeys, a.scaleKeys, 28 * e.scaleKeyCount));
  EXPECT_TRUE(SameBytes(e.matrixKeys, a.matrixKeys, 132 * e.matrixKeyCount));
  ASSERT_EQ(e.boneDataSwitch, a.boneDataSwitch);
  if (e.boneDataSwitch == 0) {
    ASSERT_EQ(e.tableCount, a.tableCount);
    EXPECT_TRUE(SameBytes(e.table, a.table, 4 * e.tableCount));
    ASSERT_EQ(e.outerCount, a.outerCount);
    ASSERT_EQ(e.innerCount, a.innerCount);
    for (int i = 0; i < e.outerCount; ++i) {
      EXPECT_TRUE(SameBytes(e.matrixTable[i], a.matrixTable[i], 64 * e.innerCount));
    }
  }
  ASSERT_EQ(e.next == nullptr, a.next == nullptr);
  if (e.next) ExpectSameTrack(*e.next, *a.next);
}

}  // namespace

void ObjectDeleter::operator()(sObject* object) const {
  if (!object) return;
  ReleaseObjectRecords(object);
  HostFree(object);
}

ObjectPtr MakeSampleObject() {
  ObjectPtr object(NewObject());
  sFrame* root = MakeFrame("root", 1);
  root->mesh = MakeMesh(1, true);
  root->mesh->frameCount = 2;
  root->mesh->frames = NewCountedArray<sFrame>(2, ConstructFrame);
  Name(root->mesh->frames[0].name, "held0");
  root->mesh->frames[0].offset = {7, 8, 9};
  root->mesh->frames[0].firstChild = MakeFrame("held0-child", 40);
  sFrame* child = MakeFrame("child", 10);
  child->mesh = MakeMesh(2, false);
  child->nextSibling = MakeFrame("sibling", 20);
  root->firstChild = child;
  object->rootFrame = root;

  sAnimationSet* set = NewAnimationSet();
  Name(set->name, "walk");
  set->length = 30;
  set->firstTrack = MakeTrack("root", 2, true);
  set->firstTrack->next = MakeTrack("child", 1, false);
  set->firstTrack->next->next = MakeTrack("sibling", 3, false);
  object->animationSet = set;

  object->customDataSize = 10;
  object->customData = Buffer<uint8_t>(10);
  for (int i = 0; i < 10; ++i) object->customData[i] = static_cast<uint8_t>(0xA0 + i);
  return object;
}

void ExpectSameWrittenFields(const sObject& e, const sObject& a) {
  EXPECT_EQ(a.meshList, nullptr);
  EXPECT_EQ(a.frameList, nullptr);
  ASSERT_EQ(e.rootFrame == nullptr, a.rootFrame == nullptr);
  if (e.rootFrame) ExpectSameFrame(*e.rootFrame, *a.rootFrame);
  ASSERT_EQ(e.animationSet == nullptr, a.animationSet == nullptr);
  if (e.animationSet) {
    EXPECT_STREQ(e.animationSet->name, a.animationSet->name);
    EXPECT_EQ(e.animationSet->length, a.animationSet->length);
    EXPECT_EQ(a.animationSet->next, nullptr);
    ASSERT_EQ(e.animationSet->firstTrack == nullptr, a.animationSet->firstTrack == nullptr);
    if (e.animationSet->firstTrack) {
      ExpectSameTrack(*e.animationSet->firstTrack, *a.animationSet->firstTrack);
    }
  }
  ASSERT_EQ(e.customDataSize, a.customDataSize);
  EXPECT_TRUE(SameBytes(e.customData, a.customData, e.customDataSize));
}

std::vector<uint8_t> WriteBlock(const sObject& object) {
  uint8_t* block = nullptr;
  uint32_t size = 0;
  EXPECT_TRUE(dbo::WriteObjectBlock(&object, &block, &size));
  if (!block) return {};
  std::vector<uint8_t> bytes(block, block + size);
  HostFree(block);
  return bytes;
}

ObjectPtr ReadBlock(const std::vector<uint8_t>& block) {
  sObject* object = nullptr;
  const uint8_t* begin = block.data();
  if (dbo::ReadObjectBlock(begin, begin + block.size(), &object, nullptr) !=
      dbo::ReadResult::kLoaded) {
    return nullptr;
  }
  return ObjectPtr(object);
}

BlockBuilder& BlockBuilder::Dword(uint32_t value) {
  return Bytes(&value, sizeof value);
}
BlockBuilder& BlockBuilder::Byte(uint8_t value) {
  return Bytes(&value, 1);
}
BlockBuilder& BlockBuilder::Bytes(const void* data, size_t count) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + count);
  return *this;
}
BlockBuilder& BlockBuilder::Text(const std::string& text) {
  return Dword(static_cast<uint32_t>(text.size())).Bytes(text.data(), text.size());
}
BlockBuilder& BlockBuilder::Header(uint32_t version, const std::string& magic) {
  return Text(magic).Dword(version).Dword(0).Dword(0);
}

}  // namespace korva::testing

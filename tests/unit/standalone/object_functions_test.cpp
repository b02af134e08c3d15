// The standalone host's object functions, called through the entries the plug-in resolved, the
// way the import calls them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/binding/plugin_state.h"
#include "model/counted_array.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/texture.h"
#include "standalone/standalone_host.h"
#include "unit/model/counting_heap.h"

namespace korva {
namespace {

class HostFunctions : public ::testing::Test {
 protected:
  void SetUp() override { host_.Bind(); }
  void TearDown() override { g_plugin = PluginState{}; }

  bool Create(int32_t number, const char* name, int32_t frames) {
    std::string copy = name;
    return g_plugin.api.CreateNewObjectWithFrames(number, copy.data(), frames);
  }

  testing::CountingHeap heap_;  // outlives the host, so its final release is counted too
  standalone::StandaloneHost host_;
};

TEST_F(HostFunctions, CreateNewObjectChainsFramesWithTheirMeshesAndLists) {
  ASSERT_TRUE(Create(7, "Root Frame", 3));
  sObject* object = g_plugin.api.GetObjectA(7);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->meshCount, 3);
  EXPECT_EQ(object->frameCount, 3);
  EXPECT_EQ(object->hostState488[0], 0x01);  // the record's own defaults are in place

  sFrame* frame = object->rootFrame;
  EXPECT_STREQ(frame->name, "Root Frame");
  for (int32_t k = 0; k < 3; ++k) {
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->limbNumber, k);
    EXPECT_EQ(frame->parent, k == 0 ? nullptr : object->frameList[k - 1]);
    EXPECT_EQ(object->frameList[k], frame);
    ASSERT_NE(frame->mesh, nullptr);
    EXPECT_EQ(object->meshList[k], frame->mesh);
    EXPECT_EQ(frame->mesh->primitiveType, kPrimitiveTriangleList);
    EXPECT_EQ(frame->nextSibling, nullptr);
    if (k > 0) {
      EXPECT_EQ(frame->name[0], '\0');
    }
    frame = frame->firstChild;
  }
  EXPECT_EQ(frame, nullptr);
  EXPECT_NE(object->meshList[0], object->meshList[1]);
}

TEST_F(HostFunctions, CreateNewObjectRefusesAndCreatesNothing) {
  ASSERT_TRUE(Create(1, "first", 1));
  const int allocations = heap_.allocations();
  EXPECT_FALSE(Create(1, "again", 2));  // in use
  EXPECT_FALSE(Create(0, "zero", 1));
  EXPECT_FALSE(Create(-4, "negative", 1));
  EXPECT_FALSE(Create(2, "no frames", 0));
  EXPECT_FALSE(Create(3, "too many", INT32_MAX));
  EXPECT_EQ(heap_.allocations() - heap_.frees(), allocations);
  EXPECT_EQ(host_.ObjectNumbers(), std::vector<int32_t>{1});
  EXPECT_STREQ(host_.GetObject(1)->rootFrame->name, "first");
}

TEST_F(HostFunctions, TwoArgumentFormMakesOneFrameAndLongNamesAreCut) {
  std::string name(300, 'x');
  ASSERT_TRUE(g_plugin.api.CreateNewObject(5, name.data()));
  sObject* object = host_.GetObject(5);
  EXPECT_EQ(object->frameCount, 1);
  EXPECT_EQ(object->rootFrame->firstChild, nullptr);
  EXPECT_EQ(std::string(object->rootFrame->name), std::string(255, 'x'));
}

TEST_F(HostFunctions, CreationFailingHalfwayLeavesNothingBehind) {
  for (int successes = 0; successes < 12; ++successes) {
    const int live = heap_.live();
    heap_.FailAfter(successes);
    const bool made = Create(10 + successes, "partial", 3);
    heap_.FailAfter(-1);
    if (!made) {
      EXPECT_EQ(heap_.live(), live) << successes << " allocations allowed";
    }
  }
  EXPECT_EQ(heap_.badFrees(), 0);
}

TEST_F(HostFunctions, SetupMeshFVFDataReplacesBuffersWithZeroedOnes) {
  ASSERT_TRUE(Create(1, "mesh", 1));
  sMesh* mesh = host_.GetObject(1)->meshList[0];
  ASSERT_TRUE(g_plugin.api.SetupMeshFVFData(mesh, 0x112, 4, 6));
  std::memset(mesh->vertexData, 0xCC, 4 * 32);
  uint8_t* oldVertices = mesh->vertexData;

  ASSERT_TRUE(g_plugin.api.SetupMeshFVFData(mesh, 0x152, 3, 9));
  EXPECT_FALSE(heap_.IsLive(oldVertices));
  EXPECT_EQ(mesh->fvf, 0x152u);
  EXPECT_EQ(mesh->vertexSize, 36u);
  EXPECT_EQ(mesh->vertexCount, 3);
  EXPECT_EQ(mesh->indexCount, 9);
  for (int i = 0; i < 3 * 36; ++i) ASSERT_EQ(mesh->vertexData[i], 0) << i;
  for (int i = 0; i < 9; ++i) ASSERT_EQ(mesh->indexData[i], 0) << i;

  EXPECT_TRUE(g_plugin.api.SetupMeshFVFData(mesh, 0x152, 0, 0));  // a group without triangles
  EXPECT_EQ(mesh->vertexCount, 0);
  EXPECT_EQ(mesh->vertexData, nullptr);

  EXPECT_FALSE(g_plugin.api.SetupMeshFVFData(mesh, 0x152, 0x7FFFFFFF, 3));
  EXPECT_EQ(mesh->vertexCount, 0);
  EXPECT_EQ(mesh->indexCount, 0);
  EXPECT_EQ(mesh->indexData, nullptr);
}

TEST_F(HostFunctions, SetTextureStageGrowsEveryMeshKeepingExistingRecords) {
  ASSERT_TRUE(Create(2, "textured", 2));
  sObject* object = host_.GetObject(2);
  sTexture fresh;
  ConstructTexture(&fresh);
  // Stage 0 gives each mesh the records of stages 0 and 1 at once.
  g_plugin.api.SetTextureStage(2, 0, 0);
  for (int k = 0; k < 2; ++k) {
    const sMesh* mesh = object->meshList[k];
    ASSERT_NE(mesh->textures, nullptr);
    EXPECT_EQ(mesh->textureCount, 2);
    EXPECT_EQ(CountedArrayCount(mesh->textures), 2);
    EXPECT_EQ(std::memcmp(&mesh->textures[1], &fresh, sizeof fresh), 0);
  }
  sMesh* mesh = object->meshList[0];
  std::strcpy(mesh->textures[0].name, "kept.png");
  mesh->textures[0].blendOperation = 4;
  const sTexture* firstArray = mesh->textures;

  g_plugin.api.SetTextureStage(2, 1, 0);  // its records are there already
  EXPECT_EQ(mesh->textures, firstArray);
  g_plugin.api.SetTextureStage(2, 3, 0);
  EXPECT_EQ(mesh->textureCount, 4);
  EXPECT_EQ(CountedArrayCount(mesh->textures), 4);
  EXPECT_STREQ(mesh->textures[0].name, "kept.png");
  EXPECT_EQ(mesh->textures[0].blendOperation, 4);
  EXPECT_EQ(std::memcmp(&mesh->textures[3], &fresh, sizeof fresh), 0);

  g_plugin.api.SetTextureStage(2, 0, 0);  // a lower stage never shrinks the array
  g_plugin.api.SetTextureStage(2, -1, 0);
  g_plugin.api.SetTextureStage(99, 5, 0);  // no such object
  EXPECT_EQ(mesh->textureCount, 4);
  EXPECT_EQ(heap_.badFrees(), 0);
}

TEST_F(HostFunctions, BoundsAreKeptByTheHost) {
  ASSERT_TRUE(Create(4, "bounds", 1));
  sMesh* mesh = host_.GetObject(4)->meshList[0];
  ASSERT_TRUE(g_plugin.api.SetupMeshFVFData(mesh, 0x152, 2, 0));
  const float a[3] = {-1, 0, 0};
  const float b[3] = {3, 0, 0};
  std::memcpy(mesh->vertexData, a, sizeof a);
  std::memcpy(mesh->vertexData + 36, b, sizeof b);
  EXPECT_TRUE(g_plugin.api.CalculateMeshBounds(mesh));
  float centre[3];
  float radius = 0;
  ASSERT_TRUE(host_.MeshBounds(mesh, centre, &radius));
  EXPECT_FLOAT_EQ(centre[0], 1.0f);
  EXPECT_FLOAT_EQ(radius, 2.0f);
  EXPECT_TRUE(g_plugin.api.SetNewObjectFinalProperties(4, 0.0f));
  ASSERT_TRUE(host_.ObjectBounds(4, centre, &radius));
  EXPECT_FLOAT_EQ(radius, 2.0f);
  EXPECT_FALSE(g_plugin.api.SetNewObjectFinalProperties(40, 0.0f));
}

// Vertices of bare positions (12 bytes): the last one must be read without running past the
// buffer (the sanitizer build checks), and every axis counts.
TEST_F(HostFunctions, BoundsOfPositionOnlyVertices) {
  ASSERT_TRUE(Create(5, "narrow", 1));
  sMesh* mesh = host_.GetObject(5)->meshList[0];
  ASSERT_TRUE(g_plugin.api.SetupMeshFVFData(mesh, 0x002, 3, 0));
  ASSERT_EQ(mesh->vertexSize, 12);
  const float positions[9] = {0, -2, 1, 4, 2, 1, 2, 0, 5};
  std::memcpy(mesh->vertexData, positions, sizeof positions);
  EXPECT_TRUE(g_plugin.api.CalculateMeshBounds(mesh));
  float centre[3];
  float radius = 0;
  ASSERT_TRUE(host_.MeshBounds(mesh, centre, &radius));
  EXPECT_FLOAT_EQ(centre[0], 2.0f);
  EXPECT_FLOAT_EQ(centre[1], 0.0f);
  EXPECT_FLOAT_EQ(centre[2], 3.0f);
  EXPECT_FLOAT_EQ(radius, std::sqrt(12.0f));  // (0, -2, 1) and (4, 2, 1) are farthest
}

TEST_F(HostFunctions, ReturnStringsErrorVariableAndLimbNames) {
  HostAddress variable = 0;
  host_.coreData()->AllocateReturnString(&variable, 16);
  ASSERT_NE(variable, 0u);
  std::memset(korva::FromHostAddress<char>(variable), 'a', 16);  // all of it is usable

  *host_.coreData()->ErrorCode = 68;
  EXPECT_EQ(host_.errorCode(), 68);

  ASSERT_TRUE(Create(6, "Named", 2));
  const HostAddress name = g_plugin.api.GetLimbName(0, 6, 0);
  EXPECT_STREQ(korva::FromHostAddress<const char>(name), "Named");
  EXPECT_STREQ(korva::FromHostAddress<const char>(g_plugin.api.GetLimbName(0, 6, 9)), "");
}

}  // namespace
}  // namespace korva

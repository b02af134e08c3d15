// Mesh contents of the group limbs: vertex numbering by model vertex rank, attributes of the first
// corner, reversed winding, centring on the box with the centre kept in the group frame.
#include <algorithm>
#include <cstring>

#include "import/mesh_building.h"
#include "unit/import/import_fixture.h"

namespace korva::testing {
namespace {

struct MeshVertex {
  float position[3];
  float normal[3];
  uint32_t diffuse;
  float u, v;
};
static_assert(sizeof(MeshVertex) == 36);

MeshVertex VertexOf(const sMesh* mesh, int k) {
  MeshVertex vertex;
  std::memcpy(&vertex, mesh->vertexData + size_t(k) * mesh->vertexSize, sizeof vertex);
  return vertex;
}

std::vector<uint16_t> IndicesOf(const sMesh* mesh) {
  return std::vector<uint16_t>(mesh->indexData, mesh->indexData + mesh->indexCount);
}

using ImportMeshTest = ImportTest;

TEST_F(ImportMeshTest, OneTriangleKeepsModelOrderAndReversesWinding) {
  msModel model;
  for (int i = 0; i < 10; ++i) AddVertex(model, static_cast<float>(i), 0, static_cast<float>(i));
  AddGroup(model, "g", {AddTriangle(model, 7, 8, 9)});
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  const sMesh* mesh = object->meshList[0];
  EXPECT_EQ(mesh->fvf, import::kGroupMeshFvf);
  ASSERT_EQ(mesh->vertexCount, 3);
  EXPECT_EQ(IndicesOf(mesh), (std::vector<uint16_t>{1, 0, 2}));
  // x negated (-7, -8, -9) then centred on -8; z centred on 8.
  for (int k = 0; k < 3; ++k) {
    const MeshVertex v = VertexOf(mesh, k);
    EXPECT_FLOAT_EQ(v.position[0], 1.0f - static_cast<float>(k));
    EXPECT_FLOAT_EQ(v.position[2], static_cast<float>(k) - 1.0f);
    EXPECT_FLOAT_EQ(v.normal[2], static_cast<float>(k + 1));  // normals as stored
    EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(v.u, 0.1f * static_cast<float>(k));
    EXPECT_FLOAT_EQ(v.v, 0.2f * static_cast<float>(k));
  }
  EXPECT_EQ(mesh->drawVertexCount, 3);
  EXPECT_EQ(mesh->drawPrimitiveCount, 1);
  EXPECT_EQ(mesh->primitiveType, kPrimitiveTriangleList);
  EXPECT_EQ(mesh->renderSwitches[1], 0);
  float centre[3], radius;
  EXPECT_TRUE(host_.MeshBounds(mesh, centre, &radius));
}

TEST_F(ImportMeshTest, SharedVerticesKeepTheFirstCornersAttributes) {
  msModel model;
  for (int i = 0; i < 8; ++i) AddVertex(model, 0, static_cast<float>(i), 0);
  AddGroup(model, "g", {AddTriangle(model, 4, 5, 6, 0, 0), AddTriangle(model, 6, 5, 7, 10, 0.5f)});
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  const sMesh* mesh = object->meshList[0];
  ASSERT_EQ(mesh->vertexCount, 4);
  EXPECT_EQ(IndicesOf(mesh), (std::vector<uint16_t>{1, 0, 2, 1, 2, 3}));
  EXPECT_FLOAT_EQ(VertexOf(mesh, 1).normal[2], 2.0f);  // vertex 5: corner 1 of the first triangle
  EXPECT_FLOAT_EQ(VertexOf(mesh, 2).normal[2], 3.0f);  // vertex 6: corner 2 of the first triangle
  EXPECT_FLOAT_EQ(VertexOf(mesh, 2).u, 0.2f);
  EXPECT_FLOAT_EQ(VertexOf(mesh, 3).normal[2], 13.0f);  // vertex 7: only in the second
}

TEST_F(ImportMeshTest, GroupIsCentredAndItsFrameCarriesTheCentre) {
  msModel model;
  // After x is negated the box spans x -6..-2, y -1..1, z 0..10.
  AddVertex(model, 2, -1, 0);
  AddVertex(model, 6, 1, 10);
  AddVertex(model, 4, 0, 5);
  AddGroup(model, "g", {AddTriangle(model, 0, 1, 2)});
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  const sMesh* mesh = object->meshList[0];
  EXPECT_FLOAT_EQ(VertexOf(mesh, 0).position[0], 2.0f);
  EXPECT_FLOAT_EQ(VertexOf(mesh, 1).position[0], -2.0f);
  EXPECT_FLOAT_EQ(VertexOf(mesh, 0).position[2], -5.0f);
  EXPECT_FLOAT_EQ(VertexOf(mesh, 1).position[2], 5.0f);
  const sFrame* frame = object->rootFrame;
  EXPECT_FLOAT_EQ(frame->localMatrix.m[3][0], -4.0f);
  EXPECT_FLOAT_EQ(frame->localMatrix.m[3][1], 0.0f);
  EXPECT_FLOAT_EQ(frame->localMatrix.m[3][2], 5.0f);
  EXPECT_FLOAT_EQ(frame->localMatrix.m[0][0], 1.0f);
  EXPECT_FLOAT_EQ(frame->localMatrix.m[3][3], 1.0f);
  EXPECT_FLOAT_EQ(frame->offset.x, 0.0f);
}

TEST_F(ImportMeshTest, InterleavedGroupsEachGetTheirOwnCompactVertices) {
  msModel model;
  for (int i = 0; i < 6; ++i) AddVertex(model, static_cast<float>(i), 0, 0);
  // Group a uses 0, 2, 4; group b uses 5, 3, 1 (first use in descending order).
  AddGroup(model, "a", {AddTriangle(model, 4, 0, 2)});
  AddGroup(model, "b", {AddTriangle(model, 5, 3, 1)});
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  const sMesh* a = object->meshList[0];
  const sMesh* b = object->meshList[1];
  ASSERT_EQ(a->vertexCount, 3);
  ASSERT_EQ(b->vertexCount, 3);
  // Mesh vertex k is the k-th smallest model vertex: a = 0, 2, 4 and b = 1, 3, 5.
  EXPECT_EQ(IndicesOf(a), (std::vector<uint16_t>{0, 2, 1}));
  EXPECT_EQ(IndicesOf(b), (std::vector<uint16_t>{1, 2, 0}));
  EXPECT_FLOAT_EQ(VertexOf(a, 0).position[0] - VertexOf(a, 2).position[0], 4.0f);
}

TEST_F(ImportMeshTest, SparseAndDenseGroupsAreBothNumberedByAscendingModelVertex) {
  // Group a touches 3 of 40 vertices, group b 18 of them: the numbering must not depend on how
  // the distinct vertices are put in order.
  msModel model;
  for (int i = 0; i < 40; ++i) AddVertex(model, static_cast<float>(i), 0, 0);
  AddGroup(model, "a", {AddTriangle(model, 39, 20, 1, 0.0f, 0.5f)});
  std::vector<uint16_t> dense;
  for (int v = 19; v >= 4; v -= 3) {
    dense.push_back(AddTriangle(model, static_cast<uint16_t>(v), static_cast<uint16_t>(v - 1),
                                static_cast<uint16_t>(v - 2)));
  }
  AddGroup(model, "b", dense);
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  const sMesh* a = object->meshList[0];
  ASSERT_EQ(a->vertexCount, 3);
  EXPECT_EQ(IndicesOf(a), (std::vector<uint16_t>{1, 2, 0}));
  EXPECT_FLOAT_EQ(VertexOf(a, 0).position[0] - VertexOf(a, 2).position[0], 38.0f);
  EXPECT_FLOAT_EQ(VertexOf(a, 2).u, 0.5f);  // model vertex 39 took corner 0 of the triangle
  const sMesh* b = object->meshList[1];
  ASSERT_EQ(b->vertexCount, 18);
  std::vector<uint16_t> expected;
  for (int v = 19; v >= 4; v -= 3) {
    const uint16_t rank = static_cast<uint16_t>(v - 2);  // model vertex 2 is mesh vertex 0
    expected.insert(expected.end(),
                    {static_cast<uint16_t>(rank - 1), rank, static_cast<uint16_t>(rank - 2)});
  }
  EXPECT_EQ(IndicesOf(b), expected);
  for (int k = 1; k < 18; ++k) {
    EXPECT_FLOAT_EQ(VertexOf(b, k - 1).position[0] - VertexOf(b, k).position[0], 1.0f) << k;
  }
}

TEST_F(ImportMeshTest, GroupWithoutTrianglesHasAnEmptyMesh) {
  msModel model;
  AddVertex(model, 1, 1, 1);
  AddGroup(model, "empty", {});
  sObject* object = ImportModel(model);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->meshList[0]->vertexCount, 0);
  EXPECT_EQ(object->meshList[0]->indexCount, 0);
  EXPECT_EQ(object->meshList[0]->drawPrimitiveCount, 0);
}

// A group ordered by sorting (few vertices spread over a large model) and one ordered by scanning
// its range of the slot table (a dense run) must both come out ascending, with every corner
// renumbered and the slot table left clear for the next group.
TEST(CollectGroupVerticesTest, SortedAndScannedGroupsAreAscending) {
  msModel model;
  for (int i = 0; i < 4000; ++i) AddVertex(model, static_cast<float>(i), 0, 0);
  const uint16_t sparse = AddTriangle(model, 3999, 7, 2500);
  std::vector<uint16_t> dense;
  for (uint16_t v = 1200; v < 1260; v += 3) {
    dense.push_back(AddTriangle(model, static_cast<uint16_t>(v + 2), v, static_cast<uint16_t>(v + 1)));
  }
  AddGroup(model, "sparse", {sparse});
  AddGroup(model, "dense", dense);
  import::GroupScratch scratch(model.vertices.size());
  import::VertexSlots& slots = scratch.slots;
  for (size_t g = 0; g < 2; ++g) {
    const import::GroupVertices& group = import::CollectGroupVertices(model, g, scratch);
    ASSERT_TRUE(std::is_sorted(group.modelVertices.begin(), group.modelVertices.end())) << g;
    ASSERT_EQ(group.indices.size(), model.groups[g].triangleIndices.size() * 3);
    for (size_t c = 0; c < group.indices.size(); ++c) {
      const msTriangle& triangle = model.triangles[model.groups[g].triangleIndices[c / 3]];
      EXPECT_EQ(group.modelVertices[group.indices[c]], triangle.vertexIndices[c % 3]) << g;
    }
    for (size_t v = 0; v < slots.size(); ++v) ASSERT_EQ(slots[v], -1) << v;
  }
  EXPECT_EQ(import::CollectGroupVertices(model, 0, scratch).modelVertices,
            (std::vector<uint32_t>{7, 2500, 3999}));
}

TEST(BoxCentreTest, CentresOnTheBoxNotTheMean) {
  msModel model;
  AddVertex(model, 99, 99, 99);  // not used
  AddVertex(model, 0, 0, 0);
  AddVertex(model, 1, 0, 0);
  AddVertex(model, 10, 2, -4);
  const uint32_t used[] = {3, 1, 2};
  const D3DXVECTOR3 centre = import::BoxCentre(model.vertices.data(), used, 3);
  EXPECT_FLOAT_EQ(centre.x, 5.0f);
  EXPECT_FLOAT_EQ(centre.y, 1.0f);
  EXPECT_FLOAT_EQ(centre.z, -2.0f);
  EXPECT_FLOAT_EQ(import::BoxCentre(model.vertices.data(), used, 0).x, 0.0f);  // no points
}

}  // namespace
}  // namespace korva::testing

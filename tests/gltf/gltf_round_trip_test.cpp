// The reader is the exporter's inverse: every shared and generated MS3D model, imported by the
// plug-in, exported as .glb and read back, is the object the import built (frames, meshes, bones
// and their vertex lists, keys) within float tolerance, and the DBO writer and reader carry it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <type_traits>

#include "dbo/block_reader.h"
#include "dbo/block_writer.h"
#include "gltf/build/gltf_import.h"
#include "gltf/export/gltf_export.h"
#include "import/import_driver.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "ms3d/ms_model.h"
#include "standalone/standalone_host.h"
#include "support/generated_models.h"
#include "support/object_checks.h"

namespace korva::testing {
namespace {

std::string Name(const char* field) {
  return std::string(field, strnlen(field, 256));
}

std::vector<const sFrame*> Siblings(const sFrame* first) {
  std::vector<const sFrame*> out;
  for (; first; first = first->nextSibling) out.push_back(first);
  return out;
}

// Depth-first, children before the next sibling.
std::vector<const sFrame*> Flatten(std::vector<const sFrame*> roots) {
  std::vector<const sFrame*> out, stack(roots.rbegin(), roots.rend());
  while (!stack.empty()) {
    const sFrame* frame = stack.back();
    stack.pop_back();
    out.push_back(frame);
    const std::vector<const sFrame*> children = Siblings(frame->firstChild);
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  return out;
}

bool Near(float a, float b, float tolerance = 1e-4f) {
  return std::fabs(a - b) <= tolerance * (1.0f + std::fabs(a));
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, const std::string& what) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_TRUE(Near(a.m[i][j], b.m[i][j]))
          << what << " [" << i << "][" << j << "] " << a.m[i][j] << " vs " << b.m[i][j];
    }
  }
}

// Bone vertex lists as vertex -> weight, each vertex's weights scaled to sum 1 (the exporter
// renormalises); vertices with more than four influences are left out (the exporter keeps four).
std::map<std::pair<std::string, uint32_t>, float> Influences(const sMesh& mesh) {
  std::map<uint32_t, std::vector<std::pair<std::string, float>>> byVertex;
  for (int32_t b = 0; b < mesh.boneCount; ++b) {
    for (int32_t k = 0; k < mesh.bones[b].vertexCount; ++k) {
      if (mesh.bones[b].weights[k] > 0) {
        byVertex[mesh.bones[b].vertices[k]].emplace_back(Name(mesh.bones[b].name),
                                                         mesh.bones[b].weights[k]);
      }
    }
  }
  std::map<std::pair<std::string, uint32_t>, float> out;
  for (const auto& [vertex, list] : byVertex) {
    if (list.size() > 4) continue;
    float sum = 0;
    for (const auto& entry : list) sum += entry.second;
    for (const auto& [bone, weight] : list) out[{bone, vertex}] += weight / sum;
  }
  return out;
}

// `offsetsFollowTree`: the exporter replaced offsets that disagree with the frame tree (it warns),
// so only the tree's agree with the original.
void ExpectMeshesMatch(const sMesh& a, const sMesh& b, bool offsetsFollowTree,
                       const std::string& where) {
  ASSERT_EQ(a.fvf, b.fvf) << where;
  ASSERT_EQ(a.vertexSize, b.vertexSize) << where;
  ASSERT_EQ(a.vertexCount, b.vertexCount) << where;
  ASSERT_EQ(a.indexCount, b.indexCount) << where;
  EXPECT_EQ(a.primitiveType, b.primitiveType) << where;
  EXPECT_EQ(a.drawPrimitiveCount, b.drawPrimitiveCount) << where;
  EXPECT_EQ(0, std::memcmp(a.indexData, b.indexData, size_t(a.indexCount) * 2)) << where;
  // Every vertex float (positions, normals, texture coordinates) and colour.
  for (size_t offset = 0; offset + 4 <= size_t(a.vertexCount) * a.vertexSize; offset += 4) {
    float x, y;
    std::memcpy(&x, a.vertexData + offset, 4);
    std::memcpy(&y, b.vertexData + offset, 4);
    if (offset % a.vertexSize == 24 && (a.fvf & 0x40)) {
      EXPECT_EQ(0, std::memcmp(a.vertexData + offset, b.vertexData + offset, 4)) << where;
    } else {
      ASSERT_TRUE(Near(x, y, 1e-5f))
          << where << " vertex byte " << offset << ": " << x << " vs " << y;
    }
  }
  const D3DCOLORVALUE& da = a.material.Diffuse;
  const D3DCOLORVALUE& db = b.material.Diffuse;
  EXPECT_TRUE(Near(std::clamp(da.r, 0.f, 1.f), db.r) && Near(std::clamp(da.a, 0.f, 1.f), db.a))
      << where;
  // The bones in their order, with the frame tree's offsets, and every influence.
  std::vector<std::string> namesA, namesB;
  for (int32_t i = 0; i < a.boneCount; ++i) namesA.push_back(Name(a.bones[i].name));
  for (int32_t i = 0; i < b.boneCount; ++i) namesB.push_back(Name(b.bones[i].name));
  ASSERT_GE(namesB.size(), namesA.size()) << where;
  EXPECT_TRUE(std::equal(namesA.begin(), namesA.end(), namesB.begin())) << where;
  for (int32_t i = 0; i < a.boneCount && !offsetsFollowTree; ++i) {
    ExpectMatrixNear(a.bones[i].offsetMatrix, b.bones[i].offsetMatrix,
                     where + " bone " + namesA[i]);
  }
  const auto influencesA = Influences(a), influencesB = Influences(b);
  for (const auto& [key, weight] : influencesA) {
    const auto found = influencesB.find(key);
    ASSERT_TRUE(found != influencesB.end())
        << where << " bone " << key.first << " vertex " << key.second;
    EXPECT_TRUE(Near(weight, found->second)) << where;
  }
}

// The reader starts every track at frame 0: where the import's keys start later, that key holds
// their first value, as the host holds the first key before it.
template <typename Key, typename Compare>
void ExpectKeysMatch(const Key* a, int32_t countA, const Key* b, int32_t countB, Compare same,
                     const std::string& where) {
  if (countB == countA + 1 && countA > 0 && b[0].frame == 0 && a[0].frame > 0) {
    Key held = b[0];
    held.frame = a[0].frame;
    if constexpr (std::is_same_v<Key, sPositionKey>) held.step = a[0].step;
    EXPECT_TRUE(same(a[0], held)) << where << " key held from frame 0";
    ++b;
    --countB;
  }
  ASSERT_EQ(countA, countB) << where;
  for (int32_t k = 0; k < countA; ++k) {
    EXPECT_EQ(a[k].frame, b[k].frame) << where << " key " << k;
    EXPECT_TRUE(same(a[k], b[k])) << where << " key " << k;
  }
}

// The import's object against the one read back: the reader hangs several roots under one root
// frame and numbers frames whose names repeat, which leaves every world matrix as it was.
void ExpectObjectsMatch(const sObject& a, const sObject& b, bool offsetsFollowTree,
                        const std::string& model) {
  std::vector<const sFrame*> rootsB = Siblings(b.rootFrame);
  if (Siblings(a.rootFrame).size() > 1) {
    ASSERT_EQ(rootsB.size(), 1u) << model;
    EXPECT_EQ(Name(rootsB[0]->name).rfind("root", 0), 0u);
    rootsB = Siblings(rootsB[0]->firstChild);
  }
  const std::vector<const sFrame*> framesA = Flatten(Siblings(a.rootFrame)),
                                   framesB = Flatten(rootsB);
  ASSERT_EQ(framesA.size(), framesB.size()) << model;
  for (size_t i = 0; i < framesA.size(); ++i) {
    const std::string nameA = Name(framesA[i]->name), nameB = Name(framesB[i]->name);
    const std::string where = model + " frame " + nameA;
    EXPECT_TRUE(nameA == nameB || nameB.rfind(nameA + "_", 0) == 0)
        << where << " came back as " << nameB;
    ExpectMatrixNear(framesA[i]->localMatrix, framesB[i]->localMatrix, where);
    ASSERT_EQ(!framesA[i]->mesh, !framesB[i]->mesh) << where;
    if (framesA[i]->mesh)
      ExpectMeshesMatch(*framesA[i]->mesh, *framesB[i]->mesh, offsetsFollowTree, where);
  }
  // A set without keys carries nothing into glTF.
  bool keyed = false;
  for (const sAnimation* t = a.animationSet ? a.animationSet->firstTrack : nullptr; t;
       t = t->next) {
    keyed = keyed || t->positionKeyCount + t->rotationKeyCount + t->scaleKeyCount > 0;
  }
  ASSERT_EQ(keyed, b.animationSet != nullptr) << model;
  if (!keyed) return;
  EXPECT_EQ(a.animationSet->length, b.animationSet->length) << model;
  const sAnimation* trackB = b.animationSet->firstTrack;
  for (const sAnimation* trackA = a.animationSet->firstTrack; trackA; trackA = trackA->next) {
    if (trackA->positionKeyCount + trackA->rotationKeyCount + trackA->scaleKeyCount == 0) continue;
    ASSERT_TRUE(trackB) << model;
    const std::string where = model + " track " + Name(trackA->name);
    EXPECT_EQ(Name(trackA->name), Name(trackB->name)) << where;
    ExpectKeysMatch(
        trackA->positionKeys, trackA->positionKeyCount, trackB->positionKeys,
        trackB->positionKeyCount,
        [](const sPositionKey& x, const sPositionKey& y) {
          return Near(x.position.x, y.position.x) && Near(x.position.y, y.position.y) &&
                 Near(x.position.z, y.position.z) && Near(x.step.x, y.step.x, 1e-3f) &&
                 Near(x.step.z, y.step.z, 1e-3f);
        },
        where + " positions");
    ExpectKeysMatch(
        trackA->rotationKeys, trackA->rotationKeyCount, trackB->rotationKeys,
        trackB->rotationKeyCount,
        [](const sRotateKey& x, const sRotateKey& y) {
          const D3DXQUATERNION& p = x.rotation;
          const D3DXQUATERNION& q = y.rotation;
          const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z + p.w * p.w);
          return std::fabs(p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w) / length > 1 - 1e-5f;
        },
        where + " rotations");
    trackB = trackB->next;
  }
  EXPECT_FALSE(trackB) << model << ": tracks the import did not make";
}

class RoundTrip : public ::testing::Test {
 protected:
  RoundTrip() {
    host_.SetTexturePixelsDecoded(false);
    host_.Bind();
  }
  standalone::StandaloneHost host_;
};

TEST_F(RoundTrip, ConvertOfExportGivesTheImportedObject) {
  std::vector<NamedBytes> models = GeneratedMs3dModels();
  for (NamedBytes& shared : SharedMs3dModels()) models.push_back(std::move(shared));
  models.push_back({"crane.ms3d", ReadWholeFile(KORVA_EXAMPLES_DIR "/crane.ms3d")});
  size_t compared = 0;
  for (const NamedBytes& model : models) {
    SCOPED_TRACE(model.name);
    import::LoadMilkshapeFromMemory(model.bytes.data(), model.bytes.size(), model.name.c_str(), 1);
    const sObject* imported = host_.GetObject(1);
    if (!imported) continue;  // a generated model the import refuses on purpose
    msModel ms3d;
    ASSERT_TRUE(ms3d.LoadFromMemory(model.bytes.data(), model.bytes.size()));
    gltf::ExportOptions exportOptions;
    exportOptions.framesPerSecond = ms3d.framesPerSecond;
    gltf::GltfAsset asset = gltf::BuildGltf(*imported, exportOptions, nullptr);
    std::vector<gltf::OutputFile> files;
    std::string error;
    ASSERT_TRUE(gltf::SerializeGltf(&asset, "model.glb", &files, &error)) << error;

    gltf::ImportOptions importOptions;
    importOptions.framesPerSecond = ms3d.framesPerSecond;
    gltf::ImportedAsset read;
    ASSERT_TRUE(gltf::ImportGltf(files.back().bytes.data(), files.back().bytes.size(), nullptr,
                                 importOptions, &read, &error))
        << error;
    EXPECT_EQ(CheckImportedObject(read.object), "");
    const bool offsetsFollowTree =
        std::any_of(asset.warnings.begin(), asset.warnings.end(),
                    [](const std::string& w) { return w.find("disagree") != std::string::npos; });
    ExpectObjectsMatch(*imported, *read.object, offsetsFollowTree, model.name);

    // The DBO writer writes it and the DBO reader reads it back whole.
    uint8_t* block = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(dbo::WriteObjectBlock(read.object, &block, &size));
    sObject* loaded = nullptr;
    EXPECT_EQ(dbo::ReadObjectBlock(block, block + size, &loaded, nullptr),
              dbo::ReadResult::kLoaded);
    if (loaded) ExpectObjectsMatch(*imported, *loaded, offsetsFollowTree, model.name + " (DBO)");
    standalone::StandaloneHost::ReleaseWholeObject(loaded);
    HostFree(block);
    host_.DeleteObject(1);
    ++compared;
  }
  EXPECT_GE(compared, 4u);
}

}  // namespace
}  // namespace korva::testing

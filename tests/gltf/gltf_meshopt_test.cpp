// Assets compressed with EXT_meshopt_compression by a common pipeline tool read to the object their
// uncompressed twins give: the same frames, meshes and indices, every vertex within 2e-3 of the
// model's size (texture coordinates within 2e-3 of their range), the same bone influences, and the
// same keys within the filters' precision. A damaged stream is refused in one line naming its view.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "gltf/build/gltf_import.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/vertex_format.h"
#include "standalone/standalone_host.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

std::string Name(const char* field) {
  return std::string(field, strnlen(field, 256));
}

std::vector<const sFrame*> Frames(const sFrame* root) {
  std::vector<const sFrame*> out, stack{root};
  while (!stack.empty()) {
    const sFrame* frame = stack.back();
    stack.pop_back();
    if (!frame) continue;
    out.push_back(frame);
    stack.push_back(frame->nextSibling);
    stack.push_back(frame->firstChild);
  }
  return out;
}

float VertexFloat(const sMesh& mesh, size_t vertex, uint32_t offset) {
  float v;
  std::memcpy(&v, mesh.vertexData + vertex * mesh.vertexSize + offset, 4);
  return v;
}

// The largest extent of the meshes' positions (and of their first texture set), over the object.
struct Extents {
  float size = 0, uvRange = 0;
};

Extents ExtentsOf(const std::vector<const sFrame*>& frames) {
  float low[5] = {1e30f, 1e30f, 1e30f, 1e30f, 1e30f},
        high[5] = {-1e30f, -1e30f, -1e30f, -1e30f, -1e30f};
  for (const sFrame* frame : frames) {
    if (!frame->mesh) continue;
    const VertexFormat format = MeshVertexFormat(*frame->mesh);
    for (size_t v = 0; v < size_t(frame->mesh->vertexCount); ++v) {
      for (int k = 0; k < 5; ++k) {
        if (k >= 3 && !format.texcoords[0].present()) continue;
        const uint32_t at =
            k < 3 ? format.position.offset + 4 * k : format.texcoords[0].offset + 4 * (k - 3);
        low[k] = std::min(low[k], VertexFloat(*frame->mesh, v, at));
        high[k] = std::max(high[k], VertexFloat(*frame->mesh, v, at));
      }
    }
  }
  Extents e;
  for (int k = 0; k < 5; ++k)
    (k < 3 ? e.size : e.uvRange) = std::max(k < 3 ? e.size : e.uvRange, high[k] - low[k]);
  return e;
}

// Points of a few coordinates; every point of one set has a point of the other within
// `tolerance[k]` in each coordinate k (the tool may order vertices and triangles its own way).
using Points = std::vector<std::vector<float>>;

bool Covers(const Points& set, const Points& of, const std::vector<float>& tolerance) {
  for (const std::vector<float>& p : of) {
    const bool found = std::any_of(set.begin(), set.end(), [&](const std::vector<float>& q) {
      for (size_t k = 0; k < p.size(); ++k)
        if (std::fabs(p[k] - q[k]) > tolerance[k]) return false;
      return true;
    });
    if (!found) return false;
  }
  return true;
}

// Each vertex as position and texture coordinates; each triangle as its corners' centroid.
void MeshPoints(const sMesh& mesh, bool withUv, Points* vertices, Points* triangles) {
  const VertexFormat format = MeshVertexFormat(mesh);
  for (size_t v = 0; v < size_t(mesh.vertexCount); ++v) {
    std::vector<float> p;
    for (uint32_t k = 0; k < 3; ++k)
      p.push_back(VertexFloat(mesh, v, format.position.offset + 4 * k));
    for (uint32_t k = 0; k < 2 && withUv && format.texcoords[0].present(); ++k)
      p.push_back(VertexFloat(mesh, v, format.texcoords[0].offset + 4 * k));
    vertices->push_back(p);
  }
  for (size_t t = 0; t + 3 <= size_t(mesh.indexCount); t += 3) {
    std::vector<float> centroid(3, 0.0f);
    for (size_t c = 0; c < 3; ++c)
      for (size_t k = 0; k < 3; ++k) centroid[k] += (*vertices)[mesh.indexData[t + c]][k] / 3;
    triangles->push_back(centroid);
  }
}

void ExpectMeshesMatch(const sMesh& a, const sMesh& b, const Extents& extents, bool compareUv,
                       const std::string& where) {
  ASSERT_EQ(a.fvf, b.fvf) << where;
  ASSERT_EQ(a.vertexCount, b.vertexCount) << where;
  ASSERT_EQ(a.indexCount, b.indexCount) << where;
  Points verticesA, verticesB, trianglesA, trianglesB;
  MeshPoints(a, compareUv, &verticesA, &trianglesA);
  MeshPoints(b, compareUv, &verticesB, &trianglesB);
  const float p = 2e-3f * extents.size, uv = 2e-3f * extents.uvRange;
  const std::vector<float> tolerance{p, p, p, uv, uv};
  EXPECT_TRUE(Covers(verticesA, verticesB, tolerance) && Covers(verticesB, verticesA, tolerance))
      << where << ": vertices differ";
  EXPECT_TRUE(Covers(trianglesA, trianglesB, tolerance) &&
              Covers(trianglesB, trianglesA, tolerance))
      << where << ": triangles differ";
  ASSERT_EQ(a.boneCount, b.boneCount) << where;
  for (int32_t i = 0; i < a.boneCount; ++i) {
    EXPECT_EQ(Name(a.bones[i].name), Name(b.bones[i].name)) << where;
    EXPECT_EQ(a.bones[i].vertexCount, b.bones[i].vertexCount) << where << " bone " << i;
  }
}

void ExpectObjectsMatch(const sObject& a, const sObject& b, bool compareUv,
                        const std::string& what) {
  const std::vector<const sFrame*> framesA = Frames(a.rootFrame), framesB = Frames(b.rootFrame);
  ASSERT_EQ(framesA.size(), framesB.size()) << what;
  const Extents extents = ExtentsOf(framesA);
  ASSERT_GT(extents.size, 0) << what;
  for (size_t i = 0; i < framesA.size(); ++i) {
    const std::string where = what + " frame " + Name(framesA[i]->name);
    ASSERT_EQ(Name(framesA[i]->name), Name(framesB[i]->name)) << where;
    for (int m = 0; m < 16; ++m) {
      EXPECT_NEAR((&framesA[i]->localMatrix.m[0][0])[m], (&framesB[i]->localMatrix.m[0][0])[m],
                  2e-3f * std::max(1.0f, extents.size))
          << where;
    }
    ASSERT_EQ(!framesA[i]->mesh, !framesB[i]->mesh) << where;
    if (framesA[i]->mesh)
      ExpectMeshesMatch(*framesA[i]->mesh, *framesB[i]->mesh, extents, compareUv, where);
  }
  ASSERT_EQ(!a.animationSet, !b.animationSet) << what;
  if (!a.animationSet) return;
  EXPECT_EQ(a.animationSet->length, b.animationSet->length) << what;
  const sAnimation* y = b.animationSet->firstTrack;
  for (const sAnimation* x = a.animationSet->firstTrack; x; x = x->next, y = y->next) {
    ASSERT_TRUE(y) << what;
    const std::string where = what + " track " + Name(x->name);
    EXPECT_EQ(Name(x->name), Name(y->name)) << where;
    ASSERT_EQ(x->positionKeyCount, y->positionKeyCount) << where;
    ASSERT_EQ(x->rotationKeyCount, y->rotationKeyCount) << where;
    for (int32_t k = 0; k < x->positionKeyCount; ++k) {
      EXPECT_EQ(x->positionKeys[k].frame, y->positionKeys[k].frame) << where;
      const D3DXVECTOR3 &p = x->positionKeys[k].position, &q = y->positionKeys[k].position;
      EXPECT_NEAR(p.x, q.x, 2e-3f * extents.size) << where << " key " << k;
      EXPECT_NEAR(p.y, q.y, 2e-3f * extents.size) << where << " key " << k;
      EXPECT_NEAR(p.z, q.z, 2e-3f * extents.size) << where << " key " << k;
    }
    for (int32_t k = 0; k < x->rotationKeyCount; ++k) {
      EXPECT_EQ(x->rotationKeys[k].frame, y->rotationKeys[k].frame) << where;
      const D3DXQUATERNION &p = x->rotationKeys[k].rotation, &q = y->rotationKeys[k].rotation;
      EXPECT_GT(std::fabs(p.x * q.x + p.y * q.y + p.z * q.z + p.w * q.w), 1 - 1e-3f)
          << where << " key " << k;
    }
  }
  EXPECT_FALSE(y) << what;
}

class MeshoptAssets : public ::testing::Test {
 protected:
  MeshoptAssets() {
    host_.SetTexturePixelsDecoded(false);
    host_.Bind();
  }
  static std::vector<uint8_t> Asset(const std::string& name) {
    return ReadWholeFile(std::string(KORVA_GLTF_MESHOPT_DIR) + "/" + name);
  }
  standalone::StandaloneHost host_;
};

TEST_F(MeshoptAssets, ReadAsTheirUncompressedTwins) {
  struct Pair {
    const char* compressed;
    const char* plain;
    bool compareUv;  // quantized texture coordinates need KHR_texture_transform: alike, not right
  };
  const Pair pairs[] = {{"crane.cc-noq.glb", "crane.noq.glb", true},
                        {"crane.cc.glb", "crane.q.glb", true},
                        {"Dophi.cc-noq.glb", "Dophi.noq.glb", true},
                        {"Dophi.cc.glb", "Dophi.q.glb", true}};
  for (const Pair& pair : pairs) {
    gltf::ImportedAsset compressed, plain;
    std::string error;
    const std::vector<uint8_t> a = Asset(pair.plain), b = Asset(pair.compressed);
    ASSERT_TRUE(gltf::ImportGltf(a.data(), a.size(), nullptr, {}, &plain, &error)) << error;
    ASSERT_TRUE(gltf::ImportGltf(b.data(), b.size(), nullptr, {}, &compressed, &error))
        << pair.compressed << ": " << error;
    ExpectObjectsMatch(*plain.object, *compressed.object, pair.compareUv, pair.compressed);
  }
}

// The .glb's JSON chunk, edited as text, with its length fixed.
// The first `from` after `after` is replaced.
std::vector<uint8_t> WithJson(const std::vector<uint8_t>& glb, const std::string& from,
                              const std::string& to, const std::string& after = "") {
  uint32_t jsonLength;
  std::memcpy(&jsonLength, &glb[12], 4);
  std::string json(glb.begin() + 20, glb.begin() + 20 + jsonLength);
  const size_t at = json.find(from, after.empty() ? 0 : json.find(after));
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) json.replace(at, from.size(), to);
  while (json.size() % 4) json += ' ';
  const size_t rest = glb.size() - 20 - jsonLength;
  std::vector<uint8_t> out(20 + json.size() + rest);
  std::memcpy(out.data(), glb.data(), 20);
  std::memcpy(out.data() + 20, json.data(), json.size());
  std::memcpy(out.data() + 20 + json.size(), glb.data() + 20 + jsonLength, rest);
  const uint32_t length = static_cast<uint32_t>(json.size());
  std::memcpy(&out[12], &length, 4);
  const uint32_t total = static_cast<uint32_t>(out.size());
  std::memcpy(&out[8], &total, 4);
  return out;
}

TEST_F(MeshoptAssets, ABadCompressedViewIsRefusedInOneLineNamingIt) {
  const std::vector<uint8_t> glb = Asset("crane.cc-noq.glb");
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* expected;
  };
  // The first compressed view's stream: its header byte changed.
  uint32_t jsonLength;
  std::memcpy(&jsonLength, &glb[12], 4);
  const std::string json(glb.begin() + 20, glb.begin() + 20 + jsonLength);
  const std::string stream = "\"EXT_meshopt_compression\":{\"buffer\":0,\"byteOffset\":";
  ASSERT_NE(json.find(stream), std::string::npos);
  std::vector<uint8_t> damaged = glb;
  damaged[20 + jsonLength + 8 + std::stoul(json.substr(json.find(stream) + stream.size()))] ^= 0xff;
  const Case cases[] = {
      {"a stream whose header is not its mode's", damaged,
       "].extensions.EXT_meshopt_compression: the stream does not start with its mode's header "
       "byte"},
      {"a stream cut short by its length",
       WithJson(glb, "\"byteLength\":", "\"byteLength\":1,\"x\":", stream),
       "].extensions.EXT_meshopt_compression: the stream is cut short (at byte 1 of 1)"},
      {"a mode the extension does not define", WithJson(glb, "\"ATTRIBUTES\"", "\"VERTICES\""),
       "EXT_meshopt_compression.mode is not ATTRIBUTES, TRIANGLES or INDICES"},
      {"a fallback buffer a plain view reads",
       WithJson(glb, "\"EXT_meshopt_compression\":{\"buffer\":0,", "\"x\":{\"buffer\":0,"),
       "has no uri and no binary chunk holds it"},
  };
  for (const Case& c : cases) {
    gltf::ImportedAsset asset;
    std::string error;
    EXPECT_FALSE(gltf::ImportGltf(c.bytes.data(), c.bytes.size(), nullptr, {}, &asset, &error))
        << c.what;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.what;
  }
}

}  // namespace
}  // namespace korva::testing

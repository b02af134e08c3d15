// Writes the generated inputs of the glTF validation layer into a folder: the generated MS3D
// models the hardening tests share (static, skinned with several groups, animated, without
// materials), and DBO files with one mesh per vertex format the DBO reader takes, strips and fans,
// a mesh without indices too large for 16-bit ones, bones and matrix-key animation. With a second
// folder, also the well-made glTF assets the reader's tests are built from, for the validator to
// check and `korva convert` to read.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dbo/object_files.h"
#include "gltf/samples/gltf_cases.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/host_heap.h"
#include "render/object_builder.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

constexpr uint32_t kXyz = 0x002, kNormal = 0x010, kPointSize = 0x020, kDiffuse = 0x040,
                   kSpecular = 0x080;
constexpr uint32_t TexSets(uint32_t n) {
  return n << 8;
}
constexpr uint32_t XyzBlend(uint32_t weights) {
  return 0x004 + 2 * weights;
}

struct Element {
  int offset;
  int floats;  // 0: a 32-bit colour
};

// Rewrites the mesh's vertices (as AttachMesh made them) into `stride`-byte vertices with the
// position, normal, colour and first texture coordinates at the given offsets (-1: absent), the
// other bytes filled with a pattern a reader must skip.
void Reformat(sMesh* mesh, int stride, int position, int normal, int diffuse, int texcoord,
              int texcoordFloats) {
  const size_t count = static_cast<size_t>(mesh->vertexCount);
  auto* bytes = static_cast<uint8_t*>(HostAllocateZeroed(count ? count : 1, stride));
  for (size_t v = 0; v < count; ++v) {
    const uint8_t* from = mesh->vertexData + v * 36;
    uint8_t* to = bytes + v * stride;
    std::memset(to, 0x3F, stride);
    if (position >= 0) std::memcpy(to + position, from, 12);
    if (normal >= 0) std::memcpy(to + normal, from + 12, 12);
    if (diffuse >= 0) {
      const uint32_t argb = 0xFF000000u | (uint32_t(v * 40 % 256) << 16) | 0x8040u;
      std::memcpy(to + diffuse, &argb, 4);
    }
    if (texcoord >= 0) std::memcpy(to + texcoord, from + 28, 4 * std::min(texcoordFloats, 2));
  }
  HostFree(mesh->vertexData);
  mesh->vertexData = bytes;
  mesh->vertexSize = static_cast<uint32_t>(stride);
}

// A quad with the FVF code's layout.
void FvfQuad(sObject* object, uint32_t fvf, const char* name) {
  sFrame* frame = AddFrame(object, nullptr, Translation(0, 0, 0), name);
  sMesh* mesh =
      AttachMesh(frame, QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 0.8f, 0.6f, 0.4f);
  int stride = 12;
  const uint32_t positionBits = fvf & 0x400E;
  if (positionBits != kXyz) stride += static_cast<int>((positionBits - 0x004) / 2) * 4;
  int normal = -1, diffuse = -1, texcoord = -1, texcoordFloats = 0;
  if (fvf & kNormal) normal = stride, stride += 12;
  if (fvf & kPointSize) stride += 4;
  if (fvf & kDiffuse) diffuse = stride, stride += 4;
  if (fvf & kSpecular) stride += 4;
  const uint32_t sets = (fvf >> 8) & 0xF;
  static const int kFloats[4] = {2, 3, 4, 1};
  for (uint32_t set = 0; set < sets; ++set) {
    const int floats = kFloats[(fvf >> (16 + 2 * set)) & 3];
    if (set == 0) texcoord = stride, texcoordFloats = floats;
    stride += 4 * floats;
  }
  Reformat(mesh, stride, 0, normal, diffuse, texcoord, texcoordFloats);
  mesh->fvf = fvf;
}

// A quad whose layout is given by a vertex declaration (FVF 0), elements out of order.
void DeclarationQuad(sObject* object) {
  sFrame* frame = AddFrame(object, nullptr, Translation(0, 0, 0), "declared");
  sMesh* mesh =
      AttachMesh(frame, QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 0.3f, 0.7f, 0.9f);
  // texcoord at 0, colour at 8, position at 12, normal at 24.
  Reformat(mesh, 36, 12, 24, 8, 0, 2);
  mesh->fvf = 0;
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, 1, 0, 5, 0},
                                        {0, 8, 4, 0, 10, 0},
                                        {0, 12, 2, 0, 0, 0},
                                        {0, 24, 2, 0, 3, 0},
                                        {0xFF, 0, 17, 0, 0, 0}};
  std::memcpy(mesh->declaration, elements, sizeof elements);
}

// A grid without indices: more corners than 16-bit indices can number.
void LargeUnindexed(sObject* object) {
  sFrame* frame = AddFrame(object, nullptr, Translation(0, 0, 0), "large");
  std::vector<BuiltVertex> soup;
  const int side = 110;  // 110 x 110 cells, 6 corners each: 72600 corners
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const auto quad = QuadFacingPlusZ(x * 0.1f, y * 0.1f, (x + 1) * 0.1f, (y + 1) * 0.1f, 0);
      for (uint16_t i : FrontQuadIndices()) soup.push_back(quad[i]);
    }
  }
  sMesh* mesh = AttachMesh(frame, soup, {}, 0.5f, 0.5f, 0.5f);
  mesh->drawPrimitiveCount = mesh->vertexCount / 3;
}

void StripAndFan(sObject* object) {
  sMesh* strip = AttachMesh(AddFrame(object, nullptr, Translation(-2, 0, 0), "strip"),
                            QuadFacingPlusZ(-1, -1, 1, 1, 0), {0, 1, 3, 2}, 1, 0, 0);
  strip->primitiveType = 5;
  strip->drawPrimitiveCount = 2;
  sMesh* fan = AttachMesh(AddFrame(object, nullptr, Translation(2, 0, 0), "fan"),
                          QuadFacingPlusZ(-1, -1, 1, 1, 0), {0, 1, 2, 3}, 0, 1, 0);
  fan->primitiveType = 6;
  fan->drawPrimitiveCount = 2;
}

// Two bones on two frames moving the halves of a quad, a bone naming no frame, more than four
// influences on one vertex, and a track of matrix keys with one of position and rotation keys.
void BonesAndMatrixKeys(sObject* object) {
  sFrame* body = AddFrame(object, nullptr, Translation(0, 0, 0), "body");
  sFrame* upper = AddFrame(object, body, Translation(0, 1, 0), "upper");
  AddFrame(object, body, Translation(0, -1, 0), "lower");
  AddFrame(object, body, Translation(1, 0, 0), "side");
  AddFrame(object, body, Translation(-1, 0, 0), "other side");
  sMesh* mesh = AttachMesh(AddFrame(object, nullptr, Translation(0, 0, 0), "skin"),
                           QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 1, 1);
  // Vertex 0 has five joints (upper twice, which counts once).
  const char* names[] = {"upper", "lower", "nowhere", "body", "upper", "side", "other side"};
  const int count = 7;
  mesh->bones = NewCountedArray<sBone>(count, ConstructBone);
  mesh->boneCount = count;
  for (int b = 0; b < count; ++b) {
    sBone& bone = mesh->bones[b];
    std::strcpy(bone.name, names[b]);
    const std::vector<uint32_t> vertices = b == 0   ? std::vector<uint32_t>{0, 1}
                                           : b == 1 ? std::vector<uint32_t>{2, 3, 0}
                                                    : std::vector<uint32_t>{0};
    bone.vertexCount = static_cast<int32_t>(vertices.size());
    bone.vertices = static_cast<uint32_t*>(HostAllocateZeroed(vertices.size(), 4));
    bone.weights = static_cast<float*>(HostAllocateZeroed(vertices.size(), 4));
    for (size_t k = 0; k < vertices.size(); ++k) {
      bone.vertices[k] = vertices[k];
      bone.weights[k] = 0.1f * static_cast<float>(b + 1);
    }
  }
  sAnimationSet* set = NewAnimationSet();
  std::strcpy(set->name, "move");
  set->length = 20;
  object->animationSet = set;
  sAnimation* byMatrix = NewAnimation();
  std::strcpy(byMatrix->name, "upper");
  byMatrix->matrixKeyCount = 2;
  byMatrix->matrixKeys = static_cast<sMatrixKey*>(HostAllocateZeroed(2, sizeof(sMatrixKey)));
  byMatrix->matrixKeys[0].frame = 0;
  byMatrix->matrixKeys[0].matrix = upper->localMatrix;
  byMatrix->matrixKeys[1].frame = 20;
  byMatrix->matrixKeys[1].matrix = RotationZ(0.5f);
  sAnimation* byKeys = NewAnimation();
  std::strcpy(byKeys->name, "body");
  byKeys->positionKeyCount = 2;
  byKeys->positionKeys = static_cast<sPositionKey*>(HostAllocateZeroed(2, sizeof(sPositionKey)));
  byKeys->positionKeys[1].frame = 10;
  byKeys->positionKeys[1].position = {0, 0, 2};
  byKeys->rotationKeyCount = 2;
  byKeys->rotationKeys = static_cast<sRotateKey*>(HostAllocateZeroed(2, sizeof(sRotateKey)));
  byKeys->rotationKeys[0].rotation = {0, 0, 0, 1};
  byKeys->rotationKeys[1].frame = 10;
  byKeys->rotationKeys[1].rotation = {0, 0.7071068f, 0, 0.7071068f};
  set->firstTrack = byMatrix;
  byMatrix->next = byKeys;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  const bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out && std::fclose(out) != 0) return false;
  if (!ok) std::fprintf(stderr, "%s: not written\n", path.c_str());
  return ok;
}

bool Save(const std::string& folder, const std::string& name, void (*build)(sObject*)) {
  ObjectHandle object = NewEmptyObject();
  build(object.get());
  const std::string path = folder + "/" + name + ".dbo";
  if (dbo::SaveObjectFile(path.c_str(), object.get()) != 1) {
    std::fprintf(stderr, "%s: not written\n", path.c_str());
    return false;
  }
  return true;
}

bool SaveFvf(const std::string& folder, uint32_t fvf) {
  ObjectHandle object = NewEmptyObject();
  FvfQuad(object.get(), fvf, "quad");
  char name[32];
  std::snprintf(name, sizeof name, "/fvf_%06X.dbo", fvf);
  const std::string path = folder + name;
  if (dbo::SaveObjectFile(path.c_str(), object.get()) != 1) {
    std::fprintf(stderr, "%s: not written\n", path.c_str());
    return false;
  }
  return true;
}
}  // namespace
}  // namespace korva::testing

int main(int argc, char** argv) {
  using namespace korva::testing;
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER [GLTF_FOLDER]\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  bool ok = true;
  for (const NamedBytes& model : GeneratedMs3dModels()) {
    ok = WriteFile(folder + "/" + model.name + ".ms3d", model.bytes) && ok;
  }
  if (argc == 3) {
    for (const GltfCase& c : GltfCases()) {
      if (!c.valid) continue;
      const bool json = !c.bytes.empty() && c.bytes[0] == '{';
      ok =
          WriteFile(std::string(argv[2]) + "/" + c.name + (json ? ".gltf" : ".glb"), c.bytes) && ok;
      for (const auto& [name, bytes] : c.files)
        ok = WriteFile(std::string(argv[2]) + "/" + name, bytes) && ok;
    }
  }
  // Every part of an FVF code the reader knows: positions with 0 to 5 blend weights, normal,
  // point size, both colours, 0 to 8 texture sets of 1 to 4 floats.
  const uint32_t codes[] = {kXyz,
                            kXyz | kNormal,
                            kXyz | kDiffuse,
                            kXyz | kNormal | TexSets(1),
                            kXyz | kNormal | kDiffuse | TexSets(1),
                            kXyz | kPointSize | kDiffuse | kSpecular | TexSets(2),
                            XyzBlend(1) | kNormal | TexSets(1),
                            XyzBlend(3) | kNormal | kDiffuse | TexSets(1),
                            XyzBlend(5) | kNormal | TexSets(1),
                            kXyz | kNormal | TexSets(8),
                            kXyz | kNormal | TexSets(1) | (3u << 16),  // one float: u only
                            kXyz | kNormal | TexSets(1) | (1u << 16),  // three floats
                            kXyz | kNormal | TexSets(2) | (2u << 16) | (3u << 18)};
  for (uint32_t fvf : codes) ok = SaveFvf(folder, fvf) && ok;
  ok = Save(folder, "declaration", DeclarationQuad) && ok;
  ok = Save(folder, "large_unindexed", LargeUnindexed) && ok;
  ok = Save(folder, "strip_and_fan", StripAndFan) && ok;
  ok = Save(folder, "bones_and_matrix_keys", BonesAndMatrixKeys) && ok;
  return ok ? 0 : 1;
}

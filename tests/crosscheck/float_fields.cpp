#include "float_fields.h"

#include <cstring>
#include <vector>

#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/sub_material.h"

namespace korva::crosscheck {
namespace {
// The import's vertex format: position, normal, diffuse colour (not a float), texture uv.
constexpr uint32_t kImportFvf = 0x152;

template <typename T>
float* F(T& value) {
  return reinterpret_cast<float*>(&value);
}
template <typename T>
const float* F(const T& value) {
  return reinterpret_cast<const float*>(&value);
}

class Walk {
 public:
  explicit Walk(FloatFieldVisitor& visitor) : visitor_(visitor) {}

  std::string Object(sObject* a, const sObject* b) {
    Frames(a->rootFrame, b->rootFrame);
    for (sAnimationSet *sa = a->animationSet, *sb = b->animationSet; error_.empty();
         sa = sa->next, sb = sb->next) {
      if (!Same(sa, sb, "animation set")) break;
      if (!sa) break;
      Tracks(sa->firstTrack, sb->firstTrack);
    }
    return error_;
  }

 private:
  template <typename T>
  bool Same(const T* a, const T* b, const char* what) {
    if ((a == nullptr) != (b == nullptr)) error_ = std::string(what) + " present in one file only";
    return error_.empty();
  }
  bool SameCount(int64_t a, int64_t b, const char* what) {
    if (a != b) error_ = std::string(what) + ": " + std::to_string(a) + " vs " + std::to_string(b);
    return error_.empty();
  }

  void Floats(const char* field, float* a, const float* b, int count) {
    visitor_.Floats(field, a, b, count);
  }

  void Frames(sFrame* a, const sFrame* b) {
    std::vector<std::pair<sFrame*, const sFrame*>> pending{{a, b}};
    while (!pending.empty() && error_.empty()) {
      auto [fa, fb] = pending.back();
      pending.pop_back();
      if (!Same(fa, fb, "frame") || !fa) continue;
      Floats("frame.localMatrix", F(fa->localMatrix), F(fb->localMatrix), 16);
      Floats("frame.offset", F(fa->offset), F(fb->offset), 3);
      Floats("frame.rotation", F(fa->rotation), F(fb->rotation), 3);
      Floats("frame.scale", F(fa->scale), F(fb->scale), 3);
      if (Same(fa->mesh, fb->mesh, "mesh") && fa->mesh) Mesh(fa->mesh, fb->mesh, pending);
      pending.push_back({fa->nextSibling, fb->nextSibling});
      pending.push_back({fa->firstChild, fb->firstChild});
    }
  }

  void Mesh(sMesh* a, const sMesh* b, std::vector<std::pair<sFrame*, const sFrame*>>& pending) {
    if (!SameCount(a->fvf, b->fvf, "mesh FVF") ||
        !SameCount(a->vertexCount, b->vertexCount, "mesh vertex count") ||
        !SameCount(a->vertexSize, b->vertexSize, "mesh vertex size"))
      return;
    if (a->fvf == kImportFvf && a->vertexSize == 36 && a->vertexData && b->vertexData) {
      for (int32_t v = 0; v < a->vertexCount; ++v) {
        float* va = reinterpret_cast<float*>(a->vertexData + 36 * v);
        const float* vb = reinterpret_cast<const float*>(b->vertexData + 36 * v);
        Floats("mesh.vertex.position", va, vb, 3);
        Floats("mesh.vertex.normal", va + 3, vb + 3, 3);
        Floats("mesh.vertex.uv", va + 7, vb + 7, 2);
      }
    }
    Floats("mesh.material", F(a->material), F(b->material), 17);
    Floats("mesh.value157", &a->hostValue157, &b->hostValue157, 1);
    Floats("mesh.value158", &a->hostValue158, &b->hostValue158, 1);
    if (!SameCount(a->boneCount, b->boneCount, "mesh bone count") ||
        !Same(a->bones, b->bones, "bone array"))
      return;
    for (int32_t i = 0; a->bones && i < a->boneCount; ++i) {
      sBone& ba = a->bones[i];
      const sBone& bb = b->bones[i];
      if (!SameCount(ba.vertexCount, bb.vertexCount, "bone vertex count")) return;
      if (ba.weights && bb.weights) Floats("bone.weights", ba.weights, bb.weights, ba.vertexCount);
      Floats("bone.offsetMatrix", F(ba.offsetMatrix), F(bb.offsetMatrix), 16);
    }
    if (!SameCount(a->materialListCount, b->materialListCount, "material list count") ||
        !Same(a->materialList, b->materialList, "material list"))
      return;
    for (int32_t i = 0; a->materialList && i < a->materialListCount; ++i) {
      Floats("materialList.material", F(a->materialList[i].material),
             F(b->materialList[i].material), 17);
    }
    if (!SameCount(a->frameCount, b->frameCount, "mesh frame count") ||
        !Same(a->frames, b->frames, "mesh frames"))
      return;
    for (int32_t i = 0; a->frames && i < a->frameCount; ++i)
      pending.push_back({&a->frames[i], &b->frames[i]});
  }

  void Tracks(sAnimation* a, const sAnimation* b) {
    for (; error_.empty(); a = a->next, b = b->next) {
      if (!Same(a, b, "animation track") || !a) return;
      if (!SameCount(a->positionKeyCount, b->positionKeyCount, "position keys") ||
          !SameCount(a->rotationKeyCount, b->rotationKeyCount, "rotation keys") ||
          !SameCount(a->scaleKeyCount, b->scaleKeyCount, "scale keys") ||
          !SameCount(a->matrixKeyCount, b->matrixKeyCount, "matrix keys"))
        return;
      for (int32_t k = 0; a->positionKeys && b->positionKeys && k < a->positionKeyCount; ++k) {
        Floats("key.position", F(a->positionKeys[k].position), F(b->positionKeys[k].position), 3);
        Floats("key.position.step", F(a->positionKeys[k].step), F(b->positionKeys[k].step), 3);
      }
      for (int32_t k = 0; a->rotationKeys && b->rotationKeys && k < a->rotationKeyCount; ++k)
        Floats("key.rotation", F(a->rotationKeys[k].rotation), F(b->rotationKeys[k].rotation), 4);
      for (int32_t k = 0; a->scaleKeys && b->scaleKeys && k < a->scaleKeyCount; ++k) {
        Floats("key.scale", F(a->scaleKeys[k].scale), F(b->scaleKeys[k].scale), 3);
        Floats("key.scale.step", F(a->scaleKeys[k].step), F(b->scaleKeys[k].step), 3);
      }
      for (int32_t k = 0; a->matrixKeys && b->matrixKeys && k < a->matrixKeyCount; ++k) {
        Floats("key.matrix", F(a->matrixKeys[k].matrix), F(b->matrixKeys[k].matrix), 16);
        Floats("key.matrix.interpolation", F(a->matrixKeys[k].interpolation),
               F(b->matrixKeys[k].interpolation), 16);
      }
      if (a->boneDataSwitch != 0 || b->boneDataSwitch != 0) continue;
      if (!SameCount(a->outerCount, b->outerCount, "track matrix table") ||
          !SameCount(a->innerCount, b->innerCount, "track matrix table rows") ||
          !Same(a->matrixTable, b->matrixTable, "track matrix table"))
        return;
      for (int32_t o = 0; a->matrixTable && o < a->outerCount; ++o) {
        if (!Same(a->matrixTable[o], b->matrixTable[o], "track matrix row")) return;
        if (a->matrixTable[o])
          Floats("track.matrixTable", F(*a->matrixTable[o]), F(*b->matrixTable[o]),
                 16 * a->innerCount);
      }
    }
  }

  FloatFieldVisitor& visitor_;
  std::string error_;
};
}  // namespace

std::string VisitFloatFields(sObject* first, const sObject* second, FloatFieldVisitor& visitor) {
  if (!first || !second) return "no object";
  return Walk(visitor).Object(first, second);
}

}  // namespace korva::crosscheck

#include "support/object_checks.h"

#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/sub_material.h"
#include "model/texture.h"
#include "support/address_sanitizer.h"
#include "support/counting_allocator.h"

#if KORVA_ADDRESS_SANITIZER
#define KORVA_CHECK_HEAP_SIZES 1
#endif
#ifdef KORVA_CHECK_HEAP_SIZES
// The sanitizer runtime's heap queries; declared here because not every compiler installs their
// header.
extern "C" int __sanitizer_get_ownership(const volatile void* block);
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* block);
#endif

namespace korva::testing {
namespace {

// Under AddressSanitizer the heap knows every block's size, so an array can be checked against
// its count; elsewhere only its presence is. A block of the counting allocator sits behind its
// header, which holds the size asked for.
bool BlockHolds(const void* base, uint64_t bytes) {
#ifdef KORVA_CHECK_HEAP_SIZES
  if (__sanitizer_get_ownership(base)) return __sanitizer_get_allocated_size(base) >= bytes;
  const auto* block = static_cast<const uint8_t*>(base) - kCountedHeaderSize;
  if (!__sanitizer_get_ownership(block)) return false;
  CountedBlockHeader header;
  std::memcpy(&header, block, sizeof header);
  return header.bytes >= bytes;
#else
  (void)base;
  (void)bytes;
  return true;
#endif
}

bool Terminated(const char* field, size_t width) {
  return std::memchr(field, '\0', width) != nullptr;
}

// A plain array: present exactly when its count is positive, and big enough for it.
bool ArrayMatches(int32_t count, const void* array, uint64_t elementSize) {
  if (count < 0) return false;
  if (count == 0) return array == nullptr || BlockHolds(array, 0);
  return array != nullptr && BlockHolds(array, uint64_t(count) * elementSize);
}

template <typename T>
bool CountedArrayMatches(int32_t count, const T* array) {
  if (count < 0) return false;
  if (!array) return count == 0;
  return BlockHolds(CountedArrayBlock(array),
                    CountedArrayPrefix<T>() + uint64_t(count) * sizeof(T)) &&
         CountedArrayCount(array) == count;
}

class Checker {
 public:
  explicit Checker(bool imported) : imported_(imported) {}

  std::string Run(const sObject* object) {
    if (!object) return "no object";
    if (object->meshCount < 0 || object->frameCount < 0) return "negative list count";
    if ((object->meshCount > 0 && !object->meshList) ||
        (object->frameCount > 0 && !object->frameList)) {
      return "list missing for its count";
    }
    if (!ArrayMatches(static_cast<int32_t>(object->customDataSize), object->customData, 1) ||
        object->customDataSize > INT32_MAX) {
      return "custom data does not match its size";
    }
    if (!WalkFrames(object->rootFrame)) return fault_;
    for (int32_t i = 0; i < object->frameCount; ++i) {
      if (!object->frameList[i]) return "frame list entry missing";
    }
    for (int32_t i = 0; i < object->meshCount; ++i) {
      // Detached meshes (a joint frame's) stay in the list; they must be sound too.
      const sMesh* mesh = object->meshList[i];
      if (mesh && !meshes_.count(mesh) && !CheckMesh(*mesh)) return fault_;
    }
    if (!WalkAnimationSets(object->animationSet)) return fault_;
    return "";
  }

 private:
  bool Fail(const std::string& text) {
    fault_ = text;
    return false;
  }

  bool WalkFrames(const sFrame* root) {
    std::vector<const sFrame*> pending;
    if (root) pending.push_back(root);
    while (!pending.empty()) {
      const sFrame* frame = pending.back();
      pending.pop_back();
      if (!frames_.insert(frame).second) return Fail("frame reached twice (cycle or shared)");
      if (!Terminated(frame->name, sizeof frame->name)) return Fail("frame name unterminated");
      if (frame->mesh) {
        if (!meshes_.insert(frame->mesh).second) return Fail("mesh shared by two frames");
        if (!CheckMesh(*frame->mesh)) return false;
        // Frames held by a mesh are whole records with trees of their own.
        for (int32_t i = 0; i < frame->mesh->frameCount; ++i)
          pending.push_back(&frame->mesh->frames[i]);
      }
      for (const sMesh* more : frame->moreMeshes) {
        if (more && !meshes_.insert(more).second) return Fail("mesh shared by two frames");
        if (more && !CheckMesh(*more)) return false;
      }
      if (frame->nextSibling) pending.push_back(frame->nextSibling);
      if (frame->firstChild) pending.push_back(frame->firstChild);
    }
    return true;
  }

  bool CheckMesh(const sMesh& mesh) {
    if (mesh.vertexCount < 0 || mesh.indexCount < 0) return Fail("negative vertex or index count");
    const uint64_t vertexBytes = uint64_t{mesh.vertexSize} * uint32_t(mesh.vertexCount);
    if (vertexBytes > 0 && (!mesh.vertexData || !BlockHolds(mesh.vertexData, vertexBytes))) {
      return Fail("vertex data smaller than its count");
    }
    if (!ArrayMatches(mesh.indexCount, mesh.indexData, sizeof(uint16_t))) {
      return Fail("index data does not match its count");
    }
    if (!Terminated(mesh.effectFile, sizeof mesh.effectFile))
      return Fail("effect name unterminated");
    if (!CountedArrayMatches(mesh.boneCount, mesh.bones)) return Fail("bones do not match count");
    for (int32_t b = 0; b < mesh.boneCount; ++b) {
      const sBone& bone = mesh.bones[b];
      if (!Terminated(bone.name, sizeof bone.name)) return Fail("bone name unterminated");
      if (!ArrayMatches(bone.vertexCount, bone.vertices, sizeof(uint32_t)) ||
          !ArrayMatches(bone.vertexCount, bone.weights, sizeof(float))) {
        return Fail("bone influences do not match their count");
      }
      if (imported_) {
        for (int32_t k = 0; k < bone.vertexCount; ++k) {
          if (bone.vertices[k] >= uint32_t(mesh.vertexCount)) {
            return Fail("bone vertex number beyond the mesh");
          }
        }
      }
    }
    if (!CountedArrayMatches(mesh.textureCount, mesh.textures)) {
      return Fail("textures do not match count");
    }
    for (int32_t t = 0; t < mesh.textureCount; ++t) {
      if (!Terminated(mesh.textures[t].name, sizeof mesh.textures[t].name)) {
        return Fail("texture name unterminated");
      }
    }
    if (!ArrayMatches(mesh.materialListCount, mesh.materialList, sizeof(sSubMaterial))) {
      return Fail("material list does not match count");
    }
    for (int32_t e = 0; e < mesh.materialListCount; ++e) {
      if (!Terminated(mesh.materialList[e].name, sizeof mesh.materialList[e].name)) {
        return Fail("material entry name unterminated");
      }
    }
    if (!CountedArrayMatches(mesh.frameCount, mesh.frames)) {
      return Fail("mesh frames do not match count");
    }
    if (imported_ && !CheckImportedMesh(mesh)) return false;
    return true;
  }

  bool CheckImportedMesh(const sMesh& mesh) {
    if (mesh.indexData) {
      for (int32_t i = 0; i < mesh.indexCount; ++i) {
        if (mesh.indexData[i] >= mesh.vertexCount) return Fail("index beyond the mesh's vertices");
      }
    }
    if (mesh.drawVertexCount < 0 || mesh.drawVertexCount > mesh.vertexCount) {
      return Fail("more vertices to draw than the mesh has");
    }
    if (mesh.primitiveType == kPrimitiveTriangleList) {
      const int64_t corners = int64_t{mesh.drawPrimitiveCount} * 3;
      const int64_t available = mesh.indexData ? mesh.indexCount : mesh.vertexCount;
      if (mesh.drawPrimitiveCount < 0 || corners > available) {
        return Fail("more primitives to draw than the buffers hold");
      }
    }
    return true;
  }

  bool WalkAnimationSets(const sAnimationSet* first) {
    std::unordered_set<const void*> seen;
    for (const sAnimationSet* set = first; set; set = set->next) {
      if (!seen.insert(set).second) return Fail("animation set chain loops");
      if (!Terminated(set->name, sizeof set->name)) return Fail("animation set name unterminated");
      for (const sAnimation* track = set->firstTrack; track; track = track->next) {
        if (!seen.insert(track).second) return Fail("track chain loops or is shared");
        if (!CheckTrack(*track)) return false;
      }
    }
    return true;
  }

  bool CheckTrack(const sAnimation& track) {
    if (!Terminated(track.name, sizeof track.name)) return Fail("track name unterminated");
    if (!ArrayMatches(track.positionKeyCount, track.positionKeys, sizeof(sPositionKey)) ||
        !ArrayMatches(track.rotationKeyCount, track.rotationKeys, sizeof(sRotateKey)) ||
        !ArrayMatches(track.scaleKeyCount, track.scaleKeys, sizeof(sScaleKey)) ||
        !ArrayMatches(track.matrixKeyCount, track.matrixKeys, sizeof(sMatrixKey)) ||
        !ArrayMatches(track.tableCount, track.table, sizeof(int32_t))) {
      return Fail("track keys do not match their counts");
    }
    if (!track.matrixTable) return true;
    if (track.outerCount <= 0 || track.innerCount < 0 ||
        !BlockHolds(track.matrixTable, uint64_t(track.outerCount) * sizeof(D3DXMATRIX*))) {
      return Fail("matrix table does not match its counts");
    }
    for (int32_t i = 0; i < track.outerCount; ++i) {
      if (!ArrayMatches(track.innerCount, track.matrixTable[i], sizeof(D3DXMATRIX))) {
        return Fail("matrix table row does not match its count");
      }
    }
    return true;
  }

  bool imported_;
  std::string fault_;
  std::unordered_set<const sFrame*> frames_;
  std::unordered_set<const sMesh*> meshes_;
};

}  // namespace

std::string CheckObjectStructure(const sObject* object) {
  return Checker(false).Run(object);
}

std::string CheckImportedObject(const sObject* object) {
  return Checker(true).Run(object);
}

}  // namespace korva::testing

#include "dbo/block_reader.h"

#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "dbo/block_format.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/sub_material.h"
#include "model/texture.h"

namespace korva::dbo {
namespace {

// A cursor that never moves past the end bound. An unbounded cursor trusts the block.
class Cursor {
 public:
  Cursor(const uint8_t* begin, const uint8_t* end, std::vector<SkippedBlock>* skipped)
      : begin_(begin),
        at_(begin),
        end_(end ? reinterpret_cast<uintptr_t>(end) : UINTPTR_MAX),
        bounded_(end != nullptr),
        skipped_(skipped) {}

  const uint8_t* Position() const { return at_; }
  bool Bounded() const { return bounded_; }
  uint64_t Remaining() const { return end_ - reinterpret_cast<uintptr_t>(at_); }

  bool Skip(uint64_t count) {
    if (count > Remaining()) return false;
    at_ += count;
    return true;
  }
  bool Copy(void* target, uint64_t count) {
    if (count > Remaining()) return false;
    std::memcpy(target, at_, static_cast<size_t>(count));
    at_ += count;
    return true;
  }
  bool Dword(uint32_t* value) { return Copy(value, sizeof *value); }
  bool Int(int32_t* value) { return Copy(value, sizeof *value); }
  bool Flag(uint8_t* value) {
    uint8_t raw;
    if (!Copy(&raw, 1)) return false;
    *value = raw != 0;
    return true;
  }
  bool Pair(uint32_t* code, uint32_t* size) { return Dword(code) && Dword(size); }
  // Passes over the payload of a block whose code (just read) this reader does not know, noting
  // it for a caller that wants to tell users what a newer writer put there.
  bool SkipUnknown(uint32_t code, uint32_t size) {
    if (skipped_) {
      const auto offset = static_cast<uint32_t>(at_ - begin_) - kPairBytes;
      skipped_->push_back({code, size, offset});
    }
    return Skip(size);
  }
  void Unread(uint32_t count) { at_ -= count; }

  // A name: DWORD length, then its characters; at most 255 are kept, all are consumed. A length of
  // 0 leaves the name as it was.
  bool Name(char* name) {
    uint32_t length;
    if (!Dword(&length)) return false;
    if (length == 0) return true;
    if (length > Remaining()) return false;
    const uint32_t kept = length < kNameCharacters ? length : kNameCharacters;
    std::memcpy(name, at_, kept);
    name[kept] = '\0';
    at_ += length;
    return true;
  }

  // A new block of count x elementSize bytes from the host heap, filled from the cursor. False when
  // the bytes are not there or cannot be allocated; a count of 0 yields null and consumes nothing.
  template <typename T>
  bool Array(T** target, uint32_t count, uint64_t elementSize) {
    const uint64_t bytes = uint64_t{count} * elementSize;
    if (bytes > Remaining()) return false;
    HostFree(*target);
    *target = nullptr;
    if (bytes == 0) return true;
    auto* block = static_cast<T*>(HostAllocate(static_cast<size_t>(bytes)));
    if (!block) return false;
    std::memcpy(block, at_, static_cast<size_t>(bytes));
    at_ += bytes;
    *target = block;
    return true;
  }

 private:
  const uint8_t* begin_;
  const uint8_t* at_;
  uintptr_t end_;
  bool bounded_;
  std::vector<SkippedBlock>* skipped_;
};

// A list cannot be shorter than its terminator; counts of lists are checked against this before
// they size an allocation.
bool ListsFit(const Cursor& cursor, uint32_t count) {
  return uint64_t{count} * kPairBytes <= cursor.Remaining();
}

void DeleteTracks(sAnimation* track) {
  while (track) {
    sAnimation* next = track->next;
    ReleaseAnimation(track);
    HostFree(track);
    track = next;
  }
}

void FreeMatrixTable(sAnimation& track) {
  if (!track.matrixTable) return;
  for (int32_t i = 0; i < track.outerCount; ++i) HostFree(track.matrixTable[i]);
  HostFree(track.matrixTable);
  track.matrixTable = nullptr;
}

bool ReadBoneCode(Cursor& in, sBone& bone, uint32_t code, uint32_t size, uint32_t& held) {
  switch (code) {
    case kBoneName:
      return in.Name(bone.name);
    case kBoneInfluenceCount:
      return in.Int(&bone.vertexCount);
    case kBoneVertices:
      held = static_cast<uint32_t>(bone.vertexCount);
      return in.Array(&bone.vertices, held, 4);
    case kBoneWeights:
      held = static_cast<uint32_t>(bone.vertexCount);
      return in.Array(&bone.weights, held, 4);
    case kBoneOffsetMatrix:
      return in.Copy(&bone.offsetMatrix, sizeof bone.offsetMatrix);
    default:
      return in.SkipUnknown(code, size);
  }
}

bool ReadTextureCode(Cursor& in, sTexture& texture, uint32_t code, uint32_t size) {
  if (code == kTextureName) return in.Name(texture.name);
  if (code >= kTextureSettingFirst && code <= kTextureSettingLast) {
    return in.Int(&texture.stage + (code - kTextureSettingFirst));
  }
  return in.SkipUnknown(code, size);
}

bool ReadEntryCode(Cursor& in, sSubMaterial& entry, uint32_t code, uint32_t size) {
  switch (code) {
    case kEntryName:
      return in.Name(entry.name);
    case kEntryMaterial:
      return in.Copy(&entry.material, sizeof entry.material);
    case kEntryValue163:
      return in.Int(&entry.value163);
    case kEntryValue164:
      return in.Int(&entry.value164);
    case kEntryValue165:
      return in.Int(&entry.value165);
    default:
      return in.SkipUnknown(code, size);
  }
}

// The bones of a mesh (block 122): one list per bone, then a terminator.
bool ReadBones(Cursor& in, sMesh& mesh) {
  const auto count = static_cast<uint32_t>(mesh.boneCount);
  if (!ListsFit(in, count)) return false;
  uint32_t code, size;
  if (!in.Pair(&code, &size)) return false;
  DeleteCountedArray(mesh.bones, ReleaseBone);
  mesh.bones = nullptr;
  if (code == kEnd) return count == 0;
  mesh.bones = NewCountedArray<sBone>(count, ConstructBone);
  if (!mesh.bones) return false;
  for (uint32_t i = 0; i < count; ++i) {
    sBone& bone = mesh.bones[i];
    uint32_t vertexHeld = 0, weightHeld = 0;
    if (i > 0 && !in.Pair(&code, &size)) return false;
    while (code != kEnd) {
      uint32_t& held = code == kBoneWeights ? weightHeld : vertexHeld;
      if (!ReadBoneCode(in, bone, code, size, held) || !in.Pair(&code, &size)) return false;
    }
    // The host indexes both arrays by the influence count.
    const auto influences = static_cast<uint32_t>(bone.vertexCount);
    if ((bone.vertices ? vertexHeld : 0) != influences ||
        (bone.weights ? weightHeld : 0) != influences) {
      return false;
    }
  }
  return in.Pair(&code, &size) && code == kEnd;
}

// Textures (block 128) and material entries (block 139) have the same list shape as bones.
template <typename T, typename ReadCode>
bool ReadElements(Cursor& in, T* elements, uint32_t count, ReadCode readCode) {
  uint32_t code, size;
  for (uint32_t i = 0; i < count; ++i) {
    if (!in.Pair(&code, &size)) return false;
    while (code != kEnd) {
      if (!readCode(in, elements[i], code, size) || !in.Pair(&code, &size)) return false;
    }
  }
  return in.Pair(&code, &size) && code == kEnd;
}

// Reads the first pair of an element list: false when the list is damaged, `empty` when the list
// is a terminator alone. The pair is put back for the element loop.
bool OpenElementList(Cursor& in, uint32_t count, bool* empty) {
  if (!ListsFit(in, count)) return false;
  uint32_t code, size;
  if (!in.Pair(&code, &size)) return false;
  *empty = code == kEnd;
  if (*empty) return count == 0;
  if (count == 0) return false;
  in.Unread(2 * sizeof(uint32_t));
  return true;
}

bool ReadTextures(Cursor& in, sMesh& mesh) {
  const auto count = static_cast<uint32_t>(mesh.textureCount);
  bool empty;
  if (!OpenElementList(in, count, &empty)) return false;
  DeleteCountedArray(mesh.textures, ReleaseTexture);
  mesh.textures = nullptr;
  if (empty) return true;
  mesh.textures = NewCountedArray<sTexture>(count, ConstructTexture);
  return mesh.textures && ReadElements(in, mesh.textures, count, ReadTextureCode);
}

bool ReadMaterialList(Cursor& in, sMesh& mesh, uint32_t& held) {
  const auto count = static_cast<uint32_t>(mesh.materialListCount);
  bool empty;
  if (!OpenElementList(in, count, &empty)) return false;
  HostFree(mesh.materialList);
  mesh.materialList = nullptr;
  held = 0;
  if (empty) return true;
  mesh.materialList = static_cast<sSubMaterial*>(HostAllocateZeroed(count, sizeof(sSubMaterial)));
  if (!mesh.materialList) return false;
  held = count;
  return ReadElements(in, mesh.materialList, count, ReadEntryCode);
}

// One list being read. Frames, meshes and tracks nest without bound in the block, so the reader
// keeps its open lists here, not on the stack.
struct Open {
  enum Kind : uint8_t { kFrame, kMesh, kMeshFrames, kSet, kTrack } kind;
  void** slot;   // receives the record at the list's first code; null when `record` is given
  void* record;  // the record being filled; null until the first code
  uint32_t nextIndex = 0;  // kMeshFrames: the next frame record to read
  uint32_t held[7] = {};   // element counts of the arrays allocated so far, for the final check
};

enum MeshHeld { kVertexBytes, kIndexEntries, kMaterialEntries };
enum TrackHeld { kPositions, kRotations, kScales, kMatrices, kTableEntries, kOuter, kInner };

bool CountMatches(int32_t count, const void* array, uint32_t held) {
  return static_cast<uint32_t>(count) == (array ? held : 0);
}

template <typename T>
bool CountedMatches(int32_t count, const T* array) {
  return array ? CountedArrayCount(array) == count : count == 0;
}

// Arrays must hold exactly what their counts say, or the host would read past them.
bool Consistent(const Open& list) {
  if (list.kind == Open::kMesh) {
    const auto& mesh = *static_cast<const sMesh*>(list.record);
    const uint64_t vertexBytes =
        uint64_t{mesh.vertexSize} * static_cast<uint32_t>(mesh.vertexCount);
    // A negative count sizes nothing when the vertex size is 0, but the host still counts with it.
    return mesh.vertexCount >= 0 &&
           vertexBytes == (mesh.vertexData ? list.held[kVertexBytes] : 0) &&
           CountMatches(mesh.indexCount, mesh.indexData, list.held[kIndexEntries]) &&
           CountMatches(mesh.materialListCount, mesh.materialList, list.held[kMaterialEntries]) &&
           CountedMatches(mesh.boneCount, mesh.bones) &&
           CountedMatches(mesh.textureCount, mesh.textures) &&
           CountedMatches(mesh.frameCount, mesh.frames);
  }
  if (list.kind == Open::kTrack) {
    const auto& track = *static_cast<const sAnimation*>(list.record);
    const bool tableOk = track.matrixTable
                             ? static_cast<uint32_t>(track.outerCount) == list.held[kOuter] &&
                                   static_cast<uint32_t>(track.innerCount) == list.held[kInner]
                             : track.outerCount == 0;
    return CountMatches(track.positionKeyCount, track.positionKeys, list.held[kPositions]) &&
           CountMatches(track.rotationKeyCount, track.rotationKeys, list.held[kRotations]) &&
           CountMatches(track.scaleKeyCount, track.scaleKeys, list.held[kScales]) &&
           CountMatches(track.matrixKeyCount, track.matrixKeys, list.held[kMatrices]) &&
           CountMatches(track.tableCount, track.table, list.held[kTableEntries]) && tableOk;
  }
  return true;
}

class ListReader {
 public:
  explicit ListReader(Cursor& in) : in_(in) {}

  // Reads one list of `kind` into `*slot`, with every list nested in it.
  bool Read(Open::Kind kind, void** slot) {
    stack_.clear();
    stack_.push_back({kind, slot, nullptr});
    while (!stack_.empty()) {
      if (stack_.back().kind == Open::kMeshFrames) {
        if (!NextMeshFrame()) return false;
        continue;
      }
      uint32_t code, size;
      if (!in_.Pair(&code, &size)) return false;
      if (code == kEnd) {
        if (stack_.back().record && !Consistent(stack_.back())) return false;
        stack_.pop_back();
        continue;
      }
      if (!stack_.back().record && !CreateRecord(stack_.back())) return false;
      if (!ReadCode(code, size)) return false;
    }
    return true;
  }

 private:
  static bool CreateRecord(Open& list) {
    switch (list.kind) {
      case Open::kFrame:
        list.record = NewFrame();
        break;
      case Open::kMesh:
        list.record = NewMesh();
        break;
      case Open::kSet:
        list.record = NewAnimationSet();
        break;
      case Open::kTrack:
        list.record = NewAnimation();
        break;
      case Open::kMeshFrames:
        break;
    }
    *list.slot = list.record;
    return list.record != nullptr;
  }

  // Opens a nested list into `slot`, releasing what an earlier block of the same code put there.
  bool Nest(Open::Kind kind, void** slot) {
    switch (kind) {
      case Open::kFrame:
        DeleteFrame(static_cast<sFrame*>(*slot));
        break;
      case Open::kMesh:
        DeleteMesh(static_cast<sMesh*>(*slot));
        break;
      case Open::kTrack:
        DeleteTracks(static_cast<sAnimation*>(*slot));
        break;
      default:
        break;
    }
    *slot = nullptr;
    stack_.push_back({kind, slot, nullptr});
    return true;
  }

  bool NextMeshFrame() {
    Open& list = stack_.back();
    auto* mesh = static_cast<sMesh*>(list.record);
    if (list.nextIndex >= static_cast<uint32_t>(CountedArrayCount(mesh->frames))) {
      stack_.pop_back();
      return true;
    }
    sFrame* element = &mesh->frames[list.nextIndex++];
    stack_.push_back({Open::kFrame, nullptr, element});
    return true;
  }

  bool ReadCode(uint32_t code, uint32_t size) {
    Open& list = stack_.back();
    switch (list.kind) {
      case Open::kFrame:
        return FrameCode(*static_cast<sFrame*>(list.record), code, size);
      case Open::kMesh:
        return MeshCode(list, *static_cast<sMesh*>(list.record), code, size);
      case Open::kSet:
        return SetCode(*static_cast<sAnimationSet*>(list.record), code, size);
      case Open::kTrack:
        return TrackCode(list, *static_cast<sAnimation*>(list.record), code, size);
      case Open::kMeshFrames:
        break;
    }
    return false;
  }

  bool FrameCode(sFrame& frame, uint32_t code, uint32_t size) {
    switch (code) {
      case kFrameName:
        return in_.Name(frame.name);
      case kFrameMatrix:
        return in_.Copy(&frame.localMatrix, sizeof frame.localMatrix);
      case kFrameMesh:
        return Nest(Open::kMesh, reinterpret_cast<void**>(&frame.mesh));
      case kFrameChild:
        return Nest(Open::kFrame, reinterpret_cast<void**>(&frame.firstChild));
      case kFrameSibling:
        return Nest(Open::kFrame, reinterpret_cast<void**>(&frame.nextSibling));
      case kFrameOffset:
        return in_.Copy(&frame.offset, sizeof frame.offset);
      case kFrameRotation:
        return in_.Copy(&frame.rotation, sizeof frame.rotation);
      case kFrameScale:
        return in_.Copy(&frame.scale, sizeof frame.scale);
      default:
        return in_.SkipUnknown(code, size);
    }
  }

  bool MeshFrames(sMesh& mesh) {
    uint32_t count;
    if (!in_.Dword(&count)) return false;
    DeleteCountedArray(mesh.frames, ReleaseFrame);
    mesh.frames = nullptr;
    mesh.frameCount = static_cast<int32_t>(count);
    if (count == 0) return true;
    if (!ListsFit(in_, count)) return false;
    mesh.frames = NewCountedArray<sFrame>(count, ConstructFrame);
    if (!mesh.frames) return false;
    stack_.push_back({Open::kMeshFrames, nullptr, &mesh});
    return true;
  }

  bool MeshCode(Open& list, sMesh& mesh, uint32_t code, uint32_t size) {
    if (code >= kMeshRenderSwitchFirst && code <= kMeshRenderSwitchLast) {
      return in_.Flag(&mesh.renderSwitches[code - kMeshRenderSwitchFirst]);
    }
    switch (code) {
      case kMeshFvf:
        return in_.Dword(&mesh.fvf);
      case kMeshVertexSize:
        return in_.Dword(&mesh.vertexSize);
      case kMeshVertexCount:
        return in_.Int(&mesh.vertexCount);
      case kMeshIndexCount:
        return in_.Int(&mesh.indexCount);
      case kMeshVertexData: {
        const uint64_t bytes = uint64_t{mesh.vertexSize} * static_cast<uint32_t>(mesh.vertexCount);
        if (bytes == 0) return true;
        if (bytes > UINT32_MAX) return false;
        list.held[kVertexBytes] = static_cast<uint32_t>(bytes);
        return in_.Array(&mesh.vertexData, list.held[kVertexBytes], 1);
      }
      case kMeshIndexData:
        if (mesh.indexCount == 0) return in_.Skip(size);
        list.held[kIndexEntries] = static_cast<uint32_t>(mesh.indexCount);
        return in_.Array(&mesh.indexData, list.held[kIndexEntries], 2);
      case kMeshPrimitiveType:
        return in_.Dword(&mesh.primitiveType);
      case kMeshDrawVertices:
        return in_.Int(&mesh.drawVertexCount);
      case kMeshDrawPrimitives:
        return in_.Int(&mesh.drawPrimitiveCount);
      case kMeshDeclaration:
        return in_.Copy(mesh.declaration, kDeclarationBytes);
      case kMeshBoneCount:
        return in_.Int(&mesh.boneCount);
      case kMeshBones:
        return ReadBones(in_, mesh);
      case kMeshUsesMaterialList:
        return in_.Flag(&mesh.usesMaterialList);
      case kMeshMaterialListCount:
        return in_.Int(&mesh.materialListCount);
      case kMeshUsesOwnMaterial:
        return in_.Flag(&mesh.usesOwnMaterial);
      case kMeshMaterial:
        return in_.Copy(&mesh.material, sizeof mesh.material);
      case kMeshTextureCount:
        return in_.Int(&mesh.textureCount);
      case kMeshTextures:
        return ReadTextures(in_, mesh);
      case kMeshSwitch135:
        return in_.Flag(&mesh.renderSwitch135);
      case kMeshValue136:
        return in_.Int(&mesh.hostValue136);
      case kMeshSwitch137:
        return in_.Flag(&mesh.renderSwitch137);
      case kMeshFrames:
        return MeshFrames(mesh);
      case kMeshMaterialList:
        return ReadMaterialList(in_, mesh, list.held[kMaterialEntries]);
      case kMeshSwitch140:
        return in_.Flag(&mesh.renderSwitch140);
      case kMeshEffectFile:
        if (!in_.Name(mesh.effectFile)) return false;
        mesh.usesEffect = 1;
        return true;
      case kMeshValue155:
        return in_.Int(&mesh.hostValue155);
      case kMeshSwitch156:
        return in_.Flag(&mesh.renderSwitch156);
      case kMeshValue157:
        return in_.Copy(&mesh.hostValue157, 4);
      case kMeshValue158:
        return in_.Copy(&mesh.hostValue158, 4);
      case kMeshSwitch159:
        return in_.Flag(&mesh.renderSwitch159);
      case kMeshSwitch160:
        return in_.Flag(&mesh.renderSwitch160);
      case kMeshValue166:
        return in_.Int(&mesh.hostValue166);
      default:
        return in_.SkipUnknown(code, size);
    }
  }

  bool SetCode(sAnimationSet& set, uint32_t code, uint32_t size) {
    switch (code) {
      case kSetName:
        return in_.Name(set.name);
      case kSetLength:
        return in_.Int(&set.length);
      case kSetFirstTrack:
        return Nest(Open::kTrack, reinterpret_cast<void**>(&set.firstTrack));
      default:
        return in_.SkipUnknown(code, size);
    }
  }

  template <typename Key>
  bool Keys(Open& list, TrackHeld which, Key** keys, int32_t count) {
    list.held[which] = static_cast<uint32_t>(count);
    return in_.Array(keys, list.held[which], sizeof(Key));
  }

  bool MatrixTable(Open& list, sAnimation& track) {
    FreeMatrixTable(track);
    const auto outer = static_cast<uint32_t>(track.outerCount);
    const auto inner = static_cast<uint32_t>(track.innerCount);
    const uint64_t rowBytes = uint64_t{inner} * sizeof(D3DXMATRIX);
    // The outer table is allocated even when its rows are empty and take no block bytes; a small
    // allowance keeps such tables possible without letting a tiny block ask for gigabytes.
    constexpr uint64_t kEmptyRowAllowance = 65536;
    if (uint64_t{outer} * rowBytes > in_.Remaining() ||
        uint64_t{outer} > in_.Remaining() + kEmptyRowAllowance) {
      return false;
    }
    if (outer == 0) return true;
    track.matrixTable = static_cast<D3DXMATRIX**>(HostAllocateZeroed(outer, sizeof(D3DXMATRIX*)));
    if (!track.matrixTable) return false;
    list.held[kOuter] = outer;
    list.held[kInner] = inner;
    for (uint32_t i = 0; i < outer; ++i) {
      if (!in_.Array(&track.matrixTable[i], inner, sizeof(D3DXMATRIX))) return false;
    }
    return true;
  }

  bool TrackCode(Open& list, sAnimation& track, uint32_t code, uint32_t size) {
    switch (code) {
      case kTrackName:
        return in_.Name(track.name);
      case kTrackPositionCount:
        return in_.Int(&track.positionKeyCount);
      case kTrackRotationCount:
        return in_.Int(&track.rotationKeyCount);
      case kTrackScaleCount:
        return in_.Int(&track.scaleKeyCount);
      case kTrackMatrixCount:
        return in_.Int(&track.matrixKeyCount);
      case kTrackPositionKeys:
        return Keys(list, kPositions, &track.positionKeys, track.positionKeyCount);
      case kTrackRotationKeys:
        return Keys(list, kRotations, &track.rotationKeys, track.rotationKeyCount);
      case kTrackScaleKeys:
        return Keys(list, kScales, &track.scaleKeys, track.scaleKeyCount);
      case kTrackMatrixKeys:
        return Keys(list, kMatrices, &track.matrixKeys, track.matrixKeyCount);
      case kTrackNext:
        return Nest(Open::kTrack, reinterpret_cast<void**>(&track.next));
      case kTrackBoneDataSwitch:
        return in_.Int(&track.boneDataSwitch);
      case kTrackTableCount:
        return in_.Int(&track.tableCount);
      case kTrackTable:
        list.held[kTableEntries] = static_cast<uint32_t>(track.tableCount);
        return in_.Array(&track.table, list.held[kTableEntries], 4);
      case kTrackOuterCount:
        // The table's release walks the outer count: free it before the count changes.
        FreeMatrixTable(track);
        return in_.Int(&track.outerCount);
      case kTrackInnerCount:
        return in_.Int(&track.innerCount);
      case kTrackMatrixTable:
        return MatrixTable(list, track);
      default:
        return in_.SkipUnknown(code, size);
    }
  }

  Cursor& in_;
  std::vector<Open> stack_;
};

bool MagicMatches(const char* text) {
  for (uint32_t i = 0; i <= kMagicLength; ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kMagic[i]) return false;
    if (c == '\0') return true;
  }
  return true;
}

// The custom data after the animation sets. Before version 2 the pair's size is the data's
// length; later versions keep it in block 406 of a terminated list.
bool ReadCustomData(Cursor& in, uint32_t version, sObject& object) {
  uint32_t code, size;
  if (!in.Pair(&code, &size)) return false;
  HostFree(object.customData);
  object.customData = nullptr;
  object.customDataSize = 0;
  if (version <= 1) {
    if (!in.Array(&object.customData, size, 1)) return false;
    object.customDataSize = size;
    return true;
  }
  while (code != kEnd) {
    if (code == kCustomData) {
      uint32_t length;
      if (!in.Dword(&length) || !in.Array(&object.customData, length, 1)) return false;
      object.customDataSize = length;
    } else if (!in.SkipUnknown(code, size)) {
      return false;
    }
    if (!in.Pair(&code, &size)) return false;
  }
  return true;
}

bool ReadBody(Cursor& in, uint32_t version, sObject& object) {
  ListReader lists(in);
  if (!in.Skip(kPairBytes) ||
      !lists.Read(Open::kFrame, reinterpret_cast<void**>(&object.rootFrame))) {
    return false;
  }
  if (!in.Skip(kPairBytes) ||
      !lists.Read(Open::kSet, reinterpret_cast<void**>(&object.animationSet))) {
    return false;
  }
  if (in.Bounded() && in.Remaining() > 0) return ReadCustomData(in, version, object);
  return true;
}

}  // namespace

ReadResult ReadObjectBlock(const uint8_t* begin, const uint8_t* end, sObject** object,
                           const uint8_t** cursorAfter, std::vector<SkippedBlock>* skipped) {
  if (!begin || !object || (end && end < begin)) return ReadResult::kWrongMagic;
  std::vector<SkippedBlock> passedOver;
  Cursor in(begin, end, skipped ? &passedOver : nullptr);
  char magic[kNameCharacters + 1] = {};
  if (!in.Name(magic) || !MagicMatches(magic)) return ReadResult::kWrongMagic;
  uint32_t version;
  if (!in.Dword(&version) || !in.Skip(8)) return ReadResult::kDamaged;

  sObject* built = NewObject();
  if (!built) return ReadResult::kDamaged;
  bool ok = false;
  try {
    ok = ReadBody(in, version, *built);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (!ok) {
    ReleaseObjectRecords(built);
    HostFree(built);
    return ReadResult::kDamaged;
  }
  *object = built;
  if (cursorAfter) *cursorAfter = in.Position();
  if (skipped) *skipped = std::move(passedOver);
  return ReadResult::kLoaded;
}

}  // namespace korva::dbo

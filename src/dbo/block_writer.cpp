#include "dbo/block_writer.h"

#include <algorithm>
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

// Counts the bytes of the block and, when it has an output, writes them. Both passes run the same
// code, so the measured length is the written length. Measuring records the size of every block
// whose size is known only after its payload, in the order they are opened; writing takes the
// sizes from there, so each size is written before its payload and the output goes out in order.
class BlockSink {
 public:
  // A block opened by Open: where its payload starts and its place in the recorded sizes.
  struct Opened {
    uint64_t payloadStart = 0;  // 0: no block (every payload starts after the header)
    size_t index = 0;
  };

  // Measuring: counts the bytes and records each opened block's size in `sizes`.
  explicit BlockSink(std::vector<uint32_t>* sizes) : recorded_(sizes) {}
  // Writing the block measured into `sizes`: into `buffer` of `capacity` bytes, which is the
  // whole block when `write` is null, otherwise a piece passed to `write` whenever it is full
  // (large payloads are passed to it whole, straight from the object).
  BlockSink(const std::vector<uint32_t>* sizes, uint8_t* buffer, size_t capacity,
            const BlockWriteFunction* write)
      : sizes_(sizes), buffer_(buffer), capacity_(capacity), write_(write) {}

  uint64_t Length() const { return length_; }
  bool Ok() const { return ok_; }
  void Fail() { ok_ = false; }

  void Bytes(const void* data, uint64_t count) {
    if (count == 0) return;
    if (buffer_ && ok_) Put(static_cast<const uint8_t*>(data), count);
    length_ += count;
    if (length_ > UINT32_MAX) ok_ = false;
  }
  void Dword(uint32_t value) { Bytes(&value, sizeof value); }
  void Byte(uint8_t value) { Bytes(&value, sizeof value); }
  void Pair(uint32_t code, uint64_t size) {
    if (size > UINT32_MAX) ok_ = false;
    Dword(code);
    Dword(static_cast<uint32_t>(size));
  }
  void End() { Pair(kEnd, 0); }

  // A block whose size is known only after its payload; Close takes what this returns.
  Opened Open(uint32_t code) {
    Opened opened;
    if (recorded_) {
      opened.index = recorded_->size();
      recorded_->push_back(0);
      Pair(code, 0);
    } else {
      opened.index = next_++;
      if (opened.index >= sizes_->size()) {
        ok_ = false;
        return opened;
      }
      Pair(code, (*sizes_)[opened.index]);
    }
    opened.payloadStart = length_;
    return opened;
  }
  void Close(const Opened& opened) {
    if (!ok_ || opened.payloadStart == 0) return;
    const uint64_t size = length_ - opened.payloadStart;
    if (recorded_) {
      (*recorded_)[opened.index] = static_cast<uint32_t>(size);
    } else if (size != (*sizes_)[opened.index]) {
      ok_ = false;  // the object is not the one measured
    }
  }

  // Passes on what the buffer holds when it writes through `write`; false when that failed.
  bool Flush() {
    if (write_ && ok_ && used_ > 0) {
      if (!(*write_)(buffer_, used_)) ok_ = false;
      used_ = 0;
    }
    return ok_;
  }

  void DwordBlock(uint32_t code, uint32_t value) {
    Pair(code, 4);
    Dword(value);
  }
  void IntBlock(uint32_t code, int32_t value) { DwordBlock(code, static_cast<uint32_t>(value)); }
  void FloatBlock(uint32_t code, float value) {
    Pair(code, 4);
    Bytes(&value, 4);
  }
  void FlagBlock(uint32_t code, uint8_t value) {
    Pair(code, 1);
    Byte(value);
  }
  void RawBlock(uint32_t code, const void* data, uint64_t count) {
    Pair(code, count);
    Bytes(data, count);
  }
  void NameBlock(uint32_t code, const char* name) {
    const auto length = static_cast<uint32_t>(strnlen(name, kNameCharacters));
    Pair(code, uint64_t{length} + 4);
    Dword(length);
    Bytes(name, length);
  }
  // A counted array's payload; fails when the count is negative or the array is missing.
  void ArrayBlock(uint32_t code, const void* data, int32_t count, uint64_t elementSize) {
    if (count < 0 || (count != 0 && !data)) {
      ok_ = false;
      return;
    }
    RawBlock(code, data, uint64_t(count) * elementSize);
  }

 private:
  void Put(const uint8_t* data, uint64_t count) {
    if (count > capacity_ - used_) {
      // Only a block written in pieces runs out of room: one in memory holds the measured length.
      if (!write_ || !Flush()) {
        ok_ = false;
        return;
      }
      if (count >= capacity_) {
        if (!(*write_)(data, static_cast<size_t>(count))) ok_ = false;
        return;
      }
    }
    std::memcpy(buffer_ + used_, data, static_cast<size_t>(count));
    used_ += static_cast<size_t>(count);
  }

  std::vector<uint32_t>* recorded_ = nullptr;
  const std::vector<uint32_t>* sizes_ = nullptr;
  size_t next_ = 0;
  uint8_t* buffer_ = nullptr;
  size_t capacity_ = 0;
  size_t used_ = 0;
  const BlockWriteFunction* write_ = nullptr;
  uint64_t length_ = 0;
  bool ok_ = true;
};

// True when a counted array holds at least `count` elements (a missing one only when count is 0).
template <typename T>
bool HoldsCounted(const T* elements, int32_t count) {
  if (count < 0) return false;
  if (count == 0) return true;
  return elements && CountedArrayCount(elements) >= count;
}

void WriteBone(BlockSink& sink, const sBone& bone) {
  sink.NameBlock(kBoneName, bone.name);
  sink.IntBlock(kBoneInfluenceCount, bone.vertexCount);
  if (bone.vertexCount != 0) {
    sink.ArrayBlock(kBoneVertices, bone.vertices, bone.vertexCount, 4);
    sink.ArrayBlock(kBoneWeights, bone.weights, bone.vertexCount, 4);
  }
  sink.RawBlock(kBoneOffsetMatrix, &bone.offsetMatrix, sizeof bone.offsetMatrix);
  sink.End();
}

void WriteTexture(BlockSink& sink, const sTexture& texture) {
  sink.NameBlock(kTextureName, texture.name);
  const int32_t* settings = &texture.stage;
  for (uint32_t code = kTextureSettingFirst; code <= kTextureSettingLast; ++code) {
    sink.IntBlock(code, settings[code - kTextureSettingFirst]);
  }
  sink.End();
}

void WriteEntry(BlockSink& sink, const sSubMaterial& entry) {
  sink.NameBlock(kEntryName, entry.name);
  sink.RawBlock(kEntryMaterial, &entry.material, sizeof entry.material);
  sink.IntBlock(kEntryValue163, entry.value163);
  sink.IntBlock(kEntryValue164, entry.value164);
  sink.IntBlock(kEntryValue165, entry.value165);
  sink.End();
}

// The mesh list from code 115 on: everything after the mesh's frame records.
void WriteMeshTail(BlockSink& sink, const sMesh& mesh) {
  if (mesh.vertexCount < 0 || mesh.indexCount < 0) return sink.Fail();
  const uint64_t vertexBytes = uint64_t{mesh.vertexSize} * uint64_t(mesh.vertexCount);
  if (vertexBytes != 0 && !mesh.vertexData) return sink.Fail();
  sink.RawBlock(kMeshVertexData, mesh.vertexData, vertexBytes);
  if (mesh.indexCount != 0) sink.ArrayBlock(kMeshIndexData, mesh.indexData, mesh.indexCount, 2);
  sink.DwordBlock(kMeshPrimitiveType, mesh.primitiveType);
  sink.IntBlock(kMeshDrawVertices, mesh.drawVertexCount);
  sink.IntBlock(kMeshDrawPrimitives, mesh.drawPrimitiveCount);

  sink.IntBlock(kMeshBoneCount, mesh.boneCount);
  if (!HoldsCounted(mesh.bones, mesh.boneCount)) return sink.Fail();
  BlockSink::Opened start = sink.Open(kMeshBones);
  for (int32_t i = 0; i < mesh.boneCount; ++i) WriteBone(sink, mesh.bones[i]);
  sink.End();
  sink.Close(start);

  sink.FlagBlock(kMeshUsesOwnMaterial, mesh.usesOwnMaterial);
  sink.RawBlock(kMeshMaterial, &mesh.material, sizeof mesh.material);
  sink.IntBlock(kMeshTextureCount, mesh.textureCount);
  if (!HoldsCounted(mesh.textures, mesh.textureCount)) return sink.Fail();
  start = sink.Open(kMeshTextures);
  for (int32_t i = 0; i < mesh.textureCount; ++i) WriteTexture(sink, mesh.textures[i]);
  sink.End();
  sink.Close(start);

  sink.FlagBlock(kMeshUsesMaterialList, mesh.usesMaterialList);
  sink.IntBlock(kMeshMaterialListCount, mesh.materialListCount);
  if (mesh.materialListCount < 0 || (mesh.materialListCount != 0 && !mesh.materialList)) {
    return sink.Fail();
  }
  start = sink.Open(kMeshMaterialList);
  for (int32_t i = 0; i < mesh.materialListCount; ++i) WriteEntry(sink, mesh.materialList[i]);
  sink.End();
  sink.Close(start);

  for (uint32_t code = kMeshRenderSwitchFirst; code <= kMeshRenderSwitchLast; ++code) {
    sink.FlagBlock(code, mesh.renderSwitches[code - kMeshRenderSwitchFirst]);
  }
  sink.FlagBlock(kMeshSwitch135, mesh.renderSwitch135);
  sink.IntBlock(kMeshValue136, mesh.hostValue136);
  sink.FlagBlock(kMeshSwitch140, mesh.renderSwitch140);
  sink.FlagBlock(kMeshSwitch137, mesh.renderSwitch137);
  if (mesh.usesEffect) sink.NameBlock(kMeshEffectFile, mesh.effectFile);
  sink.IntBlock(kMeshValue155, mesh.hostValue155);
  sink.FlagBlock(kMeshSwitch156, mesh.renderSwitch156);
  sink.FloatBlock(kMeshValue157, mesh.hostValue157);
  sink.FloatBlock(kMeshValue158, mesh.hostValue158);
  sink.FlagBlock(kMeshSwitch159, mesh.renderSwitch159);
  sink.FlagBlock(kMeshSwitch160, mesh.renderSwitch160);
  sink.IntBlock(kMeshValue166, mesh.hostValue166);
  sink.End();
}

// The track list up to (not including) its next-track block.
void WriteTrackHead(BlockSink& sink, const sAnimation& track) {
  sink.NameBlock(kTrackName, track.name);
  sink.IntBlock(kTrackPositionCount, track.positionKeyCount);
  if (track.positionKeyCount != 0) {
    sink.ArrayBlock(kTrackPositionKeys, track.positionKeys, track.positionKeyCount,
                    sizeof(sPositionKey));
  }
  sink.IntBlock(kTrackRotationCount, track.rotationKeyCount);
  if (track.rotationKeyCount != 0) {
    sink.ArrayBlock(kTrackRotationKeys, track.rotationKeys, track.rotationKeyCount,
                    sizeof(sRotateKey));
  }
  sink.IntBlock(kTrackScaleCount, track.scaleKeyCount);
  if (track.scaleKeyCount != 0) {
    sink.ArrayBlock(kTrackScaleKeys, track.scaleKeys, track.scaleKeyCount, sizeof(sScaleKey));
  }
  sink.IntBlock(kTrackMatrixCount, track.matrixKeyCount);
  if (track.matrixKeyCount != 0) {
    sink.ArrayBlock(kTrackMatrixKeys, track.matrixKeys, track.matrixKeyCount, sizeof(sMatrixKey));
  }
  if (track.boneDataSwitch != 0) return;

  sink.IntBlock(kTrackBoneDataSwitch, track.boneDataSwitch);
  sink.IntBlock(kTrackTableCount, track.tableCount);
  sink.ArrayBlock(kTrackTable, track.table, track.tableCount, 4);
  sink.IntBlock(kTrackOuterCount, track.outerCount);
  sink.IntBlock(kTrackInnerCount, track.innerCount);
  const int32_t outer = track.outerCount;
  const int32_t inner = track.innerCount;
  if (outer < 0 || inner < 0 || (outer != 0 && inner != 0 && !track.matrixTable)) {
    return sink.Fail();
  }
  const uint64_t rowBytes = uint64_t(inner) * sizeof(D3DXMATRIX);
  sink.Pair(kTrackMatrixTable, uint64_t(outer) * rowBytes);
  if (rowBytes == 0) return;
  for (int32_t i = 0; i < outer && sink.Ok(); ++i) {
    if (!track.matrixTable[i]) return sink.Fail();
    sink.Bytes(track.matrixTable[i], rowBytes);
  }
}

// One pending list of the walk: a frame, a mesh, a mesh's frame records or a track. Lists nest
// through frames, meshes and tracks without bound, so the walk keeps them here, not on the stack.
struct Step {
  enum Kind : uint8_t { kFrame, kMesh, kMeshFrames, kTrack } kind;
  uint8_t phase;
  const void* record;       // null: the list is a terminator alone
  BlockSink::Opened block;  // the block to close after the list (payloadStart 0: none)
  int32_t nextIndex;        // kMeshFrames: the next frame record to write
};

void WriteLists(BlockSink& sink, Step::Kind kind, const void* record) {
  std::vector<Step> stack;
  stack.push_back({kind, 0, record, {}, 0});
  while (!stack.empty() && sink.Ok()) {
    Step& step = stack.back();
    if (!step.record && step.kind != Step::kMeshFrames) {
      sink.End();
      const BlockSink::Opened block = step.block;
      stack.pop_back();
      sink.Close(block);
      continue;
    }
    bool finished = false;
    switch (step.kind) {
      case Step::kFrame: {
        const auto& frame = *static_cast<const sFrame*>(step.record);
        if (step.phase == 0) {
          sink.NameBlock(kFrameName, frame.name);
          sink.RawBlock(kFrameMatrix, &frame.localMatrix, sizeof frame.localMatrix);
          step.phase = 1;
          const BlockSink::Opened start = sink.Open(kFrameMesh);
          stack.push_back({Step::kMesh, 0, frame.mesh, start, 0});
        } else if (step.phase == 1) {
          step.phase = 2;
          const BlockSink::Opened start = sink.Open(kFrameChild);
          stack.push_back({Step::kFrame, 0, frame.firstChild, start, 0});
        } else if (step.phase == 2) {
          step.phase = 3;
          const BlockSink::Opened start = sink.Open(kFrameSibling);
          stack.push_back({Step::kFrame, 0, frame.nextSibling, start, 0});
        } else {
          sink.RawBlock(kFrameOffset, &frame.offset, sizeof frame.offset);
          sink.RawBlock(kFrameRotation, &frame.rotation, sizeof frame.rotation);
          sink.RawBlock(kFrameScale, &frame.scale, sizeof frame.scale);
          sink.End();
          finished = true;
        }
        break;
      }
      case Step::kMesh: {
        const auto& mesh = *static_cast<const sMesh*>(step.record);
        if (step.phase == 0) {
          sink.DwordBlock(kMeshFvf, mesh.fvf);
          sink.DwordBlock(kMeshVertexSize, mesh.vertexSize);
          sink.IntBlock(kMeshVertexCount, mesh.vertexCount);
          sink.IntBlock(kMeshIndexCount, mesh.indexCount);
          if (mesh.fvf == 0) {
            sink.Pair(kMeshDeclaration, kContentSizedField);
            sink.Bytes(mesh.declaration, kDeclarationBytes);
          }
          if (!HoldsCounted(mesh.frames, mesh.frameCount)) {
            sink.Fail();
            break;
          }
          sink.Pair(kMeshFrames, kContentSizedField);
          sink.Dword(static_cast<uint32_t>(mesh.frameCount));
          step.phase = 1;
          stack.push_back({Step::kMeshFrames, 0, &mesh, {}, 0});
        } else {
          WriteMeshTail(sink, mesh);
          finished = true;
        }
        break;
      }
      case Step::kMeshFrames: {
        const auto& mesh = *static_cast<const sMesh*>(step.record);
        if (step.nextIndex < mesh.frameCount) {
          const sFrame* element = &mesh.frames[step.nextIndex++];
          stack.push_back({Step::kFrame, 0, element, {}, 0});
        } else {
          finished = true;
        }
        break;
      }
      case Step::kTrack: {
        const auto& track = *static_cast<const sAnimation*>(step.record);
        if (step.phase == 0) {
          WriteTrackHead(sink, track);
          step.phase = 1;
          if (track.next) {
            const BlockSink::Opened start = sink.Open(kTrackNext);
            stack.push_back({Step::kTrack, 0, track.next, start, 0});
          }
        } else {
          sink.End();
          finished = true;
        }
        break;
      }
    }
    if (finished) {
      const BlockSink::Opened block = stack.back().block;
      stack.pop_back();
      sink.Close(block);
    }
  }
}

void WriteAnimationSet(BlockSink& sink, const sAnimationSet* set) {
  if (set) {
    sink.NameBlock(kSetName, set->name);
    sink.IntBlock(kSetLength, set->length);
    if (set->firstTrack) {
      const BlockSink::Opened start = sink.Open(kSetFirstTrack);
      WriteLists(sink, Step::kTrack, set->firstTrack);
      sink.Close(start);
    }
  }
  sink.End();
}

void WriteObject(BlockSink& sink, const sObject& object) {
  sink.Dword(kMagicLength);
  sink.Bytes(kMagic, kMagicLength);
  sink.Dword(kFormatVersion);
  sink.Dword(0);
  sink.Dword(0);

  BlockSink::Opened start = sink.Open(kRootFrame);
  WriteLists(sink, Step::kFrame, object.rootFrame);
  sink.Close(start);

  start = sink.Open(kAnimationSets);
  WriteAnimationSet(sink, object.animationSet);
  sink.Close(start);

  if (object.customDataSize != 0 && !object.customData) return sink.Fail();
  sink.Pair(kCustomData, uint64_t{object.customDataSize} + 4);
  sink.Dword(object.customDataSize);
  sink.Bytes(object.customData, object.customDataSize);
  sink.End();
}

}  // namespace

bool PlanObjectBlock(const sObject* object, BlockPlan* plan) {
  if (!object || !plan) return false;
  try {
    std::vector<uint32_t> sizes;
    BlockSink measure(&sizes);
    WriteObject(measure, *object);
    if (!measure.Ok()) return false;
    plan->length = static_cast<uint32_t>(measure.Length());
    plan->blockSizes = std::move(sizes);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool StreamObjectBlock(const sObject& object, const BlockPlan& plan,
                       const BlockWriteFunction& write) {
  try {
    // Small fields gather here; vertex, index and key arrays go to `write` straight from the
    // object, so the block is never whole in memory.
    std::vector<uint8_t> piece(std::min<size_t>(plan.length, kStreamPieceBytes));
    BlockSink sink(&plan.blockSizes, piece.data(), piece.size(), &write);
    WriteObject(sink, object);
    return sink.Flush() && sink.Length() == plan.length;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool WriteObjectBlock(const sObject* object, uint8_t** block, uint32_t* size) {
  if (!object || !block || !size) return false;
  BlockPlan plan;
  if (!PlanObjectBlock(object, &plan)) return false;
  try {
    auto* data = static_cast<uint8_t*>(HostAllocate(plan.length));
    if (!data) return false;
    BlockSink write(&plan.blockSizes, data, plan.length, nullptr);
    WriteObject(write, *object);
    if (!write.Ok() || write.Length() != plan.length) {
      HostFree(data);
      return false;
    }
    *block = data;
    *size = plan.length;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace korva::dbo

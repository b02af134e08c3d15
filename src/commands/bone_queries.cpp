#include "commands/bone_queries.h"

#include <cstring>

#include "commands/object_lookup.h"
#include "host/binding/plugin_state.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"

namespace korva::commands {
namespace {

const sBone* BoneAt(const sMesh& mesh, int32_t bone) {
  if (!mesh.bones || bone < 0 || bone >= mesh.boneCount) return nullptr;
  return &mesh.bones[bone];
}

const sAnimation* FirstTrack(int32_t object) {
  const sObject* found = FindObject(object);
  if (!found || !found->animationSet) return nullptr;
  return found->animationSet->firstTrack;
}

}  // namespace

HostAddress BoneName(int32_t object, int32_t bone) {
  const sFrame* frame = FrameAt(FindObject(object), 0);
  if (!frame || !frame->mesh) return 0;
  const sBone* record = BoneAt(*frame->mesh, bone);
  if (!record) return 0;
  if (!g_plugin.coreData || !g_plugin.coreData->AllocateReturnString) return 0;

  // A name filling all its bytes without a terminator is cut to a proper name.
  const size_t length = strnlen(record->name, sizeof record->name - 1);
  HostAddress block = 0;
  g_plugin.coreData->AllocateReturnString(&block, static_cast<uint32_t>(length + 1));
  if (block == 0) return 0;
  char* text = FromHostAddress<char>(block);
  std::memset(text, 0, length + 1);
  std::memcpy(text, record->name, length);
  return block;
}

uint32_t BoneVertexCount(int32_t object, int32_t limb, int32_t bone) {
  const sObject* found = FindObject(object);
  if (!found) return kMissingObject;
  const sFrame* frame = FrameAt(found, limb);
  if (!frame) return kMissingFrame;
  if (!frame->mesh) return kMissingMesh;
  const sBone* record = BoneAt(*frame->mesh, bone);
  if (!record) return kMissingBones;
  return static_cast<uint32_t>(record->vertexCount);
}

uint32_t TrackCount(int32_t object) {
  uint32_t count = 0;
  for (const sAnimation* track = FirstTrack(object); track; track = track->next) ++count;
  return count;
}

uint32_t AnimationSetCount(int32_t object) {
  const sObject* found = FindObject(object);
  if (!found) return 0;
  uint32_t count = 0;
  for (const sAnimationSet* set = found->animationSet; set; set = set->next) ++count;
  return count;
}

uint32_t MatrixKeyCount(int32_t object, int32_t track) {
  uint32_t position = 0;
  for (const sAnimation* current = FirstTrack(object); current; current = current->next) {
    if (track >= 0 && position == static_cast<uint32_t>(track)) {
      return static_cast<uint32_t>(current->matrixKeyCount);
    }
    ++position;
  }
  return position;
}

}  // namespace korva::commands

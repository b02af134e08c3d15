#include "commands/object_lookup.h"

#include "host/binding/plugin_state.h"
#include "model/object.h"

namespace korva::commands {

sObject* FindObject(int32_t objectNumber) {
  if (!g_plugin.api.GetObjectA) return nullptr;
  return g_plugin.api.GetObjectA(objectNumber);
}

sMesh* MeshAt(const sObject* object, int32_t limb) {
  if (!object || !object->meshList || limb < 0 || limb >= object->meshCount) return nullptr;
  return object->meshList[limb];
}

sFrame* FrameAt(const sObject* object, int32_t limb) {
  if (!object || !object->frameList || limb < 0 || limb >= object->frameCount) return nullptr;
  return object->frameList[limb];
}

}  // namespace korva::commands

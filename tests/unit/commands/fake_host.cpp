#include "fake_host.h"

#include <cstdlib>

#include "host/binding/plugin_state.h"
#include "model/host_heap.h"

namespace korva::testing {
namespace {

std::map<int32_t, sObject*> g_objects;
std::vector<ReturnStringRequest> g_returnStrings;
CoreData g_coreData;

sObject* FakeGetObject(int32_t number) {
  const auto found = g_objects.find(number);
  return found == g_objects.end() ? nullptr : found->second;
}

void FakeAllocateReturnString(HostAddress* variable, uint32_t size) {
  // Fill with a marker so a test sees that the command clears the block itself.
  char* block = static_cast<char*>(std::malloc(size));
  for (uint32_t i = 0; i < size; ++i) block[i] = '#';
  g_returnStrings.push_back({size, block});
  *variable = ToHostAddress(block);
}

}  // namespace

void CommandsTest::SetUp() {
  g_plugin = PluginState{};
  g_coreData = CoreData{};
  g_coreData.AllocateReturnString = &FakeAllocateReturnString;
  g_plugin.coreData = &g_coreData;
  g_plugin.api.GetObjectA = &FakeGetObject;
}

void CommandsTest::TearDown() {
  for (sObject* object : owned_) {
    HostFree(object->meshList);
    HostFree(object->frameList);
    ReleaseObjectRecords(object);
    HostFree(object);
  }
  owned_.clear();
  g_objects.clear();
  for (const ReturnStringRequest& request : g_returnStrings) std::free(request.block);
  g_returnStrings.clear();
  g_plugin = PluginState{};
}

sObject* CommandsTest::AddObject(int32_t number, int32_t limbs) {
  sObject* object = NewObject();
  object->meshCount = limbs;
  object->frameCount = limbs;
  object->meshList = static_cast<sMesh**>(HostAllocateZeroed(limbs, sizeof(sMesh*)));
  object->frameList = static_cast<sFrame**>(HostAllocateZeroed(limbs, sizeof(sFrame*)));
  sFrame* previous = nullptr;
  for (int32_t limb = 0; limb < limbs; ++limb) {
    sFrame* frame = NewFrame();
    frame->limbNumber = limb;
    frame->mesh = NewMesh();
    object->frameList[limb] = frame;
    object->meshList[limb] = frame->mesh;
    if (previous) {
      previous->firstChild = frame;
    } else {
      object->rootFrame = frame;
    }
    previous = frame;
  }
  AdoptObject(number, object);
  return object;
}

void CommandsTest::AdoptObject(int32_t number, sObject* object) {
  owned_.push_back(object);
  g_objects[number] = object;
}

const std::vector<ReturnStringRequest>& CommandsTest::returnStrings() {
  return g_returnStrings;
}

}  // namespace korva::testing

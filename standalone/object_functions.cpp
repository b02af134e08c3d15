// The host's object functions: creating objects, setting up mesh buffers, texture stages, lookup.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/counted_array.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/texture.h"
#include "model/vertex_format.h"
#include "standalone/host_functions.h"
#include "standalone/host_state.h"

namespace korva::standalone {

sObject* FindObject(int32_t number) {
  if (!g_host) return nullptr;
  const auto found = g_host->objects.find(number);
  return found == g_host->objects.end() ? nullptr : found->second;
}

namespace host {
namespace {
void CopyName(char (&target)[256], const char* name) {
  if (!name) return;
  std::strncpy(target, name, sizeof target - 1);
  target[sizeof target - 1] = '\0';
}

// The host is a 32-bit program: what would not fit in its address space it can never make, and
// neither does this host, whatever this build's address space holds.
bool FitsTheHostsAddressSpace(uint64_t bytes) {
  return bytes <= UINT32_MAX;
}

// Builds the object with its chain of frames; null when memory runs out (nothing left behind).
sObject* BuildObject(const char* name, int32_t frameCount) {
  constexpr uint64_t kBytesPerFrame = sizeof(sFrame) + sizeof(sMesh) + 2 * sizeof(void*);
  if (!FitsTheHostsAddressSpace(uint64_t(frameCount) * kBytesPerFrame)) return nullptr;
  sObject* object = NewObject();
  if (!object) return nullptr;
  const auto count = static_cast<size_t>(frameCount);
  // The lists first: a count too large for memory fails here, before any frame is made.
  object->meshList = static_cast<sMesh**>(HostAllocateZeroed(count, sizeof(sMesh*)));
  object->frameList = static_cast<sFrame**>(HostAllocateZeroed(count, sizeof(sFrame*)));
  bool complete = object->meshList && object->frameList;
  sFrame* previous = nullptr;
  for (int32_t k = 0; complete && k < frameCount; ++k) {
    sFrame* frame = NewFrame();
    if (!frame) {
      complete = false;
      break;
    }
    frame->limbNumber = k;
    frame->parent = previous;
    if (previous) {
      previous->firstChild = frame;
    } else {
      object->rootFrame = frame;
      CopyName(frame->name, name);
    }
    object->frameList[k] = frame;
    frame->mesh = NewMesh();
    object->meshList[k] = frame->mesh;
    if (!frame->mesh) complete = false;
    previous = frame;
  }
  object->meshCount = frameCount;
  object->frameCount = frameCount;
  if (!complete) {
    StandaloneHost::ReleaseWholeObject(object);
    return nullptr;
  }
  return object;
}

// A texture array of `count` records: the old records moved over unchanged, the rest constructed.
bool GrowTextures(sMesh* mesh, int32_t count) {
  const int32_t old = mesh->textures ? CountedArrayCount(mesh->textures) : 0;
  if (old >= count) {
    mesh->textureCount = old;
    return true;
  }
  sTexture* grown = NewCountedArray<sTexture>(static_cast<uint32_t>(count), ConstructTexture);
  if (!grown) return false;
  if (old > 0) {
    std::memcpy(grown, mesh->textures, sizeof(sTexture) * static_cast<size_t>(old));
    // The records now live in the new array: free the old block without releasing them.
    FreeCountedArrayBlock(mesh->textures);
  }
  mesh->textures = grown;
  mesh->textureCount = count;
  return true;
}
}  // namespace

bool CreateNewObject(int32_t object, char* name) {
  return CreateNewObjectWithFrames(object, name, 1);
}

bool CreateNewObjectWithFrames(int32_t object, char* name, int32_t frameCount) {
  if (!g_host || object <= 0 || frameCount < 1 || FindObject(object)) return false;
  sObject* record = BuildObject(name, frameCount);
  if (!record) return false;
  try {
    g_host->objects[object] = record;
  } catch (...) {
    // Without room in the table the object would be lost to everyone.
    StandaloneHost::ReleaseWholeObject(record);
    return false;
  }
  return true;
}

bool SetupMeshFVFData(sMesh* mesh, uint32_t fvf, uint32_t vertexCount, uint32_t indexCount) {
  if (!mesh) return false;
  HostFree(mesh->vertexData);
  mesh->vertexData = nullptr;
  HostFree(mesh->indexData);
  mesh->indexData = nullptr;
  mesh->vertexCount = 0;
  mesh->indexCount = 0;
  mesh->fvf = fvf;
  mesh->vertexSize = FormatFromFvf(fvf).size;
  if (vertexCount > INT32_MAX || indexCount > INT32_MAX ||
      !FitsTheHostsAddressSpace(uint64_t{vertexCount} * mesh->vertexSize +
                                uint64_t{indexCount} * sizeof(uint16_t))) {
    return false;
  }
  if (vertexCount > 0 && mesh->vertexSize > 0) {
    mesh->vertexData = static_cast<uint8_t*>(HostAllocateZeroed(vertexCount, mesh->vertexSize));
    if (!mesh->vertexData) return false;
  }
  if (indexCount > 0) {
    mesh->indexData = static_cast<uint16_t*>(HostAllocateZeroed(indexCount, sizeof(uint16_t)));
    if (!mesh->indexData) {
      HostFree(mesh->vertexData);
      mesh->vertexData = nullptr;
      return false;
    }
  }
  mesh->vertexCount = static_cast<int32_t>(vertexCount);
  mesh->indexCount = static_cast<int32_t>(indexCount);
  return true;
}

void SetTextureStage(int32_t object, int32_t stage, int32_t /*image*/) {
  sObject* record = FindObject(object);
  if (!record || !record->meshList || stage < 0 || stage > kMaxTextureStage) return;
  for (int32_t i = 0; i < record->meshCount; ++i) {
    if (sMesh* mesh = record->meshList[i]) {
      GrowTextures(mesh, std::max(stage + 1, kFirstTextureRecords));
    }
  }
}

sObject* GetObjectA(int32_t object) {
  return FindObject(object);
}

void* GetDirect3DDevice() {
  if (!g_host || !g_host->deviceAvailable) return nullptr;
  return g_host->device;
}

void DeleteEx(int32_t object) {
  if (sObject* record = FindObject(object)) {
    ForgetBounds(object, record);
    g_host->objects.erase(object);
    StandaloneHost::ReleaseWholeObject(record);
  }
}

void CreateCustomDataArrayForObject(sObject* object, int32_t size) {
  if (!object || size < 0) return;
  HostFree(object->customData);
  object->customData = nullptr;
  object->customDataSize = 0;
  if (size == 0) return;
  object->customData = static_cast<uint8_t*>(HostAllocateZeroed(static_cast<size_t>(size), 1));
  if (object->customData) object->customDataSize = static_cast<uint32_t>(size);
}

void AllocateReturnString(HostAddress* variable, uint32_t size) {
  if (!variable) return;
  *variable = 0;
  if (!g_host) return;
  void* block = std::calloc(size > 0 ? size : 1, 1);
  if (!block) return;
  g_host->returnStrings.push_back(block);
  *variable = ToHostAddress(block);
}

}  // namespace host
}  // namespace korva::standalone

#include "standalone/standalone_host.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "platform/notice.h"
#include "platform/texture_device.h"
#include "platform/texture_loader.h"
#include "standalone/host_functions.h"
#include "standalone/host_platform.h"
#include "standalone/host_state.h"
#include "standalone/image_texture_device.h"
#include "standalone/object_lists.h"
#include "standalone/windows_paths.h"

namespace korva::standalone {

StandaloneHost::State* g_host = nullptr;

namespace {
void CollectNotice(const char* caption, const char* text, void* context) {
  auto* state = static_cast<StandaloneHost::State*>(context);
  Notice notice{caption ? caption : "", text ? text : ""};
  if (state->echo) {
    std::string folded = notice.text;
    for (char& c : folded) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    std::fprintf(state->echo, "%s: %s\n", notice.caption.c_str(), folded.c_str());
  }
  state->notices.push_back(std::move(notice));
}
}  // namespace

StandaloneHost::StandaloneHost(HostDevice device) {
  if (g_host) throw std::logic_error("only one standalone host may be alive at a time");
  auto state = std::make_unique<State>();
  state->core = static_cast<CoreData*>(std::calloc(1, kCoreDataBytes));
  if (!state->core) throw std::bad_alloc();
  state->imageDevice = device == HostDevice::kImageFiles;
  if (state->imageDevice) {
    state->device = NewImageTextureDevice();
    // On Windows the plug-in's texture loader must know it is no Direct3D device.
    platform::RegisterTextureDevice(static_cast<platform::TextureDevice*>(state->device));
  } else {
    state->device = CreateHostDevice();
  }
  state->core->AllocateReturnString = &host::AllocateReturnString;
  state->core->ErrorCode = &state->errorCode;
  PublishHostModules(*state->core);
  state->previousSink = platform::g_noticeSink;
  platform::SetNoticeSink(&CollectNotice, state.get());
  state_ = state.release();
  g_host = state_;
}

StandaloneHost::~StandaloneHost() {
  for (auto& [number, object] : state_->objects) ReleaseWholeObject(object);
  state_->objects.clear();
  if (state_->imageDevice) {
    platform::RegisterTextureDevice(nullptr);
    delete AsImageTextureDevice(state_->device);
  } else {
    DestroyHostDevice(state_->device);
  }
  ForgetFolderListings();
  for (void* block : state_->returnStrings) std::free(block);
  platform::SetNoticeSink(state_->previousSink.sink, state_->previousSink.context);
  std::free(state_->core);
  g_host = nullptr;
  delete state_;
}

CoreData* StandaloneHost::coreData() {
  return state_->core;
}

sObject* StandaloneHost::GetObject(int32_t number) const {
  return FindObject(number);
}

bool StandaloneHost::AdoptObject(int32_t number, sObject* object) {
  if (!object || number <= 0 || FindObject(number)) return false;
  if (!BuildObjectLists(object)) return false;
  state_->objects[number] = object;
  return true;
}

sObject* StandaloneHost::DetachObject(int32_t number) {
  sObject* object = FindObject(number);
  if (!object) return nullptr;
  ForgetBounds(number, object);
  state_->objects.erase(number);
  return object;
}

bool StandaloneHost::DeleteObject(int32_t number) {
  sObject* object = DetachObject(number);
  if (!object) return false;
  ReleaseWholeObject(object);
  return true;
}

std::vector<int32_t> StandaloneHost::ObjectNumbers() const {
  std::vector<int32_t> numbers;
  for (const auto& entry : state_->objects) numbers.push_back(entry.first);
  return numbers;
}

const std::vector<Notice>& StandaloneHost::notices() const {
  return state_->notices;
}

void StandaloneHost::ClearNotices() {
  state_->notices.clear();
}

void StandaloneHost::SetNoticeEcho(FILE* stream) {
  state_->echo = stream;
}

int32_t StandaloneHost::errorCode() const {
  return state_->errorCode;
}

void StandaloneHost::SetErrorCode(int32_t value) {
  state_->errorCode = value;
}

void StandaloneHost::SetDeviceAvailable(bool available) {
  state_->deviceAvailable = available;
}

void StandaloneHost::SetTexturePixelsDecoded(bool decoded) {
  if (state_->imageDevice) {
    AsImageTextureDevice(state_->device)->SetDecodePixels(decoded);
  } else {
    SetHostDeviceDecodesPixels(state_->device, decoded);
  }
}

void* StandaloneHost::device() const {
  return state_->device;
}

int StandaloneHost::liveTextureCount() const {
  if (state_->imageDevice) return AsImageTextureDevice(state_->device)->liveTextures();
  return HostDeviceLiveTextures(state_->device);
}

bool StandaloneHost::MeshBounds(const sMesh* mesh, float centre[3], float* radius) const {
  const auto found = state_->meshBounds.find(mesh);
  if (found == state_->meshBounds.end()) return false;
  for (int axis = 0; axis < 3; ++axis) centre[axis] = found->second.centre[axis];
  *radius = found->second.radius;
  return true;
}

bool StandaloneHost::ObjectBounds(int32_t number, float centre[3], float* radius) const {
  const auto found = state_->objectBounds.find(number);
  if (found == state_->objectBounds.end()) return false;
  for (int axis = 0; axis < 3; ++axis) centre[axis] = found->second.centre[axis];
  *radius = found->second.radius;
  return true;
}

}  // namespace korva::standalone

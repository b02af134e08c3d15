#include "platform/texture_loader.h"

#include "platform/texture_device.h"

namespace korva::platform {

int32_t CreateTextureFromFile(void* device, const char* path, void** texture) {
  constexpr int32_t kInvalidCall = static_cast<int32_t>(0x8876086C);
  TextureDevice* own = TextureDeviceOf(device);
  if (!own || !path || !texture) return kInvalidCall;
  return own->CreateTextureFromFile(path, texture);
}

void RegisterTextureDevice(TextureDevice*) {}

TextureDevice* TextureDeviceOf(void* device) {
  return static_cast<TextureDevice*>(device);
}

}  // namespace korva::platform

#include "platform/texture_loader.h"

#include "platform/texture_device.h"

namespace korva::platform {

int32_t CreateTextureFromFile(void* device, const char* path, void** texture) {
  constexpr int32_t kInvalidCall = static_cast<int32_t>(0x8876086C);
  if (!device || !path || !texture) return kInvalidCall;
  return static_cast<TextureDevice*>(device)->CreateTextureFromFile(path, texture);
}

void RegisterTextureDevice(TextureDevice*) {}

TextureLookupBatch::TextureLookupBatch(void* device)
    : device_(static_cast<TextureDevice*>(device)) {
  if (device_) device_->BeginLookups();
}

TextureLookupBatch::~TextureLookupBatch() {
  if (device_) device_->EndLookups();
}

}  // namespace korva::platform

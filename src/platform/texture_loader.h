// Creating a texture on the host's Direct3D device from an image file.
#pragma once

#include <cstdint>

#include "platform/texture_device.h"

namespace korva::platform {

// Creates a texture from the image file at `path` on `device` (an IDirect3DDevice9). On success
// stores the texture interface in `*texture` and returns 0; any other result is a failure and
// leaves `*texture` untouched.
int32_t CreateTextureFromFile(void* device, const char* path, void** texture);

// Makes `device` (null: none) the one device handed to CreateTextureFromFile that is a
// TextureDevice rather than a Direct3D device. Without Direct3D every device is one, and this does
// nothing; the plug-in never registers one, only a host that hands such a device out.
void RegisterTextureDevice(TextureDevice* device);

// `device` as a device that makes textures itself (the registered one; without Direct3D, any),
// or null for a Direct3D device or none.
TextureDevice* TextureDeviceOf(void* device);

// While one lives, the textures created on `device` are one import's, looked for one after another
// with nothing written in between: a device that makes textures itself may then look into each
// folder once for all of them (a change another program makes meanwhile could as well have come a
// moment later). A Direct3D device is told nothing.
class TextureLookupBatch {
 public:
  explicit TextureLookupBatch(void* device) : device_(TextureDeviceOf(device)) {
    if (device_) device_->BeginLookups();
  }
  ~TextureLookupBatch() {
    if (device_) device_->EndLookups();
  }
  TextureLookupBatch(const TextureLookupBatch&) = delete;
  TextureLookupBatch& operator=(const TextureLookupBatch&) = delete;

 private:
  TextureDevice* device_;  // null for a Direct3D device or none
};

}  // namespace korva::platform

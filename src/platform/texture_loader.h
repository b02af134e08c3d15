// Creating a texture on the host's Direct3D device from an image file.
#pragma once

#include <cstdint>

namespace korva::platform {

class TextureDevice;

// Creates a texture from the image file at `path` on `device` (an IDirect3DDevice9). On success
// stores the texture interface in `*texture` and returns 0; any other result is a failure and
// leaves `*texture` untouched.
int32_t CreateTextureFromFile(void* device, const char* path, void** texture);

// Makes `device` (null: none) the one device handed to CreateTextureFromFile that is a
// TextureDevice rather than a Direct3D device. Without Direct3D every device is one, and this does
// nothing; the plug-in never registers one, only a host that hands such a device out.
void RegisterTextureDevice(TextureDevice* device);

}  // namespace korva::platform

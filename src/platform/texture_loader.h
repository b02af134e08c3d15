// Creating a texture on the host's Direct3D device from an image file.
#pragma once

#include <cstdint>

namespace korva::platform {

// Creates a texture from the image file at `path` on `device` (an IDirect3DDevice9). On success
// stores the texture interface in `*texture` and returns 0; any other result is a failure and
// leaves `*texture` untouched.
int32_t CreateTextureFromFile(void* device, const char* path, void** texture);

}  // namespace korva::platform

// The OS-specific half of the standalone host: how host modules are published and which device
// GetDirect3DDevice hands out.
#pragma once

#include "host/binding/core_data.h"

namespace korva::standalone {

// Fills the four module slots of `core` so that every host function resolves by its symbol.
void PublishHostModules(CoreData& core);

// The device GetDirect3DDevice returns, its teardown (releasing every texture it made) and the
// number of its textures still alive.
void* CreateHostDevice();
void DestroyHostDevice(void* device);
int HostDeviceLiveTextures(const void* device);
// Whether the device decodes the pixels of the textures it makes (see StandaloneHost).
void SetHostDeviceDecodesPixels(void* device, bool decode);

}  // namespace korva::standalone

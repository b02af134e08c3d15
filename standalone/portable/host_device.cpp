// Without Direct3D the host's device is the image texture device.
#include "standalone/host_platform.h"
#include "standalone/image_texture_device.h"

namespace korva::standalone {

void* CreateHostDevice() {
  return NewImageTextureDevice();
}

void DestroyHostDevice(void* device) {
  delete AsImageTextureDevice(device);
}

void SetHostDeviceDecodesPixels(void* device, bool decode) {
  if (device) AsImageTextureDevice(device)->SetDecodePixels(decode);
}

int HostDeviceLiveTextures(const void* device) {
  return device ? AsImageTextureDevice(device)->liveTextures() : 0;
}

}  // namespace korva::standalone

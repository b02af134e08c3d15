#include "platform/texture_loader.h"

#include <d3dx9tex.h>

#include "platform/texture_device.h"

namespace korva::platform {
namespace {
TextureDevice* g_textureDevice = nullptr;
}  // namespace

TextureDevice* TextureDeviceOf(void* device) {
  return device && device == static_cast<void*>(g_textureDevice) ? g_textureDevice : nullptr;
}

void RegisterTextureDevice(TextureDevice* device) {
  g_textureDevice = device;
}

int32_t CreateTextureFromFile(void* device, const char* path, void** texture) {
  if (TextureDevice* own = TextureDeviceOf(device)) {
    return own->CreateTextureFromFile(path, texture);
  }
  LPDIRECT3DTEXTURE9 created = nullptr;
  const HRESULT result =
      D3DXCreateTextureFromFileA(static_cast<IDirect3DDevice9*>(device), path, &created);
  if (result == D3D_OK) *texture = created;
  return static_cast<int32_t>(result);
}

}  // namespace korva::platform

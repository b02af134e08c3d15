#include "platform/texture_loader.h"

#include <d3dx9tex.h>

namespace korva::platform {

int32_t CreateTextureFromFile(void* device, const char* path, void** texture) {
  LPDIRECT3DTEXTURE9 created = nullptr;
  const HRESULT result =
      D3DXCreateTextureFromFileA(static_cast<IDirect3DDevice9*>(device), path, &created);
  if (result == D3D_OK) *texture = created;
  return static_cast<int32_t>(result);
}

}  // namespace korva::platform

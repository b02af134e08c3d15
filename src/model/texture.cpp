#include "model/texture.h"

#include <cstring>

#include "model/com_interfaces.h"

namespace korva {

void ConstructTexture(sTexture* texture) {
  std::memset(texture, 0, sizeof *texture);
  texture->blendOperation = 2;
  texture->addressU = 1;
  texture->addressV = 1;
  texture->magFilter = 2;
  texture->minFilter = 2;
  texture->mipFilter = 2;
}

void ReleaseTexture(sTexture* texture) {
  ReleaseComInterface(texture->ownedInterface);
  texture->ownedInterface = nullptr;
}

}  // namespace korva

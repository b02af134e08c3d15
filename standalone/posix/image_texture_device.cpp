#include "standalone/posix/image_texture_device.h"

#include <cstdio>
#include <cstring>
#include <new>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
#include <stb/stb_image.h>

#include "standalone/host_platform.h"
#include "standalone/windows_paths.h"

namespace korva::standalone {
namespace {
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);

int32_t __attribute__((stdcall)) QueryInterface(ImageTexture*, const void*, void** object) {
  if (object) *object = nullptr;
  return kNoInterface;
}

uint32_t __attribute__((stdcall)) AddRef(ImageTexture* self) {
  return ++self->references;
}

uint32_t __attribute__((stdcall)) Release(ImageTexture* self) {
  if (self->references == 0) return 0;
  const uint32_t left = --self->references;
  if (left == 0) self->device->Destroy(self);
  return left;
}

const ImageTextureInterface kInterface = {&QueryInterface, &AddRef, &Release};
}  // namespace

ImageTextureDevice::~ImageTextureDevice() {
  for (ImageTexture* texture : textures_) {
    stbi_image_free(texture->pixels);
    delete texture;
  }
}

int32_t ImageTextureDevice::CreateTextureFromFile(const char* path, void** texture) {
  if (!path || !texture) return kInvalidCall;
  *texture = nullptr;
  // The plug-in hands over paths built for Windows (backslashes, any letter case). Running out of
  // memory is a result here, as from the utility library, never an exception into the plug-in.
  std::optional<std::string> found;
  try {
    found = ResolveWindowsPath(path);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  if (!found) return kFileNotFound;
  std::FILE* file = std::fopen(found->c_str(), "rb");
  if (!file) return kFileNotFound;
  int width = 0;
  int height = 0;
  int channels = 0;
  stbi_uc* pixels = stbi_load_from_file(file, &width, &height, &channels, 4);
  std::fclose(file);
  if (!pixels || width <= 0 || height <= 0) {
    stbi_image_free(pixels);
    return kInvalidData;
  }
  auto* made = new (std::nothrow) ImageTexture{&kInterface, 1, width, height, pixels, this};
  if (!made) {
    stbi_image_free(pixels);
    return kOutOfMemory;
  }
  try {
    textures_.insert(made);
  } catch (...) {
    stbi_image_free(pixels);
    delete made;
    return kOutOfMemory;
  }
  *texture = made;
  return 0;
}

void ImageTextureDevice::Destroy(ImageTexture* texture) {
  if (textures_.erase(texture) == 0) return;
  stbi_image_free(texture->pixels);
  delete texture;
}

void* CreateHostDevice() {
  // The plug-in sees the device only as an opaque address that the texture loader casts back to
  // the interface, so that is the address handed out.
  return static_cast<platform::TextureDevice*>(new ImageTextureDevice);
}

void DestroyHostDevice(void* device) {
  delete static_cast<ImageTextureDevice*>(static_cast<platform::TextureDevice*>(device));
}

int HostDeviceLiveTextures(const void* device) {
  if (!device) return 0;
  return static_cast<const ImageTextureDevice*>(static_cast<const platform::TextureDevice*>(device))
      ->liveTextures();
}

}  // namespace korva::standalone

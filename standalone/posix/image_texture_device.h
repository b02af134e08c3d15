// The device the standalone host hands out on Linux: it decodes image files (PNG, JPEG, BMP, TGA
// and the other formats stb_image reads) into ImageTexture objects. It owns every texture it made:
// those still alive when the device is destroyed are freed with it.
#pragma once

#include <set>

#include "platform/posix/texture_device.h"
#include "standalone/posix/image_texture.h"

namespace korva::standalone {

class ImageTextureDevice final : public platform::TextureDevice {
 public:
  ImageTextureDevice() = default;
  ImageTextureDevice(const ImageTextureDevice&) = delete;
  ImageTextureDevice& operator=(const ImageTextureDevice&) = delete;
  ~ImageTextureDevice();

  // 0 and a texture holding one reference on success; a missing or undecodable file gives
  // kFileNotFound / kInvalidData and creates nothing. `path` is found as Windows finds it
  // (ResolveWindowsPath).
  int32_t CreateTextureFromFile(const char* path, void** texture) override;

  int liveTextures() const { return static_cast<int>(textures_.size()); }

  // The last reference is gone: frees the texture.
  void Destroy(ImageTexture* texture);

  static constexpr int32_t kInvalidCall = static_cast<int32_t>(0x8876086C);
  static constexpr int32_t kFileNotFound = static_cast<int32_t>(0x80070002);
  static constexpr int32_t kInvalidData = static_cast<int32_t>(0x88760B59);
  static constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);

 private:
  std::set<ImageTexture*> textures_;
};

}  // namespace korva::standalone

// The device the standalone host hands out on Linux, and on Windows to programs that need no
// display (HostDevice::kImageFiles): it decodes image files (PNG, JPEG, BMP, TGA
// and the other formats stb_image reads) into ImageTexture objects. It owns every texture it made:
// those still alive when the device is destroyed are freed with it.
#pragma once

#include <cstddef>
#include <set>

#include "platform/texture_device.h"
#include "standalone/image_texture.h"

namespace korva::standalone {

class ImageTextureDevice final : public platform::TextureDevice {
 public:
  ImageTextureDevice() = default;
  ImageTextureDevice(const ImageTextureDevice&) = delete;
  ImageTextureDevice& operator=(const ImageTextureDevice&) = delete;
  ~ImageTextureDevice();

  // 0 and a texture holding one reference on success; a missing file (or one that is not a
  // regular file) gives kFileNotFound, an undecodable one or one larger than kMaxImageSide on a
  // side kInvalidData, and creates nothing. `path` is found as Windows finds it
  // (ResolveWindowsPath).
  int32_t CreateTextureFromFile(const char* path, void** texture) override;
  // A batch of lookups: BeginPathLookups and EndPathLookups.
  void BeginLookups() override;
  void EndLookups() noexcept override;
  // The same from the file's bytes.
  int32_t CreateTextureFromMemory(const uint8_t* data, size_t size, void** texture);

  // false: textures know their size, from the file's header, and hold no pixels (null), for
  // programs that only need to know whether each texture loads. On by default.
  void SetDecodePixels(bool decode) { decodePixels_ = decode; }

  int liveTextures() const { return static_cast<int>(textures_.size()); }

  // The last reference is gone: frees the texture.
  void Destroy(ImageTexture* texture);

  static constexpr int32_t kInvalidCall = static_cast<int32_t>(0x8876086C);
  static constexpr int32_t kFileNotFound = static_cast<int32_t>(0x80070002);
  static constexpr int32_t kInvalidData = static_cast<int32_t>(0x88760B59);
  static constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);

 private:
  // Makes and keeps a texture of that size and those pixels (taken over; null for none).
  int32_t AddTexture(int width, int height, uint8_t* pixels, void** texture);

  std::set<ImageTexture*> textures_;
  bool decodePixels_ = true;
};

// A new device as the address the plug-in is handed (the TextureDevice it is), and back.
void* NewImageTextureDevice();
ImageTextureDevice* AsImageTextureDevice(void* device);
const ImageTextureDevice* AsImageTextureDevice(const void* device);

}  // namespace korva::standalone

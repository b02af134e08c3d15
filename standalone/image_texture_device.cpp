#include "standalone/image_texture_device.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "model/host_calls.h"
#include "standalone/image_files.h"
#include "standalone/regular_file.h"
#include "standalone/windows_paths.h"

namespace korva::standalone {
namespace {
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);

int32_t KORVA_STDCALL QueryInterface(ImageTexture*, const void*, void** object) {
  if (object) *object = nullptr;
  return kNoInterface;
}

uint32_t KORVA_STDCALL AddRef(ImageTexture* self) {
  return ++self->references;
}

uint32_t KORVA_STDCALL Release(ImageTexture* self) {
  if (self->references == 0) return 0;
  const uint32_t left = --self->references;
  if (left == 0) self->device->Destroy(self);
  return left;
}

const ImageTextureInterface kInterface = {&QueryInterface, &AddRef, &Release};
}  // namespace

ImageTextureDevice::~ImageTextureDevice() {
  for (ImageTexture* texture : textures_) {
    FreeImage(texture->pixels);
    delete texture;
  }
}

void ImageTextureDevice::BeginLookups() {
  BeginPathLookups();
}

void ImageTextureDevice::EndLookups() noexcept {
  EndPathLookups();
}

int32_t ImageTextureDevice::CreateTextureFromFile(const char* path, void** texture) {
  if (!path || !texture) return kInvalidCall;
  *texture = nullptr;
  // The plug-in hands over paths built for Windows (backslashes, any letter case). Running out of
  // memory is a result here, as from the utility library, never an exception into the plug-in.
  std::optional<std::string> found;
  std::vector<uint8_t> bytes;
  std::string problem;
  FileReadResult read = FileReadResult::kMissing;
  try {
    found = ResolveWindowsPath(path);
    if (found && !decodePixels_) {
      // Only the picture's size is wanted: the file is read no further than its checks look.
      RegularFile file;
      read = file.Open(*found, kMaxImageFileSize, &problem);
      if (read == FileReadResult::kRead) {
        int width = 0;
        int height = 0;
        if (!ReadImageFileSize(file, &width, &height, &problem)) return kInvalidData;
        return AddTexture(width, height, nullptr, texture);
      }
    } else if (found) {
      // Only a regular file is read: a FIFO named as a texture would otherwise block the import.
      read = ReadRegularFile(*found, kMaxImageFileSize, &bytes, &problem);
    }
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  switch (read) {
    case FileReadResult::kRead:
      break;
    case FileReadResult::kMissing:
    case FileReadResult::kNotRegular:
      return kFileNotFound;
    case FileReadResult::kTooLarge:
    case FileReadResult::kUnreadable:
      return kInvalidData;
  }
  return CreateTextureFromMemory(bytes.data(), bytes.size(), texture);
}

int32_t ImageTextureDevice::CreateTextureFromMemory(const uint8_t* data, size_t size,
                                                    void** texture) {
  if (!data || !texture) return kInvalidCall;
  *texture = nullptr;
  int width = 0;
  int height = 0;
  std::string problem;
  uint8_t* pixels = nullptr;
  if (decodePixels_) {
    pixels = DecodeImage(data, size, &width, &height, &problem);
    if (!pixels) return kInvalidData;
  } else if (!ReadImageSize(data, size, &width, &height, &problem)) {
    return kInvalidData;
  }
  return AddTexture(width, height, pixels, texture);
}

int32_t ImageTextureDevice::AddTexture(int width, int height, uint8_t* pixels, void** texture) {
  auto* made = new (std::nothrow) ImageTexture{&kInterface, 1, width, height, pixels, this};
  if (!made) {
    FreeImage(pixels);
    return kOutOfMemory;
  }
  try {
    textures_.insert(made);
  } catch (...) {
    FreeImage(pixels);
    delete made;
    return kOutOfMemory;
  }
  *texture = made;
  return 0;
}

void ImageTextureDevice::Destroy(ImageTexture* texture) {
  if (textures_.erase(texture) == 0) return;
  FreeImage(texture->pixels);
  delete texture;
}

void* NewImageTextureDevice() {
  // The plug-in sees the device only as an opaque address that the texture loader casts back to
  // the interface, so that is the address handed out.
  return static_cast<platform::TextureDevice*>(new ImageTextureDevice);
}

ImageTextureDevice* AsImageTextureDevice(void* device) {
  return static_cast<ImageTextureDevice*>(static_cast<platform::TextureDevice*>(device));
}

const ImageTextureDevice* AsImageTextureDevice(const void* device) {
  return static_cast<const ImageTextureDevice*>(
      static_cast<const platform::TextureDevice*>(device));
}

}  // namespace korva::standalone

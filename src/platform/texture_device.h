// A host device that makes textures itself, without Direct3D: the standalone host implements it
// and hands it out from GetDirect3DDevice on Linux, and on Windows to programs that need no
// display (RegisterTextureDevice).
#pragma once

#include <cstdint>

namespace korva::platform {

class TextureDevice {
 public:
  // Decodes the image file at `path` into a new texture (a COM-style object whose third slot is a
  // stdcall Release). 0 and `*texture` set on success; any other value is a failure.
  virtual int32_t CreateTextureFromFile(const char* path, void** texture) = 0;

  // The textures asked for on this thread between these two calls are one import's, looked for
  // one after another with nothing written in between (TextureLookupBatch): the device may take a
  // folder it looked into as unchanged until the batch ends. Batches may nest.
  virtual void BeginLookups() {}
  virtual void EndLookups() noexcept {}

 protected:
  ~TextureDevice() = default;
};

}  // namespace korva::platform

// WebP images (EXT_texture_webp) as PNG files, which the engine's texture loader reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korva::gltf::decode {

// Whether the bytes start as a WebP file does (RIFF....WEBP).
bool IsWebp(const uint8_t* bytes, size_t size);

enum class WebpStatus {
  kConverted,
  kNotDecodable,  // the header or the image data is damaged
  kNoDecoder,     // this build has no WebP decoder
};

// The picture's size from its header alone; false when the header does not give one.
WebpStatus WebpSize(const uint8_t* bytes, size_t size, int* width, int* height);

// The WebP image re-encoded as PNG (RGBA) into `*png`. Callers bound width x height (WebpSize)
// before, as the decoder allocates 4 bytes a pixel.
WebpStatus WebpToPng(const uint8_t* bytes, size_t size, std::vector<uint8_t>* png);

}  // namespace korva::gltf::decode

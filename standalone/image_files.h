// Texture image files (PNG, JPEG, BMP, TGA and the other formats stb_image reads): the program's
// one copy of the image decoder, used by the standalone host's textures and by the renderer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korva::standalone {

// No Direct3D 9 device takes a texture larger than this on a side, and decoding one costs
// gigabytes: such images fail to load, as an undecodable file does.
constexpr int kMaxImageSide = 8192;
// A texture file larger than this is not read at all.
constexpr size_t kMaxImageFileSize = size_t{256} << 20;

// The picture's size from the file's header alone, no pixel decoded. False with `*problem` set
// when the bytes are no image the decoder reads, or a side is 0 or above kMaxImageSide.
bool ReadImageSize(const uint8_t* data, size_t size, int* width, int* height, std::string* problem);

class RegularFile;

// ReadImageSize of the bytes of `file`, reading only what it looks at: the whole file for the
// formats whose checks walk all of it (JPEG, PNG, binary PGM and PPM), only what the decoder's
// header reader asks for of the others (a BMP's header, not its pixels).
bool ReadImageFileSize(const RegularFile& file, int* width, int* height, std::string* problem);

// The pixels as RGBA rows, top row first, from a new block the caller frees with FreeImage;
// null with `*problem` set when ReadImageSize refuses the bytes or they cannot be decoded.
uint8_t* DecodeImage(const uint8_t* data, size_t size, int* width, int* height,
                     std::string* problem);
void FreeImage(uint8_t* pixels);

}  // namespace korva::standalone

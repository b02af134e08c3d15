// The image encoder the texture tests make their files with, built on its own: its JPEG writer
// shifts negative values left, which the undefined-behaviour checker stops at, so this file alone
// is built without that check (see tests/CMakeLists.txt).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

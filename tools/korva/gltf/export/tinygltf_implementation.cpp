// The one definition of tinygltf in the program. Its images are coded by the renderer's image
// module (the build defines TINYGLTF_NO_STB_IMAGE and TINYGLTF_NO_STB_IMAGE_WRITE for every user,
// since they change the class layout), so tinygltf brings no stb copy of its own.

// Its writers still use file streams when TINYGLTF_NO_FS leaves <fstream> out.
#include <fstream>

#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>

// A buffer view compressed as the extension EXT_meshopt_compression describes it: the layout its
// extension object gives, checked, and its stream decoded into the bytes the view stands for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gltf/decode/meshopt_filters.h"
#include "gltf/decode/meshopt_status.h"

namespace korva::gltf::decode {

enum class MeshoptMode : uint8_t { kAttributes, kTriangles, kIndices };

struct MeshoptLayout {
  uint64_t byteStride = 0;
  uint64_t count = 0;
  MeshoptMode mode = MeshoptMode::kAttributes;
  MeshoptFilter filter = MeshoptFilter::kNone;
};

// The mode and filter as the extension names them; false for a name it does not define.
bool MeshoptModeFromName(const std::string& name, MeshoptMode* mode);
bool MeshoptFilterFromName(const std::string& name, MeshoptFilter* filter);

// Whether stride, count, mode and filter go together: attributes take a stride that is a
// multiple of 4 up to 256, triangles a count that is a multiple of 3, both index modes a stride
// of 2 or 4 and no filter, and each filter the strides it is made for.
bool MeshoptLayoutValid(const MeshoptLayout& layout);

// Decodes the stream into `out` (resized to count * byteStride bytes) and applies the filter.
// Refused before anything is allocated: a layout that is not valid (kBadLayout), a stream too
// short for the count its mode asks (kCutShort), or more than `maxBytes` decoded bytes
// (kTooLarge). On failure `out` is left empty.
MeshoptResult DecodeMeshoptView(const MeshoptLayout& layout, const uint8_t* stream, size_t size,
                                uint64_t maxBytes, std::vector<uint8_t>* out);

}  // namespace korva::gltf::decode

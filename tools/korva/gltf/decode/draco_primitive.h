// A triangle mesh compressed with Draco (bitstream 2.2), as glTF's KHR_draco_mesh_compression
// holds one: decoded only when its header agrees with the counts the asset declares, with what
// the library allocates meanwhile counted against a budget, and every value checked as it is
// taken out. Problems come back as data; the caller words them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korva::gltf::decode {

// Whether this build decodes Draco streams (the library is optional).
bool DracoAvailable();

// One attribute wanted from the stream: its Draco unique id, and the layout the asset's accessor
// gives it (glTF component type and components per element), which the stream's must match.
struct DracoAttributeWanted {
  uint64_t uniqueId = 0;
  int componentType = 0;
  int components = 0;
};

enum class DracoStatus {
  kDecoded,
  kUnavailable,       // built without the library
  kNotDraco,          // no Draco header
  kVersion,           // a bitstream other than 2.2 (found: major * 256 + minor)
  kNotMesh,           // a point cloud, or an encoding method of another kind (found: the code)
  kMetadata,          // carries metadata, which is not read
  kPointCount,        // the header or the mesh has another number of points (expected, found)
  kFaceCount,         // ... of triangles (expected, found)
  kRefused,           // the library refused the stream (detail: its words)
  kOverBudget,        // the library asked for more memory than its budget (expected: the budget)
  kMissingAttribute,  // no attribute has the wanted unique id (attribute)
  kAttributeLayout,   // its data type or component count differs (attribute, found: components)
  kBadValueIndex,     // a point maps to a value the attribute lacks (attribute)
  kBadCorner,         // a triangle names a point past the count (found: the point)
};

struct DracoOutcome {
  DracoStatus status = DracoStatus::kDecoded;
  size_t attribute = 0;  // which of the wanted attributes, where the status names one
  uint64_t expected = 0;
  uint64_t found = 0;
  std::string detail;
};

// The decoded mesh: each wanted attribute's values for every point, packed in its component type
// (as an accessor's tightly packed buffer view holds them), and three points per triangle.
struct DracoMesh {
  std::vector<std::vector<uint8_t>> attributes;
  std::vector<uint32_t> corners;
};

// Decodes `size` bytes holding exactly `points` points and `triangles` triangles (what the asset's
// accessors declare; the caller has bounded both) and the wanted attributes. The library sizes
// some tables from counts in the stream that nothing ties to the mesh (a few hundred bytes can
// ask it for hundreds of megabytes, and a loop over them): what it allocates while it decodes may
// hold `libraryBytes` at once, and a stream that asks for more is refused (kOverBudget). That
// holds in programs whose operator new and delete tell DracoDecodeTakes and DracoDecodeReleases
// of their blocks (korva's do). `out` is filled only when the status is kDecoded.
DracoOutcome DecodeDracoPrimitive(const uint8_t* bytes, size_t size, uint64_t points,
                                  uint64_t triangles,
                                  const std::vector<DracoAttributeWanted>& wanted,
                                  uint64_t libraryBytes, DracoMesh* out);

// For a program's operator new, of a block just taken from the C heap: whether it may be kept.
// Always, but while DecodeDracoPrimitive decodes a stream on this thread, when the blocks the
// library holds and this one stay within the decode's budget (the block is then counted).
bool DracoDecodeTakes(void* block);
// For a program's operator delete, of a block about to go back to the C heap: while a stream
// decodes on this thread, the library holds it no more.
void DracoDecodeReleases(void* block);

// Bytes the decoder may hold at once for a mesh of `points` points, `triangles` triangles and
// `pointBytes` bytes of wanted values per point: what a caller counts against its memory bound.
uint64_t DracoWorkingBytes(uint64_t points, uint64_t triangles, uint64_t pointBytes);

}  // namespace korva::gltf::decode

#include "gltf/decode/draco_primitive.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>

#include "gltf/format/gltf_components.h"

#if KORVA_WITH_DRACO
#include <draco/compression/decode.h>
#include <malloc.h>  // malloc_usable_size: the library is found for Linux builds only
#endif

namespace korva::gltf::decode {
namespace {

constexpr size_t kHeaderBytes = 11;  // "DRACO", version, encoder type, method, flags
constexpr uint8_t kMeshEncoder = 1, kSequentialMethod = 0, kEdgebreakerMethod = 1;
constexpr uint16_t kMetadataFlag = 0x8000;

DracoOutcome Problem(DracoStatus status, uint64_t expected = 0, uint64_t found = 0) {
  DracoOutcome outcome;
  outcome.status = status;
  outcome.expected = expected;
  outcome.found = found;
  return outcome;
}

#if KORVA_WITH_DRACO

// The bytes the library may hold on this thread while a stream decodes, and those it holds.
struct LibraryHeap {
  bool counting = false;
  size_t budget = 0;
  size_t held = 0;
};
thread_local LibraryHeap tLibraryHeap;

// The library's blocks on this thread held to `bytes` at once while it lives.
class LibraryBudget {
 public:
  explicit LibraryBudget(uint64_t bytes) {
    tLibraryHeap.counting = true;
    tLibraryHeap.budget = static_cast<size_t>(std::min<uint64_t>(bytes, SIZE_MAX));
    tLibraryHeap.held = 0;
  }
  ~LibraryBudget() { tLibraryHeap.counting = false; }
  LibraryBudget(const LibraryBudget&) = delete;
  LibraryBudget& operator=(const LibraryBudget&) = delete;
};

// A 32-bit count as the bitstream writes it (seven bits a byte, low first); false past the end or
// past 32 bits.
bool ReadVarint(const uint8_t* bytes, size_t size, size_t* at, uint64_t* value) {
  *value = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (*at >= size) return false;
    const uint8_t byte = bytes[(*at)++];
    *value |= uint64_t{byte & 0x7Fu} << shift;
    if (!(byte & 0x80)) return *value <= std::numeric_limits<uint32_t>::max();
  }
  return false;
}

// The header and the connectivity counts ahead of everything the library sizes from them: a
// stream whose counts differ from the asset's is refused before the library allocates for it.
DracoOutcome CheckHeader(const uint8_t* bytes, size_t size, uint64_t points, uint64_t triangles) {
  if (size < kHeaderBytes || std::memcmp(bytes, "DRACO", 5) != 0) {
    return Problem(DracoStatus::kNotDraco);
  }
  const unsigned major = bytes[5], minor = bytes[6];
  if (major != 2 || minor != 2) return Problem(DracoStatus::kVersion, 0x202, major * 256 + minor);
  if (bytes[7] != kMeshEncoder) return Problem(DracoStatus::kNotMesh, kMeshEncoder, bytes[7]);
  const uint16_t flags = static_cast<uint16_t>(bytes[9] | bytes[10] << 8);
  if (flags & kMetadataFlag) return Problem(DracoStatus::kMetadata);
  size_t at = kHeaderBytes;
  uint64_t headerPoints = 0, headerTriangles = 0;
  DracoOutcome cut = Problem(DracoStatus::kRefused);
  cut.detail = "the stream ends inside its connectivity header";
  if (bytes[8] == kSequentialMethod) {
    if (!ReadVarint(bytes, size, &at, &headerTriangles) ||
        !ReadVarint(bytes, size, &at, &headerPoints)) {
      return cut;
    }
    if (headerPoints != points) return Problem(DracoStatus::kPointCount, points, headerPoints);
  } else if (bytes[8] == kEdgebreakerMethod) {
    ++at;  // traversal kind
    if (!ReadVarint(bytes, size, &at, &headerPoints) ||
        !ReadVarint(bytes, size, &at, &headerTriangles)) {
      return cut;
    }
    // Vertices of the connectivity; attribute seams make more points of some, never fewer.
    if (headerPoints > points) return Problem(DracoStatus::kPointCount, points, headerPoints);
  } else {
    DracoOutcome outcome = Problem(DracoStatus::kRefused);
    outcome.detail = "encoding method " + std::to_string(bytes[8]) + " is not one of the mesh's";
    return outcome;
  }
  if (headerTriangles != triangles) {
    return Problem(DracoStatus::kFaceCount, triangles, headerTriangles);
  }
  return Problem(DracoStatus::kDecoded);
}

draco::DataType DataTypeOf(int componentType) {
  switch (componentType) {
    case kComponentByte:
      return draco::DT_INT8;
    case kComponentUnsignedByte:
      return draco::DT_UINT8;
    case kComponentShort:
      return draco::DT_INT16;
    case kComponentUnsignedShort:
      return draco::DT_UINT16;
    case kComponentUnsignedInt:
      return draco::DT_UINT32;
    case kComponentFloat:
      return draco::DT_FLOAT32;
    default:
      return draco::DT_INVALID;
  }
}

using DecodedMesh = draco::StatusOr<std::unique_ptr<draco::Mesh>>;

// The library's decoding of the stream, its allocations within `libraryBytes`; nothing when it
// asks for more (it lets the failed allocation's exception through, freeing what it had made).
std::optional<DecodedMesh> DecodeWithin(draco::DecoderBuffer* buffer, uint64_t libraryBytes) {
  try {
    const LibraryBudget budget(libraryBytes);
    draco::Decoder decoder;
    return decoder.DecodeMeshFromBuffer(buffer);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

DracoOutcome Decode(const uint8_t* bytes, size_t size, uint64_t points, uint64_t triangles,
                    const std::vector<DracoAttributeWanted>& wanted, uint64_t libraryBytes,
                    DracoMesh* out) {
  draco::DecoderBuffer buffer;
  buffer.Init(reinterpret_cast<const char*>(bytes), size);
  std::optional<DecodedMesh> attempt = DecodeWithin(&buffer, libraryBytes);
  if (!attempt) return Problem(DracoStatus::kOverBudget, libraryBytes);
  DecodedMesh& decoded = *attempt;
  if (!decoded.ok()) {
    DracoOutcome outcome = Problem(DracoStatus::kRefused);
    outcome.detail = decoded.status().error_msg_string();
    return outcome;
  }
  const std::unique_ptr<draco::Mesh> mesh = std::move(decoded).value();
  if (!mesh) return Problem(DracoStatus::kRefused);
  if (mesh->num_points() != points) {
    return Problem(DracoStatus::kPointCount, points, mesh->num_points());
  }
  if (mesh->num_faces() != triangles) {
    return Problem(DracoStatus::kFaceCount, triangles, mesh->num_faces());
  }
  DracoMesh result;
  result.attributes.resize(wanted.size());
  for (size_t w = 0; w < wanted.size(); ++w) {
    const DracoAttributeWanted& want = wanted[w];
    const draco::PointAttribute* attribute =
        want.uniqueId <= std::numeric_limits<uint32_t>::max()
            ? mesh->GetAttributeByUniqueId(static_cast<uint32_t>(want.uniqueId))
            : nullptr;
    DracoOutcome problem;
    problem.attribute = w;
    if (!attribute) {
      problem.status = DracoStatus::kMissingAttribute;
      return problem;
    }
    const size_t elementBytes = static_cast<size_t>(want.components) *
                                static_cast<size_t>(ComponentBytes(want.componentType));
    if (attribute->data_type() != DataTypeOf(want.componentType) ||
        attribute->num_components() != want.components ||
        attribute->byte_stride() < static_cast<int64_t>(elementBytes)) {
      problem.status = DracoStatus::kAttributeLayout;
      problem.expected = static_cast<uint64_t>(want.components);
      problem.found = attribute->num_components();
      return problem;
    }
    std::vector<uint8_t>& values = result.attributes[w];
    values.resize(static_cast<size_t>(points) * elementBytes);
    const size_t valueCount = attribute->size();
    for (uint32_t p = 0; p < points; ++p) {
      const draco::AttributeValueIndex value = attribute->mapped_index(draco::PointIndex(p));
      if (value.value() >= valueCount) {
        problem.status = DracoStatus::kBadValueIndex;
        return problem;
      }
      std::memcpy(values.data() + p * elementBytes, attribute->GetAddress(value), elementBytes);
    }
  }
  result.corners.resize(static_cast<size_t>(triangles) * 3);
  for (uint32_t f = 0; f < triangles; ++f) {
    const draco::Mesh::Face& face = mesh->face(draco::FaceIndex(f));
    for (int c = 0; c < 3; ++c) {
      const uint32_t point = face[c].value();
      if (point >= points) return Problem(DracoStatus::kBadCorner, points, point);
      result.corners[f * 3 + static_cast<size_t>(c)] = point;
    }
  }
  *out = std::move(result);
  return Problem(DracoStatus::kDecoded);
}

#endif

}  // namespace

#if KORVA_WITH_DRACO
bool DracoDecodeTakes(void* block) {
  LibraryHeap& heap = tLibraryHeap;
  if (!heap.counting) return true;
  // The block as the C heap holds it (the same size when it is released).
  const size_t bytes = malloc_usable_size(block);
  if (bytes > heap.budget - heap.held) return false;
  heap.held += bytes;
  return true;
}

void DracoDecodeReleases(void* block) {
  LibraryHeap& heap = tLibraryHeap;
  if (!heap.counting || !block) return;
  // A block made before the decode and freed in it was never counted.
  heap.held -= std::min(heap.held, malloc_usable_size(block));
}
#else
bool DracoDecodeTakes(void*) {
  return true;
}
void DracoDecodeReleases(void*) {}
#endif

bool DracoAvailable() {
#if KORVA_WITH_DRACO
  return true;
#else
  return false;
#endif
}

uint64_t DracoWorkingBytes(uint64_t points, uint64_t triangles, uint64_t pointBytes) {
  // The decoded mesh and the copy handed out (values, point maps, faces), and the connectivity's
  // corner tables and the attributes' integer forms while it decodes.
  return 4 * points * pointBytes + 64 * points + 96 * triangles + 4096;
}

DracoOutcome DecodeDracoPrimitive(const uint8_t* bytes, size_t size, uint64_t points,
                                  uint64_t triangles,
                                  const std::vector<DracoAttributeWanted>& wanted,
                                  uint64_t libraryBytes, DracoMesh* out) {
#if KORVA_WITH_DRACO
  if (points > std::numeric_limits<uint32_t>::max() ||
      triangles > std::numeric_limits<uint32_t>::max() / 3) {
    return Problem(DracoStatus::kPointCount, points, points);
  }
  DracoOutcome header = CheckHeader(bytes, size, points, triangles);
  if (header.status != DracoStatus::kDecoded) return header;
  return Decode(bytes, size, points, triangles, wanted, libraryBytes, out);
#else
  (void)bytes, (void)size, (void)points, (void)triangles, (void)wanted, (void)libraryBytes,
      (void)out;
  return Problem(DracoStatus::kUnavailable);
#endif
}

}  // namespace korva::gltf::decode

#include "gltf/decode/meshopt_view.h"

#include "gltf/decode/meshopt_index_codec.h"
#include "gltf/decode/meshopt_index_sequence.h"
#include "gltf/decode/meshopt_vertex_codec.h"

namespace korva::gltf::decode {

bool MeshoptModeFromName(const std::string& name, MeshoptMode* mode) {
  if (name == "ATTRIBUTES") return *mode = MeshoptMode::kAttributes, true;
  if (name == "TRIANGLES") return *mode = MeshoptMode::kTriangles, true;
  if (name == "INDICES") return *mode = MeshoptMode::kIndices, true;
  return false;
}

bool MeshoptFilterFromName(const std::string& name, MeshoptFilter* filter) {
  if (name == "NONE") return *filter = MeshoptFilter::kNone, true;
  if (name == "OCTAHEDRAL") return *filter = MeshoptFilter::kOctahedral, true;
  if (name == "QUATERNION") return *filter = MeshoptFilter::kQuaternion, true;
  if (name == "EXPONENTIAL") return *filter = MeshoptFilter::kExponential, true;
  return false;
}

bool MeshoptLayoutValid(const MeshoptLayout& layout) {
  const uint64_t stride = layout.byteStride;
  if (layout.mode == MeshoptMode::kAttributes) {
    return stride != 0 && stride % 4 == 0 && stride <= kMeshoptMaxAttributeStride &&
           MeshoptFilterFits(layout.filter, static_cast<size_t>(stride));
  }
  if (layout.mode == MeshoptMode::kTriangles && layout.count % 3 != 0) return false;
  return (stride == 2 || stride == 4) && layout.filter == MeshoptFilter::kNone;
}

MeshoptResult DecodeMeshoptView(const MeshoptLayout& layout, const uint8_t* stream, size_t size,
                                uint64_t maxBytes, std::vector<uint8_t>* out) {
  out->clear();
  if (!MeshoptLayoutValid(layout)) return {MeshoptStatus::kBadLayout, 0};
  // Each mode needs at least a byte of stream for a bounded number of elements (attributes: one
  // for every 64 elements of each byte; triangles: one a triangle; indices: one an index), so
  // this bounds the count by the stream before the count sizes anything.
  const size_t stride = static_cast<size_t>(layout.byteStride);
  size_t least = 0;
  switch (layout.mode) {
    case MeshoptMode::kAttributes:
      least = MinimumAttributeStreamBytes(layout.count, stride);
      break;
    case MeshoptMode::kTriangles:
      least = layout.count / 3 > size ? SIZE_MAX : 1 + static_cast<size_t>(layout.count / 3) + 16;
      break;
    case MeshoptMode::kIndices:
      least = layout.count > size ? SIZE_MAX : 1 + static_cast<size_t>(layout.count) + 4;
      break;
  }
  if (size < least) return {MeshoptStatus::kCutShort, size};
  // The count is now at most 64 times the stream's size, so the product cannot wrap.
  const uint64_t bytes = layout.count * layout.byteStride;
  if (bytes > maxBytes || bytes > SIZE_MAX) return {MeshoptStatus::kTooLarge, 0};
  const size_t count = static_cast<size_t>(layout.count);
  out->resize(static_cast<size_t>(bytes));
  MeshoptResult result;
  switch (layout.mode) {
    case MeshoptMode::kAttributes:
      result = DecodeMeshoptAttributes(stream, size, count, stride, out->data());
      if (result.ok()) ApplyMeshoptFilter(layout.filter, out->data(), count, stride);
      break;
    case MeshoptMode::kTriangles:
      result = DecodeMeshoptTriangles(stream, size, count, stride, out->data());
      break;
    case MeshoptMode::kIndices:
      result = DecodeMeshoptIndexSequence(stream, size, count, stride, out->data());
      break;
  }
  if (!result.ok()) out->clear();
  return result;
}

}  // namespace korva::gltf::decode

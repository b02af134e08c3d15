#include "gltf/read/gltf_compressed_views.h"

#include "gltf/decode/meshopt_view.h"

namespace korva::gltf {

bool CompressedViewBytes(const doc::Document& document, int index, uint64_t allowance,
                         const uint8_t** bytes, std::string* error) {
  const doc::BufferView& view = document.bufferViews[static_cast<size_t>(index)];
  const doc::CompressedView& c = view.meshopt;
  if (c.decoded) {
    *bytes = view.decodedBytes.data();
    return true;
  }
  const std::string where =
      "bufferViews[" + std::to_string(index) + "].extensions.EXT_meshopt_compression";
  if (c.buffer < 0 || static_cast<size_t>(c.buffer) >= document.buffers.size()) {
    *error = where + " names a buffer that does not exist";
    return false;
  }
  const doc::Buffer& buffer = document.buffers[static_cast<size_t>(c.buffer)];
  if (!buffer.data) {
    *error =
        where + " names buffers[" + std::to_string(c.buffer) + "], a fallback buffer without data";
    return false;
  }
  if (c.byteOffset > buffer.byteLength || c.byteLength > buffer.byteLength - c.byteOffset) {
    *error = where + " runs past its buffer";
    return false;
  }
  if ((view.byteStride != 0 && view.byteStride != c.layout.byteStride) ||
      (c.layout.byteStride != 0 && c.layout.count > UINT64_MAX / c.layout.byteStride) ||
      c.layout.count * c.layout.byteStride != view.byteLength) {
    *error = where + ": count " + std::to_string(c.layout.count) + " of byteStride " +
             std::to_string(c.layout.byteStride) + " is not the view's byteLength " +
             std::to_string(view.byteLength) + " and byteStride";
    return false;
  }
  const uint64_t limit = 64 * document.assetBytes + allowance;
  const uint64_t left = limit > document.decodedViewBytes ? limit - document.decodedViewBytes : 0;
  const decode::MeshoptResult result =
      decode::DecodeMeshoptView(c.layout, buffer.data + c.byteOffset,
                                static_cast<size_t>(c.byteLength), left, &view.decodedBytes);
  if (!result.ok()) {
    *error = where + ": the stream " + decode::DescribeMeshoptStatus(result.status);
    if (result.status == decode::MeshoptStatus::kCutShort ||
        result.status == decode::MeshoptStatus::kTrailingBytes) {
      *error += " (at byte " + std::to_string(result.byteOffset) + " of " +
                std::to_string(c.byteLength) + ")";
    }
    return false;
  }
  document.decodedViewBytes += view.decodedBytes.size();
  c.decoded = true;
  *bytes = view.decodedBytes.data();
  return true;
}

}  // namespace korva::gltf

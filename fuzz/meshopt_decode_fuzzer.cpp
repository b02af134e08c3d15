// korva's decoders of EXT_meshopt_compression buffer views on any bytes: no crash, no read past
// the stream, a refusal leaves nothing decoded. Where the fuzz build links the reference library,
// every stream of a valid layout decodes to the reference's bytes or both refuse.
//
// Input: byte 0 the mode (low two bits: attributes, triangles, indices) and filter (next two
// bits), byte 1 the byte stride, bytes 2-4 the element count (little-endian), then the stream.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "gltf/decode/meshopt_view.h"

#ifdef KORVA_FUZZ_MESHOPT_REFERENCE
#include <meshoptimizer.h>
#endif

namespace {

using korva::gltf::decode::MeshoptFilter;
using korva::gltf::decode::MeshoptLayout;
using korva::gltf::decode::MeshoptMode;

#ifdef KORVA_FUZZ_MESHOPT_REFERENCE
// The reference's codec alone (its filters' results outside their ranges are unspecified).
bool ReferenceDecodes(const MeshoptLayout& layout, const uint8_t* stream, size_t size,
                      std::vector<uint8_t>* out) {
  const size_t count = static_cast<size_t>(layout.count);
  const size_t stride = static_cast<size_t>(layout.byteStride);
  out->assign(count * stride, 0);
  switch (layout.mode) {
    case MeshoptMode::kAttributes:
      return meshopt_decodeVertexBuffer(out->data(), count, stride, stream, size) == 0;
    case MeshoptMode::kTriangles:
      return meshopt_decodeIndexBuffer(out->data(), count, stride, stream, size) == 0;
    case MeshoptMode::kIndices:
      return meshopt_decodeIndexSequence(out->data(), count, stride, stream, size) == 0;
  }
  return false;
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  korva::fuzz::CountedRun run(size);
  MeshoptLayout layout;
  layout.mode = static_cast<MeshoptMode>(data[0] % 3);
  layout.filter = static_cast<MeshoptFilter>((data[0] >> 2) & 3);
  layout.byteStride = data[1] == 0 ? 256 : data[1];
  layout.count = uint64_t{data[2]} | uint64_t{data[3]} << 8 | uint64_t{data[4]} << 16;
  const uint8_t* stream = data + 5;
  const size_t streamSize = size - 5;
  std::vector<uint8_t> out;
  const auto result =
      korva::gltf::decode::DecodeMeshoptView(layout, stream, streamSize, 1u << 20, &out);
  if (!result.ok() && !out.empty()) korva::fuzz::Fail("a refused stream left decoded bytes");
  if (result.ok() && out.size() != layout.count * layout.byteStride) {
    korva::fuzz::Fail("decoded bytes of another size than count * stride");
  }
#ifdef KORVA_FUZZ_MESHOPT_REFERENCE
  const bool tooLarge = result.status == korva::gltf::decode::MeshoptStatus::kTooLarge;
  const bool definedHeader = streamSize > 0 && stream[0] != 0xe0 && stream[0] != 0xd0;
  if (korva::gltf::decode::MeshoptLayoutValid(layout) && !tooLarge && definedHeader &&
      layout.count * layout.byteStride <= (1u << 20)) {
    layout.filter = MeshoptFilter::kNone;
    std::vector<uint8_t> ours, theirs;
    const bool oursDecodes =
        korva::gltf::decode::DecodeMeshoptView(layout, stream, streamSize, 1u << 20, &ours).ok();
    const bool theirsDecodes = ReferenceDecodes(layout, stream, streamSize, &theirs);
    if (oursDecodes != theirsDecodes) {
      korva::fuzz::Fail(std::string("korva ") + (oursDecodes ? "decodes" : "refuses") +
                        " a stream the reference " + (theirsDecodes ? "decodes" : "refuses"));
    }
    if (oursDecodes && ours != theirs) korva::fuzz::Fail("korva and the reference differ");
  }
#endif
  return 0;
}

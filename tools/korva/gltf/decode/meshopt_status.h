// What the compressed buffer view decoders report: whether a stream decoded, and when it did not,
// what is wrong and at which byte of the stream. Callers turn it into their own message.
#pragma once

#include <cstdint>

namespace korva::gltf::decode {

enum class MeshoptStatus : uint8_t {
  kOk,
  kBadLayout,      // stride, count, mode and filter do not go together
  kUnknownHeader,  // the first byte is not the mode's header
  kCutShort,       // a read would run past the stream's data (into its tail or past its end)
  kTrailingBytes,  // data is left between the last element and the tail
  kTooLarge,       // the decoded bytes would pass the limit the caller set
};

struct MeshoptResult {
  MeshoptStatus status = MeshoptStatus::kOk;
  uint64_t byteOffset = 0;  // in the compressed stream, where the fault was found

  bool ok() const { return status == MeshoptStatus::kOk; }
};

// A few words for the status ("is cut short", ...), to follow the name of the view.
const char* DescribeMeshoptStatus(MeshoptStatus status);

}  // namespace korva::gltf::decode

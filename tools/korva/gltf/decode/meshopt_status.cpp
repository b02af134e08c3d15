#include "gltf/decode/meshopt_status.h"

namespace korva::gltf::decode {

const char* DescribeMeshoptStatus(MeshoptStatus status) {
  switch (status) {
    case MeshoptStatus::kOk:
      return "decodes";
    case MeshoptStatus::kBadLayout:
      return "has a byte stride, count, mode or filter that do not go together";
    case MeshoptStatus::kUnknownHeader:
      return "does not start with its mode's header byte";
    case MeshoptStatus::kCutShort:
      return "is cut short";
    case MeshoptStatus::kTrailingBytes:
      return "holds bytes its elements do not use";
    case MeshoptStatus::kTooLarge:
      return "decodes to more bytes than the asset can justify";
  }
  return "is not a compressed stream";
}

}  // namespace korva::gltf::decode

// Primitives compressed with KHR_draco_mesh_compression, made to read as any other: each stream is
// decoded once into a buffer of the document's own, and the accessors the primitive names (the
// attributes the extension maps, and its indices) are pointed at their decoded values, so every
// later reader takes them through the accessor reader as it takes uncompressed data.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "gltf/read/gltf_document.h"

namespace korva::gltf::doc {

struct DracoFailure {
  std::string where;    // the primitive: "meshes[M].primitives[P]"
  std::string problem;  // what is wrong with it; empty when it is over the memory bound
  bool overBudget = false;
};

// Decodes every Draco-compressed primitive of `document`. Before each stream is decoded,
// `admit(bytes)` says whether the memory its decoding holds may be spent; the decoding library
// may hold at most `libraryBytes` at once while it decodes (see DecodeDracoPrimitive), a stream
// that asks for more is over the bound. A build without Draco
// reads a primitive's uncompressed fallback where the asset has one and refuses it otherwise.
// False with `*failure` set when a primitive cannot be read; the document is then only fit to be
// dropped.
bool DecodeDracoPrimitives(Document* document, const std::function<bool(uint64_t)>& admit,
                           uint64_t libraryBytes, DracoFailure* failure);

}  // namespace korva::gltf::doc

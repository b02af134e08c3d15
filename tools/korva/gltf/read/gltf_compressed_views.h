// The bytes of a buffer view that EXT_meshopt_compression compresses: its stream found in the
// asset, checked against the view it stands for, and decoded the first time the view is read.
#pragma once

#include <cstdint>
#include <string>

#include "gltf/read/gltf_document.h"

namespace korva::gltf {

// View `index`'s decoded bytes (its byteLength of them), decoding them on the first call. False
// with `*error` naming the view and what is wrong: a stream outside its buffer or in a fallback
// buffer, a layout other than the view's (count * byteStride against byteLength, a stride of its
// own), a stream that does not decode, or more decoded bytes than the asset can justify (64 bytes
// per byte of the asset plus `allowance`, for all views together).
bool CompressedViewBytes(const doc::Document& document, int index, uint64_t allowance,
                         const uint8_t** bytes, std::string* error);

}  // namespace korva::gltf

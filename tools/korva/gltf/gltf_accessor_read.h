// Reading an accessor of a parsed asset into plain arrays: strides, normalised and quantized
// integers and sparse substitutions resolved, every byte checked to lie inside its buffer first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gltf/gltf_document.h"

namespace korva::gltf {

// Accessor `index` as floats, `components` per element (the accessor's type must have exactly as
// many); normalised integers become glTF's fractions, other integers their values. False with
// `*error` naming the accessor and what is wrong (past its buffer, a count the asset cannot
// justify, a type of another size).
bool ReadFloats(const doc::Document& document, int index, int components, std::vector<float>* out,
                std::string* error);

// Accessor `index` as unsigned integers: a SCALAR of unsigned bytes, shorts or ints (indices).
bool ReadIndices(const doc::Document& document, int index, std::vector<uint32_t>* out,
                 std::string* error);

// Accessor `index` as unsigned integers, `components` per element (JOINTS_n); its components
// must be unsigned bytes or shorts.
bool ReadUnsigned(const doc::Document& document, int index, int components,
                  std::vector<uint32_t>* out, std::string* error);

// The bytes of buffer view `index`, checked to lie inside its buffer.
bool ViewBytes(const doc::Document& document, int index, const uint8_t** bytes, size_t* size,
               std::string* error);

// The accessor's element count, or false (with `*error`) when the index names none.
bool AccessorCount(const doc::Document& document, int index, uint64_t* count, std::string* error);

}  // namespace korva::gltf

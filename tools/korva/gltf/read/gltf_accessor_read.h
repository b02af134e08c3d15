// Reading an accessor of a parsed asset into plain arrays: strides, normalised and quantized
// integers and sparse substitutions resolved, every byte checked to lie inside its buffer first.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gltf/format/gltf_components.h"
#include "gltf/read/gltf_document.h"

namespace korva::gltf {

// An accessor's elements where they lie, read one at a time as ReadFloats reads them: a strided
// run in a buffer of the asset, or floats read whole into `owned` (sparse accessors, accessors
// without a buffer view, and values the reader makes itself). Not copyable: `first` may point
// into `owned`.
struct FloatElements {
  FloatElements() = default;
  FloatElements(FloatElements&&) = default;
  FloatElements& operator=(FloatElements&&) = default;
  FloatElements(const FloatElements&) = delete;
  FloatElements& operator=(const FloatElements&) = delete;

  // Element `i` (of `count`) as `components` floats.
  void Read(size_t i, float* out) const {
    const uint8_t* element = first + i * stride;
    if (componentType != kComponentFloat) return ReadConverted(element, out);
    // Sizes the compiler knows, so each is a move or two rather than a call.
    switch (components) {
      case 2:
        return std::memcpy(out, element, 8), void();
      case 3:
        return std::memcpy(out, element, 12), void();
      case 4:
        return std::memcpy(out, element, 16), void();
      default:
        return std::memcpy(out, element, sizeof(float) * static_cast<size_t>(components)), void();
    }
  }
  // Holds `count` elements of `components` floats the caller fills (`owned`).
  void Own(int components, size_t count);

  int components = 0;  // 0: there are none
  size_t count = 0;
  const uint8_t* first = nullptr;
  size_t stride = 0;
  int componentType = kComponentFloat;
  bool normalized = false;  // integers read as glTF's fractions
  std::vector<float> owned;

 private:
  void ReadConverted(const uint8_t* element, float* out) const;
};

// Accessor `index` as FloatElements, checked as ReadFloats checks it (with the same messages).
bool LocateFloats(const doc::Document& document, int index, int components, FloatElements* out,
                  std::string* error);

// Accessor `index` as floats, `components` per element (the accessor's type must have exactly as
// many); normalised integers become glTF's fractions, other integers their values. False with
// `*error` naming the accessor and what is wrong (past its buffer, a count the asset cannot
// justify, a type of another size).
bool ReadFloats(const doc::Document& document, int index, int components, std::vector<float>* out,
                std::string* error);

// Accessor `index` as unsigned integers: a SCALAR of unsigned bytes, shorts or ints (indices), and
// the largest of them (0 when there are none).
bool ReadIndices(const doc::Document& document, int index, std::vector<uint32_t>* out,
                 std::string* error, uint32_t* largest);

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

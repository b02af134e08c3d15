#include "gltf/read/gltf_accessor_read.h"

#include <algorithm>
#include <cstring>

#include "gltf/format/gltf_components.h"
#include "gltf/read/gltf_compressed_views.h"

namespace korva::gltf {
namespace {

double Component(const uint8_t* at, int componentType) {
  switch (componentType) {
    case kComponentByte:
      return static_cast<int8_t>(*at);
    case kComponentUnsignedByte:
      return *at;
    case kComponentShort: {
      int16_t v;
      std::memcpy(&v, at, 2);
      return v;
    }
    case kComponentUnsignedShort: {
      uint16_t v;
      std::memcpy(&v, at, 2);
      return v;
    }
    case kComponentUnsignedInt: {
      uint32_t v;
      std::memcpy(&v, at, 4);
      return v;
    }
    default: {
      float v;
      std::memcpy(&v, at, 4);
      return v;
    }
  }
}

// Where the elements of one array lie: the first byte, the step between elements, and the count,
// all checked against the buffer the view names.
struct Span {
  const uint8_t* first = nullptr;
  uint64_t stride = 0;
};

bool ViewSpan(const doc::Document& document, int viewIndex, uint64_t offset, uint64_t count,
              uint64_t elementBytes, bool strided, const std::string& where, Span* span,
              std::string* error) {
  if (viewIndex < 0 || static_cast<size_t>(viewIndex) >= document.bufferViews.size()) {
    *error = where + " names buffer view " + std::to_string(viewIndex) + ", which does not exist";
    return false;
  }
  const doc::BufferView& view = document.bufferViews[static_cast<size_t>(viewIndex)];
  if (view.buffer < 0 || static_cast<size_t>(view.buffer) >= document.buffers.size()) {
    *error = where + ": its buffer view names a buffer that does not exist";
    return false;
  }
  const doc::Buffer& buffer = document.buffers[static_cast<size_t>(view.buffer)];
  if (view.byteOffset > buffer.byteLength ||
      view.byteLength > buffer.byteLength - view.byteOffset) {
    *error = where + ": buffer view " + std::to_string(viewIndex) + " runs past its buffer";
    return false;
  }
  const uint64_t stride = strided && view.byteStride ? view.byteStride : elementBytes;
  if (stride < elementBytes) {
    *error = where + ": the byte stride is smaller than one element";
    return false;
  }
  // count <= byteLength <= 2^64 / 256, so the product cannot wrap.
  if (count > view.byteLength || offset > view.byteLength ||
      (count > 0 && stride * (count - 1) + elementBytes > view.byteLength - offset)) {
    *error = where + " runs past its buffer view";
    return false;
  }
  // A compressed view's buffer is its fallback, which holds no data.
  const uint8_t* viewBytes = nullptr;
  if (view.meshopt.buffer < 0) {
    viewBytes = buffer.data + view.byteOffset;
  } else if (!CompressedViewBytes(document, viewIndex, document.decodeAllowance, &viewBytes,
                                  error)) {
    *error = where + ": " + *error;
    return false;
  }
  span->first = viewBytes + offset;
  span->stride = stride;
  return true;
}

const doc::Accessor* Find(const doc::Document& document, int index, std::string* error) {
  if (index < 0 || static_cast<size_t>(index) >= document.accessors.size()) {
    *error = "accessor " + std::to_string(index) + " does not exist";
    return nullptr;
  }
  return &document.accessors[static_cast<size_t>(index)];
}

// Checks the accessor against its use (`components` per element) and finds its elements; the
// span is empty when no buffer view holds them (zeros, perhaps with sparse values).
bool Locate(const doc::Document& document, int index, int components, const doc::Accessor** found,
            Span* span, std::string* error) {
  const doc::Accessor* a = Find(document, index, error);
  if (!a) return false;
  const std::string where = "accessors[" + std::to_string(index) + "]";
  if (a->components != components) {
    *error = where + " is " + a->type + " where " + std::to_string(components) +
             " components are needed";
    return false;
  }
  const int bytes = ComponentBytes(a->componentType);
  if (components > 4 && bytes != 4) {
    *error = where + ": matrices of small integers are not read";
    return false;
  }
  const uint64_t elementBytes = uint64_t(bytes) * uint64_t(components);
  if (a->bufferView >= 0) {
    if (!ViewSpan(document, a->bufferView, a->byteOffset, a->count, elementBytes, true, where, span,
                  error)) {
      return false;
    }
  } else if (a->count > document.assetBytes / elementBytes) {
    // Zeros that no buffer holds: bounded by what the asset could have stored.
    *error = where + ": " + std::to_string(a->count) +
             " elements without a buffer view, more than the asset can justify";
    return false;
  }
  *found = a;
  return true;
}

// `count` elements of `components` unsigned integers of type T, `stride` bytes apart, widened; the
// largest of them.
template <typename T>
uint32_t WidenUnsigned(const uint8_t* first, size_t stride, size_t count, int components,
                       uint32_t* to) {
  uint32_t largest = 0;
  if (components == 1 && stride == sizeof(T)) {  // packed scalars (indices): one plain loop
    for (size_t i = 0; i < count; ++i) {
      T v;
      std::memcpy(&v, first + i * sizeof(T), sizeof(T));
      to[i] = v;
      largest = std::max<uint32_t>(largest, v);
    }
    return largest;
  }
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* element = first + i * stride;
    for (int c = 0; c < components; ++c) {
      T v;
      std::memcpy(&v, element + c * sizeof(T), sizeof(T));
      *to++ = v;
      largest = std::max<uint32_t>(largest, v);
    }
  }
  return largest;
}

// Every component of the accessor as a double (raw, not normalised), sparse values applied.
bool ReadRaw(const doc::Document& document, int index, int components, std::vector<double>* out,
             std::string* error) {
  const doc::Accessor* a = nullptr;
  Span span;
  if (!Locate(document, index, components, &a, &span, error)) return false;
  const std::string where = "accessors[" + std::to_string(index) + "]";
  const int bytes = ComponentBytes(a->componentType);
  const uint64_t elementBytes = uint64_t(bytes) * uint64_t(components);
  out->assign(static_cast<size_t>(a->count) * static_cast<size_t>(components), 0.0);
  if (span.first) {
    double* to = out->data();
    for (uint64_t i = 0; i < a->count; ++i) {
      const uint8_t* element = span.first + i * span.stride;
      for (int c = 0; c < components; ++c) *to++ = Component(element + c * bytes, a->componentType);
    }
  }
  if (a->sparse.count > 0) {
    const doc::Accessor::Sparse& sparse = a->sparse;
    const int indexBytes = ComponentBytes(sparse.indicesComponentType);
    if (sparse.count > a->count || indexBytes == 0 ||
        sparse.indicesComponentType == kComponentFloat ||
        sparse.indicesComponentType == kComponentByte ||
        sparse.indicesComponentType == kComponentShort) {
      *error = where + ": its sparse indices are not valid";
      return false;
    }
    Span indices, values;
    if (!ViewSpan(document, sparse.indicesView, sparse.indicesOffset, sparse.count,
                  uint64_t(indexBytes), false, where + ".sparse.indices", &indices, error) ||
        !ViewSpan(document, sparse.valuesView, sparse.valuesOffset, sparse.count, elementBytes,
                  false, where + ".sparse.values", &values, error)) {
      return false;
    }
    for (uint64_t k = 0; k < sparse.count; ++k) {
      const double target =
          Component(indices.first + k * indices.stride, sparse.indicesComponentType);
      if (target >= static_cast<double>(a->count)) {
        *error = where + ": a sparse index points past its elements";
        return false;
      }
      double* to = out->data() + static_cast<size_t>(target) * components;
      const uint8_t* element = values.first + k * values.stride;
      for (int c = 0; c < components; ++c) to[c] = Component(element + c * bytes, a->componentType);
    }
  }
  return true;
}

bool ReadUnsigned(const doc::Document& document, int index, int components,
                  std::vector<uint32_t>* out, std::string* error, uint32_t* largest) {
  const doc::Accessor* a = Find(document, index, error);
  if (!a) return false;
  if (a->componentType != kComponentUnsignedByte && a->componentType != kComponentUnsignedShort &&
      a->componentType != kComponentUnsignedInt) {
    *error = "accessors[" + std::to_string(index) + "] does not hold unsigned integers";
    return false;
  }
  const doc::Accessor* located = nullptr;
  Span span;
  if (!Locate(document, index, components, &located, &span, error)) return false;
  if (span.first && a->sparse.count == 0) {
    out->resize(static_cast<size_t>(a->count) * size_t(components));
    const size_t count = static_cast<size_t>(a->count), stride = static_cast<size_t>(span.stride);
    switch (ComponentBytes(a->componentType)) {
      case 1:
        *largest = WidenUnsigned<uint8_t>(span.first, stride, count, components, out->data());
        break;
      case 2:
        *largest = WidenUnsigned<uint16_t>(span.first, stride, count, components, out->data());
        break;
      default:
        *largest = WidenUnsigned<uint32_t>(span.first, stride, count, components, out->data());
    }
    return true;
  }
  std::vector<double> raw;
  if (!ReadRaw(document, index, components, &raw, error)) return false;
  out->resize(raw.size());
  *largest = 0;
  for (size_t i = 0; i < raw.size(); ++i) {
    (*out)[i] = static_cast<uint32_t>(raw[i]);
    *largest = std::max(*largest, (*out)[i]);
  }
  return true;
}

}  // namespace

bool ViewBytes(const doc::Document& document, int index, const uint8_t** bytes, size_t* size,
               std::string* error) {
  Span span;
  if (!ViewSpan(document, index, 0, 0, 1, false, "buffer view " + std::to_string(index), &span,
                error)) {
    return false;
  }
  *bytes = span.first;
  *size = static_cast<size_t>(document.bufferViews[static_cast<size_t>(index)].byteLength);
  return true;
}

bool AccessorCount(const doc::Document& document, int index, uint64_t* count, std::string* error) {
  const doc::Accessor* a = Find(document, index, error);
  if (!a) return false;
  *count = a->count;
  return true;
}

bool ReadFloats(const doc::Document& document, int index, int components, std::vector<float>* out,
                std::string* error) {
  const doc::Accessor* a = nullptr;
  Span span;
  if (!Locate(document, index, components, &a, &span, error)) return false;
  if (span.first && a->sparse.count == 0 && a->componentType == kComponentFloat) {
    // Floats as stored: copied element by element (or whole when packed).
    const size_t elementBytes = size_t(components) * 4;
    out->resize(static_cast<size_t>(a->count) * size_t(components));
    if (out->empty()) return true;  // no elements: nothing to copy from or to
    if (span.stride == elementBytes) {
      std::memcpy(out->data(), span.first, out->size() * 4);
    } else {
      for (size_t i = 0; i < a->count; ++i) {
        std::memcpy(out->data() + i * size_t(components), span.first + i * span.stride,
                    elementBytes);
      }
    }
    return true;
  }
  std::vector<double> raw;
  if (!ReadRaw(document, index, components, &raw, error)) return false;
  out->resize(raw.size());
  const bool normalized = a->normalized && a->componentType != kComponentFloat;
  for (size_t i = 0; i < raw.size(); ++i) {
    (*out)[i] =
        normalized ? NormalizedComponent(a->componentType, raw[i]) : static_cast<float>(raw[i]);
  }
  return true;
}

void FloatElements::Own(int elementComponents, size_t elementCount) {
  components = elementComponents;
  count = elementCount;
  owned.resize(elementCount * static_cast<size_t>(elementComponents));
  first = reinterpret_cast<const uint8_t*>(owned.data());
  stride = sizeof(float) * static_cast<size_t>(elementComponents);
  componentType = kComponentFloat;
  normalized = false;
}

void FloatElements::ReadConverted(const uint8_t* element, float* out) const {
  const int bytes = ComponentBytes(componentType);
  for (int c = 0; c < components; ++c) {
    const double raw = Component(element + c * bytes, componentType);
    out[c] = normalized ? NormalizedComponent(componentType, raw) : static_cast<float>(raw);
  }
}

bool LocateFloats(const doc::Document& document, int index, int components, FloatElements* out,
                  std::string* error) {
  const doc::Accessor* a = nullptr;
  Span span;
  if (!Locate(document, index, components, &a, &span, error)) return false;
  if (!span.first || a->sparse.count > 0) {
    // Zeros or sparse substitutions: read whole, as ReadFloats reads them.
    std::vector<float> values;
    if (!ReadFloats(document, index, components, &values, error)) return false;
    *out = FloatElements();
    out->owned.swap(values);
    out->components = components;
    out->count = static_cast<size_t>(a->count);
    out->first = reinterpret_cast<const uint8_t*>(out->owned.data());
    out->stride = sizeof(float) * static_cast<size_t>(components);
    return true;
  }
  *out = FloatElements();
  out->components = components;
  out->count = static_cast<size_t>(a->count);
  out->first = span.first;
  out->stride = static_cast<size_t>(span.stride);
  out->componentType = a->componentType;
  out->normalized = a->normalized && a->componentType != kComponentFloat;
  return true;
}

bool ReadUnsigned(const doc::Document& document, int index, int components,
                  std::vector<uint32_t>* out, std::string* error) {
  uint32_t largest = 0;
  return ReadUnsigned(document, index, components, out, error, &largest);
}

bool ReadIndices(const doc::Document& document, int index, std::vector<uint32_t>* out,
                 std::string* error, uint32_t* largest) {
  return ReadUnsigned(document, index, 1, out, error, largest);
}

}  // namespace korva::gltf

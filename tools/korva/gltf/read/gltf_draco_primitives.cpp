#include "gltf/read/gltf_draco_primitives.h"

#include <cstring>
#include <limits>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "gltf/decode/draco_primitive.h"
#include "gltf/format/gltf_components.h"
#include "gltf/read/gltf_accessor_read.h"

namespace korva::gltf::doc {
namespace {

using decode::DracoStatus;

// An attribute the stream holds for the primitive: its semantic and accessor.
struct Taken {
  std::string semantic;
  int accessor;
};

std::string Version(uint64_t code) {
  return std::to_string(code >> 8) + "." + std::to_string(code & 0xFF);
}

std::string Describe(const decode::DracoOutcome& outcome, const std::vector<Taken>& taken,
                     const Primitive& primitive) {
  const auto attribute = [&]() {
    const Taken& t = taken[outcome.attribute];
    return t.semantic + " (Draco attribute " +
           std::to_string(primitive.draco.attributes.at(t.semantic)) + ")";
  };
  const std::string stream =
      "its Draco stream (bufferViews[" + std::to_string(primitive.draco.bufferView) + "])";
  switch (outcome.status) {
    case DracoStatus::kDecoded:
    case DracoStatus::kOverBudget:  // told as over the memory bound, not as a fault of the stream
      return {};
    case DracoStatus::kUnavailable:
      break;
    case DracoStatus::kNotDraco:
      return stream + " does not start with a Draco header";
    case DracoStatus::kVersion:
      return stream + " is Draco bitstream " + Version(outcome.found) + "; " +
             Version(outcome.expected) + " is read";
    case DracoStatus::kNotMesh:
      return stream + " holds a point cloud, not a triangle mesh";
    case DracoStatus::kMetadata:
      return stream + " carries Draco metadata, which is not read";
    case DracoStatus::kPointCount:
      return stream + " holds " + std::to_string(outcome.found) + " points where its accessors " +
             "declare " + std::to_string(outcome.expected);
    case DracoStatus::kFaceCount:
      return stream + " holds " + std::to_string(outcome.found) + " triangles where its " +
             "indices declare " + std::to_string(outcome.expected);
    case DracoStatus::kRefused:
      return stream + " does not decode" + (outcome.detail.empty() ? "" : ": " + outcome.detail);
    case DracoStatus::kMissingAttribute:
      return stream + " has no " + attribute();
    case DracoStatus::kAttributeLayout:
      return attribute() + " has " + std::to_string(outcome.found) +
             " components or a component type other than its accessor's " +
             std::to_string(outcome.expected);
    case DracoStatus::kBadValueIndex:
      return attribute() + " maps a point past its values";
    case DracoStatus::kBadCorner:
      return "a Draco triangle names point " + std::to_string(outcome.found) + " of " +
             std::to_string(outcome.expected);
  }
  return "this korva was built without Draco, which it needs (KHR_draco_mesh_compression)";
}

// `value` into `bytes` as the index component type stores it; false when it does not fit.
bool PutIndex(uint32_t value, int componentType, uint8_t* bytes) {
  if (componentType == kComponentUnsignedByte) {
    if (value > 0xFF) return false;
    *bytes = static_cast<uint8_t>(value);
  } else if (componentType == kComponentUnsignedShort) {
    if (value > 0xFFFF) return false;
    const uint16_t narrow = static_cast<uint16_t>(value);
    std::memcpy(bytes, &narrow, 2);
  } else {
    std::memcpy(bytes, &value, 4);
  }
  return true;
}

class PrimitiveDecoder {
 public:
  PrimitiveDecoder(Document* document, const std::function<bool(uint64_t)>& admit,
                   uint64_t libraryBytes, DracoFailure* failure)
      : document_(*document),
        admit_(admit),
        libraryBytes_(libraryBytes),
        failure_(failure),
        decodedBy_(document->accessors.size(), -1) {}

  // False with the failure set when the primitive cannot be read.
  bool Decode(Primitive* primitive, const std::string& where);

 private:
  bool Refuse(const std::string& problem) {
    failure_->problem = problem;
    return false;
  }
  const Accessor* Find(int index) const {
    return index >= 0 && static_cast<size_t>(index) < document_.accessors.size()
               ? &document_.accessors[static_cast<size_t>(index)]
               : nullptr;
  }
  // The accessor `*index` as one this stream may fill: itself, or a copy when another stream
  // filled it already.
  Accessor* Claim(int* index);
  bool HasFallback(const Primitive& primitive, const std::vector<Taken>& taken) const;
  bool Install(Primitive* primitive, const std::vector<Taken>& taken, decode::DracoMesh* mesh);

  Document& document_;
  const std::function<bool(uint64_t)>& admit_;
  uint64_t libraryBytes_;
  DracoFailure* failure_;
  std::vector<int> decodedBy_;  // per accessor: the stream whose values it holds (-1: none)
  int stream_ = -1;
  // Primitives already decoded, by what they read, with the accessors they read it from then: a
  // primitive repeated in another mesh reads what the first one's decoding left.
  using Key = std::tuple<int, std::map<std::string, int>, std::map<std::string, int>, int>;
  std::map<Key, std::pair<std::map<std::string, int>, int>> done_;
};

Accessor* PrimitiveDecoder::Claim(int* index) {
  const size_t at = static_cast<size_t>(*index);
  if (decodedBy_[at] >= 0 && decodedBy_[at] != stream_) {
    document_.accessors.push_back(document_.accessors[at]);
    decodedBy_.push_back(-1);
    *index = static_cast<int>(document_.accessors.size() - 1);
  }
  decodedBy_[static_cast<size_t>(*index)] = stream_;
  return &document_.accessors[static_cast<size_t>(*index)];
}

bool PrimitiveDecoder::HasFallback(const Primitive& primitive,
                                   const std::vector<Taken>& taken) const {
  for (const Taken& t : taken) {
    if (Find(t.accessor)->bufferView < 0) return false;
  }
  const Accessor* indices = Find(primitive.indices);
  return primitive.indices < 0 || (indices && indices->bufferView >= 0);
}

bool PrimitiveDecoder::Decode(Primitive* primitive, const std::string& where) {
  failure_->where = where;
  const auto key = std::make_tuple(primitive->draco.bufferView, primitive->draco.attributes,
                                   primitive->attributes, primitive->indices);
  if (const auto found = done_.find(key); found != done_.end()) {
    primitive->attributes = found->second.first;
    primitive->indices = found->second.second;
    return true;
  }
  std::vector<Taken> taken;
  for (const auto& [semantic, accessor] : primitive->attributes) {
    if (!primitive->draco.attributes.count(semantic)) continue;  // stored uncompressed
    if (!Find(accessor)) {
      return Refuse(semantic + " names accessor " + std::to_string(accessor) +
                    ", which does not exist");
    }
    taken.push_back({semantic, accessor});
  }
  if (!decode::DracoAvailable()) {
    if (HasFallback(*primitive, taken)) return true;
    decode::DracoOutcome unavailable;
    unavailable.status = DracoStatus::kUnavailable;
    return Refuse(Describe(unavailable, taken, *primitive));
  }
  if (primitive->mode != 4) {
    return Refuse("Draco compresses triangle lists; mode " + std::to_string(primitive->mode) +
                  " is not read with it");
  }
  if (taken.empty()) return Refuse("its Draco extension maps none of its attributes");
  const uint64_t points = Find(taken.front().accessor)->count;
  std::vector<decode::DracoAttributeWanted> wanted;
  uint64_t pointBytes = 0;
  for (const Taken& t : taken) {
    const Accessor& a = *Find(t.accessor);
    if (a.count != points) {
      return Refuse(t.semantic + " has " + std::to_string(a.count) + " elements, " +
                    taken.front().semantic + " " + std::to_string(points));
    }
    if (a.components > 4) return Refuse(t.semantic + " is " + a.type + ", not a vertex attribute");
    wanted.push_back({static_cast<uint64_t>(primitive->draco.attributes.at(t.semantic)),
                      a.componentType, a.components});
    pointBytes += uint64_t(ComponentBytes(a.componentType)) * uint64_t(a.components);
  }
  uint64_t corners = points;
  int indexType = kComponentUnsignedInt;
  if (const Accessor* indices = Find(primitive->indices)) {
    indexType = indices->componentType;
    corners = indices->count;
    if (indices->components != 1 ||
        (indexType != kComponentUnsignedByte && indexType != kComponentUnsignedShort &&
         indexType != kComponentUnsignedInt)) {
      return Refuse("its indices are not unsigned integers");
    }
  } else if (primitive->indices >= 0) {
    return Refuse("its indices name accessor " + std::to_string(primitive->indices) +
                  ", which does not exist");
  }
  if (corners % 3 != 0)
    return Refuse("its " + std::to_string(corners) + " corners are not whole triangles");
  const uint64_t triangles = corners / 3;
  if (points > std::numeric_limits<uint32_t>::max() ||
      triangles > std::numeric_limits<uint32_t>::max() / 3) {
    return Refuse("its accessors declare more points or triangles than a Draco mesh holds");
  }
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  std::string error;
  if (!ViewBytes(document_, primitive->draco.bufferView, &bytes, &size, &error)) {
    return Refuse(error);
  }
  if (!admit_(decode::DracoWorkingBytes(points, triangles, pointBytes))) {
    failure_->overBudget = true;
    return false;
  }
  decode::DracoMesh mesh;
  const decode::DracoOutcome outcome =
      decode::DecodeDracoPrimitive(bytes, size, points, triangles, wanted, libraryBytes_, &mesh);
  if (outcome.status == DracoStatus::kOverBudget) {
    failure_->overBudget = true;
    return false;
  }
  if (outcome.status != DracoStatus::kDecoded) return Refuse(Describe(outcome, taken, *primitive));
  ++stream_;
  if (!Install(primitive, taken, &mesh)) return false;
  done_[key] = {primitive->attributes, primitive->indices};
  return true;
}

// One buffer holds the stream's arrays, each in a view of its own, 4-byte aligned.
bool PrimitiveDecoder::Install(Primitive* primitive, const std::vector<Taken>& taken,
                               decode::DracoMesh* mesh) {
  const auto aligned = [](size_t bytes) { return (bytes + 3) & ~size_t{3}; };
  const int indexType =
      primitive->indices >= 0 ? Find(primitive->indices)->componentType : kComponentUnsignedInt;
  const size_t indexBytes = static_cast<size_t>(ComponentBytes(indexType));
  size_t total = aligned(mesh->corners.size() * indexBytes);
  for (const std::vector<uint8_t>& values : mesh->attributes) total += aligned(values.size());
  Buffer buffer;
  buffer.owned.assign(total, 0);
  buffer.byteLength = total;
  const int bufferIndex = static_cast<int>(document_.buffers.size());
  size_t offset = 0;
  const auto addView = [&](size_t bytes) {
    BufferView view;
    view.buffer = bufferIndex;
    view.byteOffset = offset;
    view.byteLength = bytes;
    document_.bufferViews.push_back(std::move(view));
    offset += aligned(bytes);
    return static_cast<int>(document_.bufferViews.size() - 1);
  };
  for (size_t i = 0; i < taken.size(); ++i) {
    const std::vector<uint8_t>& values = mesh->attributes[i];
    if (!values.empty()) std::memcpy(buffer.owned.data() + offset, values.data(), values.size());
    int index = primitive->attributes[taken[i].semantic];
    const int view = addView(values.size());
    Accessor* accessor = Claim(&index);
    accessor->bufferView = view;
    accessor->byteOffset = 0;
    primitive->attributes[taken[i].semantic] = index;
  }
  uint8_t* at = buffer.owned.data() + offset;
  for (const uint32_t corner : mesh->corners) {
    if (!PutIndex(corner, indexType, at)) {
      return Refuse("a Draco triangle names point " + std::to_string(corner) +
                    ", past what its indices' component type holds");
    }
    at += indexBytes;
  }
  const int indexView = addView(mesh->corners.size() * indexBytes);
  if (primitive->indices < 0) {
    Accessor indices;
    indices.componentType = kComponentUnsignedInt;
    indices.count = mesh->corners.size();
    indices.components = 1;
    indices.type = "SCALAR";
    document_.accessors.push_back(indices);
    decodedBy_.push_back(-1);
    primitive->indices = static_cast<int>(document_.accessors.size() - 1);
  }
  Accessor* indices = Claim(&primitive->indices);
  indices->bufferView = indexView;
  indices->byteOffset = 0;
  document_.buffers.push_back(std::move(buffer));
  document_.buffers.back().data = document_.buffers.back().owned.data();
  return true;
}

}  // namespace

bool DecodeDracoPrimitives(Document* document, const std::function<bool(uint64_t)>& admit,
                           uint64_t libraryBytes, DracoFailure* failure) {
  PrimitiveDecoder decoder(document, admit, libraryBytes, failure);
  for (size_t m = 0; m < document->meshes.size(); ++m) {
    std::vector<Primitive>& primitives = document->meshes[m].primitives;
    for (size_t p = 0; p < primitives.size(); ++p) {
      if (primitives[p].draco.bufferView < 0) continue;
      const std::string where =
          "meshes[" + std::to_string(m) + "].primitives[" + std::to_string(p) + "]";
      if (!decoder.Decode(&primitives[p], where)) return false;
    }
  }
  return true;
}

}  // namespace korva::gltf::doc

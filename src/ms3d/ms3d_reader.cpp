// Reading an MS3D file into an msModel. The mandatory part must be complete; each optional
// section is staged and applied only once it has been read whole, so a file cut inside one
// keeps the sections before it and uses nothing of the cut one.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "ms3d/byte_input.h"
#include "ms3d/ms_model.h"
#include "platform/notice.h"

namespace korva {
namespace {

using ms3d_detail::ByteInput;

constexpr char kMagic[10] = {'M', 'S', '3', 'D', '0', '0', '0', '0', '0', '0'};
constexpr int32_t kVersion = 4;

// Smallest on-disk size of each record, used to bound counts before they size arrays.
constexpr size_t kVertexSize = 15;
constexpr size_t kTriangleSize = 70;
constexpr size_t kGroupMinSize = 1 + 32 + 2 + 1;
constexpr size_t kMaterialSize = 361;
constexpr size_t kJointMinSize = 93;
constexpr size_t kKeySize = 16;
constexpr size_t kCommentMinSize = 8;

bool ReadCount(ByteInput& in, size_t recordSize, uint16_t& count) {
  return in.U16(count) && in.CanHold(count, recordSize);
}

// Decodes fixed-size records from bytes already read and bounded, so a field costs a load.
class RecordBytes {
 public:
  explicit RecordBytes(const uint8_t* bytes) : at_(bytes) {}
  uint8_t U8() { return *at_++; }
  int8_t I8() { return static_cast<int8_t>(*at_++); }
  uint16_t U16() {
    const uint16_t value = static_cast<uint16_t>(at_[0] | (at_[1] << 8));
    at_ += 2;
    return value;
  }
  uint32_t U32() {
    const uint32_t value = ByteInput::LittleEndian32(at_);
    at_ += 4;
    return value;
  }
  float F32() {
    const uint32_t bits = ByteInput::LittleEndian32(at_);
    at_ += 4;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  void Bytes(void* out, size_t size) {
    std::memcpy(out, at_, size);
    at_ += size;
  }
  void Floats(float* values, size_t count) {
    for (size_t i = 0; i < count; ++i) values[i] = F32();
  }

 private:
  const uint8_t* at_;
};

// Reads `count` records of `recordSize` bytes in batches and hands each batch to `decode`
// (record bytes, index of its first record, records in it). A batch is decoded where the input's
// window holds it; only one that straddles a refill goes through `scratch` (small, so a huge run
// costs no huge allocation). The caller has checked with CanHold that the input can hold the
// records.
template <typename DecodeBatch>
bool ReadBatches(ByteInput& in, size_t count, size_t recordSize, std::vector<uint8_t>& scratch,
                 DecodeBatch decode) {
  constexpr size_t kBatchBytes = 16 * 1024;
  const size_t batch = recordSize >= kBatchBytes ? 1 : kBatchBytes / recordSize;
  for (size_t first = 0; first < count;) {
    size_t records = std::min(count - first, batch);
    const size_t inWindow = in.WindowBytes() / recordSize;
    if (inWindow > 0) records = std::min(records, inWindow);
    const uint8_t* bytes = in.Take(records * recordSize, scratch);
    if (!bytes) return false;
    RecordBytes record(bytes);
    decode(record, first, records);
    first += records;
  }
  return true;
}

// ReadBatches with `decode` (record bytes, index) called for each record.
template <typename Decode>
bool ReadRecords(ByteInput& in, size_t count, size_t recordSize, std::vector<uint8_t>& scratch,
                 Decode decode) {
  return ReadBatches(in, count, recordSize, scratch,
                     [&](RecordBytes& record, size_t first, size_t records) {
                       for (size_t i = first; i < first + records; ++i) decode(record, i);
                     });
}

// Replaces the contents of `out` with `count` records, each decoded by `decode` (record bytes,
// item). Each batch is appended and decoded over while it is in cache, through a local pointer:
// the decoding copies bytes, which the compiler must assume could change the array's own bounds.
template <typename T, typename Decode>
bool ReadArray(ByteInput& in, size_t count, size_t recordSize, std::vector<uint8_t>& scratch,
               std::vector<T>& out, Decode decode) {
  out.clear();
  out.reserve(count);
  return ReadBatches(in, count, recordSize, scratch,
                     [&](RecordBytes& record, size_t first, size_t records) {
                       out.resize(first + records);
                       T* item = out.data() + first;
                       for (size_t k = 0; k < records; ++k) decode(record, item[k]);
                     });
}

bool ReadVertices(ByteInput& in, msModel& model, std::vector<uint8_t>& scratch) {
  uint16_t count;
  if (!ReadCount(in, kVertexSize, count)) return false;
  return ReadArray(in, count, kVertexSize, scratch, model.vertices,
                   [](RecordBytes& record, msVertex& v) {
                     v.flags = record.U8();
                     record.Floats(v.position, 3);
                     v.boneId = record.I8();
                     v.referenceCount = record.U8();
                   });
}

// On a little-endian machine a triangle's 70 bytes on disk are the first 70 of msTriangle.
constexpr bool kLittleEndianHost = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
static_assert(offsetof(msTriangle, flags) == 0);
static_assert(offsetof(msTriangle, vertexIndices) == 2);
static_assert(offsetof(msTriangle, vertexNormals) == 8);
static_assert(offsetof(msTriangle, s) == 44);
static_assert(offsetof(msTriangle, t) == 56);
static_assert(offsetof(msTriangle, smoothingGroup) == 68);
static_assert(offsetof(msTriangle, groupIndex) == kTriangleSize - 1);
static_assert(std::is_trivially_copyable_v<msTriangle>);

bool ReadTriangles(ByteInput& in, msModel& model, std::vector<uint8_t>& scratch) {
  uint16_t count;
  if (!ReadCount(in, kTriangleSize, count)) return false;
  return ReadArray(in, count, kTriangleSize, scratch, model.triangles,
                   [](RecordBytes& record, msTriangle& t) {
                     if constexpr (kLittleEndianHost) {
                       record.Bytes(&t, kTriangleSize);
                     } else {
                       t.flags = record.U16();
                       for (uint16_t& index : t.vertexIndices) index = record.U16();
                       record.Floats(&t.vertexNormals[0][0], 9);
                       record.Floats(t.s, 3);
                       record.Floats(t.t, 3);
                       t.smoothingGroup = record.U8();
                       t.groupIndex = record.U8();
                     }
                   });
}

bool ReadGroups(ByteInput& in, msModel& model, std::vector<uint8_t>& scratch) {
  uint16_t count;
  if (!ReadCount(in, kGroupMinSize, count)) return false;
  model.groups.resize(count);
  for (msGroup& g : model.groups) {
    uint16_t indexCount;
    if (!in.U8(g.flags) || !in.Read(g.name, sizeof g.name) ||
        !ReadCount(in, sizeof(uint16_t), indexCount)) {
      return false;
    }
    if (!ReadArray(in, indexCount, sizeof(uint16_t), scratch, g.triangleIndices,
                   [](RecordBytes& record, uint16_t& index) { index = record.U16(); }) ||
        !in.I8(g.materialIndex)) {
      return false;
    }
  }
  return true;
}

bool ReadMaterials(ByteInput& in, msModel& model) {
  uint16_t count;
  if (!ReadCount(in, kMaterialSize, count)) return false;
  model.materials.resize(count);
  for (msMaterial& m : model.materials) {
    if (!in.Read(m.name, sizeof m.name) || !in.Floats(m.ambient, 4) || !in.Floats(m.diffuse, 4) ||
        !in.Floats(m.specular, 4) || !in.Floats(m.emissive, 4) || !in.F32(m.shininess) ||
        !in.F32(m.transparency) || !in.U8(m.mode) || !in.Read(m.texture, sizeof m.texture) ||
        !in.Read(m.alphaMap, sizeof m.alphaMap)) {
      return false;
    }
    // The material's transparency is its alpha; the colours' own alphas are not used.
    m.ambient[3] = m.diffuse[3] = m.specular[3] = m.emissive[3] = m.transparency;
  }
  return true;
}

bool ReadAnimationSettings(ByteInput& in, msModel& model) {
  if (!in.F32(model.framesPerSecond) || !in.F32(model.currentFrame) || !in.I32(model.totalFrames)) {
    return false;
  }
  // Written as a negated comparison so a NaN rate also becomes 1.0 instead of poisoning every
  // key time.
  if (!(model.framesPerSecond >= 1.0f)) model.framesPerSecond = 1.0f;
  return true;
}

void DecodeKey(RecordBytes& record, msKeyframe& key, float framesPerSecond) {
  key.time = record.F32() * framesPerSecond;
  record.Floats(key.value, 3);
}

bool ReadJoints(ByteInput& in, msModel& model, std::vector<uint8_t>& scratch) {
  uint16_t count;
  if (!ReadCount(in, kJointMinSize, count)) return false;
  model.joints.resize(count);
  const float framesPerSecond = model.framesPerSecond;
  for (msJoint& j : model.joints) {
    uint16_t rotationCount;
    uint16_t positionCount;
    if (!in.U8(j.flags) || !in.Read(j.name, sizeof j.name) ||
        !in.Read(j.parentName, sizeof j.parentName) || !in.Floats(j.rotation, 3) ||
        !in.Floats(j.position, 3) || !in.U16(rotationCount) || !in.U16(positionCount) ||
        !in.CanHold(size_t{rotationCount} + positionCount, kKeySize)) {
      return false;
    }
    // Rotation keys first, then position keys.
    const auto readKeys = [&](std::vector<msKeyframe>& keys, size_t keyCount) {
      return ReadArray(
          in, keyCount, kKeySize, scratch, keys,
          [&](RecordBytes& record, msKeyframe& key) { DecodeKey(record, key, framesPerSecond); });
    };
    if (!readKeys(j.rotationKeys, rotationCount) || !readKeys(j.positionKeys, positionCount)) {
      return false;
    }
  }
  return true;
}

bool ReadMandatory(ByteInput& in, msModel& model) {
  char id[sizeof kMagic];
  int32_t version;
  if (!in.Read(id, sizeof id) || std::memcmp(id, kMagic, sizeof id) != 0) return false;
  if (!in.I32(version) || version != kVersion) return false;
  // One scratch buffer carries each run of records from the input to its decoding.
  std::vector<uint8_t> scratch;
  return ReadVertices(in, model, scratch) && ReadTriangles(in, model, scratch) &&
         ReadGroups(in, model, scratch) && ReadMaterials(in, model) &&
         ReadAnimationSettings(in, model) && ReadJoints(in, model, scratch);
}

// One comment read from the file, kept until its section is complete.
struct PendingComment {
  msComment* target;  // null: the index was out of range, the text is dropped
  msComment text;
};

// Reads {length, text}; false for a negative length or one the file cannot hold.
bool ReadCommentText(ByteInput& in, msComment& text) {
  int32_t length;
  if (!in.I32(length) || length < 0 || static_cast<size_t>(length) > in.Remaining()) return false;
  text.resize(static_cast<size_t>(length));
  return in.Read(text.data(), text.size());
}

template <typename Element>
bool ReadCommentList(ByteInput& in, std::vector<Element>& elements,
                     std::vector<PendingComment>& pending) {
  int32_t count;
  if (!in.I32(count)) return false;
  if (count <= 0) return true;
  if (!in.CanHold(static_cast<size_t>(count), kCommentMinSize)) return false;
  for (int32_t i = 0; i < count; ++i) {
    int32_t index;
    if (!in.I32(index)) return false;
    PendingComment comment{nullptr, {}};
    if (index >= 0 && static_cast<size_t>(index) < elements.size()) {
      comment.target = &elements[static_cast<size_t>(index)].comment;
    }
    if (!ReadCommentText(in, comment.text)) return false;
    if (comment.target != nullptr) pending.push_back(std::move(comment));
  }
  return true;
}

// False when the section is cut or malformed: the optional sections end there.
bool ReadComments(ByteInput& in, msModel& model) {
  int32_t subVersion;
  if (!in.I32(subVersion)) return false;
  if (subVersion != 1) return true;
  std::vector<PendingComment> pending;
  if (!ReadCommentList(in, model.groups, pending) ||
      !ReadCommentList(in, model.materials, pending) ||
      !ReadCommentList(in, model.joints, pending)) {
    return false;
  }
  int32_t hasModelComment;
  msComment modelComment;
  if (!in.I32(hasModelComment)) return false;
  if (hasModelComment == 1 && !ReadCommentText(in, modelComment)) return false;
  for (PendingComment& comment : pending) *comment.target = std::move(comment.text);
  if (hasModelComment == 1) model.comment = std::move(modelComment);
  return true;
}

bool ReadVertexExtra(ByteInput& in, msModel& model) {
  int32_t subVersion;
  if (!in.I32(subVersion)) return false;
  size_t recordSize;
  switch (subVersion) {
    case 1:
      recordSize = 6;
      break;
    case 2:
      recordSize = 10;
      break;
    case 3:
      // The modelling tool writes a second extra value in this subversion.
      recordSize = 14;
      break;
    default:
      platform::ShowNotice("Unknown subversion for vertex extra", "Info");
      return true;
  }
  if (!in.CanHold(model.vertices.size(), recordSize)) return false;
  // Decoded straight into the vertices in batches; a section cut short leaves none of it.
  std::vector<uint8_t> scratch;
  const bool complete = ReadRecords(in, model.vertices.size(), recordSize, scratch,
                                    [&](RecordBytes& record, size_t i) {
                                      msVertex& v = model.vertices[i];
                                      record.Bytes(v.boneIds, 3);
                                      record.Bytes(v.weights, 3);
                                      if (recordSize >= 10) v.extra = record.U32();
                                      if (recordSize >= 14) v.extra2 = record.U32();
                                    });
  if (!complete) {
    for (msVertex& v : model.vertices) {
      std::memset(v.boneIds, 0, sizeof v.boneIds);
      std::memset(v.weights, 0, sizeof v.weights);
      v.extra = v.extra2 = 0;
    }
  }
  return complete;
}

bool ReadJointExtra(ByteInput& in, msModel& model) {
  int32_t subVersion;
  if (!in.I32(subVersion)) return false;
  if (subVersion != 1) return true;
  constexpr size_t kColorSize = 3 * sizeof(float);
  if (!in.CanHold(model.joints.size(), kColorSize)) return false;
  std::vector<uint8_t> bytes(model.joints.size() * kColorSize);
  if (!in.Read(bytes.data(), bytes.size())) return false;
  const uint8_t* record = bytes.data();
  for (msJoint& j : model.joints) {
    for (float& channel : j.color) {
      const uint32_t bits = ByteInput::LittleEndian32(record);
      std::memcpy(&channel, &bits, sizeof channel);
      record += sizeof channel;
    }
  }
  return true;
}

bool ReadModelExtra(ByteInput& in, msModel& model) {
  int32_t subVersion;
  if (!in.I32(subVersion)) return false;
  if (subVersion != 1) return true;
  float jointSize;
  int32_t transparencyMode;
  float alphaRef;
  if (!in.F32(jointSize) || !in.I32(transparencyMode) || !in.F32(alphaRef)) return false;
  model.jointSize = jointSize;
  model.transparencyMode = transparencyMode;
  model.alphaRef = alphaRef;
  return true;
}

void ReadOptionalSections(ByteInput& in, msModel& model) {
  // Each section is present only while bytes remain; a cut one ends the chain.
  using Section = bool (*)(ByteInput&, msModel&);
  const Section sections[] = {ReadComments, ReadVertexExtra, ReadJointExtra, ReadModelExtra};
  for (Section section : sections) {
    if (in.Remaining() == 0 || !section(in, model)) return;
  }
}

bool Load(ByteInput& in, msModel& model) {
  model.Reset();
  if (!ReadMandatory(in, model)) {
    model.Reset();
    return false;
  }
  ReadOptionalSections(in, model);
  return true;
}

}  // namespace

bool msModel::LoadFromFile(const char* path) {
  if (path == nullptr) return false;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) size = 0;
  ms3d_detail::FileInput in(file, static_cast<size_t>(size));
  const bool loaded = Load(in, *this);
  std::fclose(file);
  return loaded;
}

bool msModel::LoadFromMemory(const uint8_t* data, size_t size) {
  ms3d_detail::MemoryInput in(data, size);
  return Load(in, *this);
}

}  // namespace korva

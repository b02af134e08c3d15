// Reading an MS3D file into an msModel. The mandatory part must be complete; each optional
// section is staged and applied only once it has been read whole, so a file cut inside one
// keeps the sections before it and uses nothing of the cut one. What was read goes into an
// Ms3dAccount at section boundaries, and why a file is refused only once it is.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "ms3d/byte_input.h"
#include "ms3d/float_lanes.h"
#include "ms3d/ms3d_account.h"
#include "ms3d/ms3d_format.h"
#include "ms3d/ms_model.h"
#include "platform/file_length.h"
#include "platform/notice.h"

namespace korva {
namespace {

using ms3d_detail::ByteInput;
using namespace ms3d_format;

// Records the refusal; always false, so a failing read can return it.
bool Refuse(Ms3dAccount& account, Ms3dFault fault, Ms3dElement element, uint64_t offset,
            uint32_t index = kMs3dNoIndex, uint32_t count = 0) {
  Ms3dProblem& refusal = account.refusal;
  refusal.fault = fault;
  refusal.element = element;
  refusal.offset = offset;
  refusal.index = index;
  refusal.count = count;
  return false;
}

// The bytes end inside element `index` of a run of `count` that starts at `first`.
bool RefuseCut(Ms3dAccount& account, Ms3dElement element, uint64_t first, size_t recordSize,
               uint32_t index, uint32_t count) {
  return Refuse(account, Ms3dFault::kCutShort, element, first + uint64_t{index} * recordSize, index,
                count);
}

// Reads an element count and checks that the input can hold that many records of `recordSize`
// bytes. A run of fixed-size records that does not fit is cut short in the first record the bytes
// do not hold whole; for records of varying size, `recordSize` is the smallest, and the count
// itself is refused.
bool ReadCount(ByteInput& in, Ms3dAccount& account, Ms3dElement element, size_t recordSize,
               bool fixedSize, uint16_t& count) {
  const uint64_t at = in.Offset();
  if (!in.U16(count)) return Refuse(account, Ms3dFault::kCutShort, element, at);
  if (in.CanHold(count, recordSize)) return true;
  if (!fixedSize)
    return Refuse(account, Ms3dFault::kCountTooLarge, element, at, kMs3dNoIndex, count);
  return RefuseCut(account, element, in.Offset(), recordSize,
                   static_cast<uint32_t>(in.Remaining() / recordSize), count);
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
  // The bytes not read yet.
  const uint8_t* At() const { return at_; }

 private:
  const uint8_t* at_;
};

// Reads `count` records of `recordSize` bytes in batches and hands each batch to `decode`
// (record bytes, index of its first record, records in it). A batch is decoded where the input's
// window holds it; only one that straddles a refill goes through `scratch` (small, so a huge run
// costs no huge allocation). The caller has checked with CanHold that the input can hold the
// records. Returns the records read: `count`, or fewer when the source delivers less than it
// announced.
template <typename DecodeBatch>
size_t ReadBatches(ByteInput& in, size_t count, size_t recordSize, std::vector<uint8_t>& scratch,
                   DecodeBatch decode) {
  constexpr size_t kBatchBytes = 16 * 1024;
  const size_t batch = recordSize >= kBatchBytes ? 1 : kBatchBytes / recordSize;
  for (size_t first = 0; first < count;) {
    size_t records = std::min(count - first, batch);
    const size_t inWindow = in.WindowBytes() / recordSize;
    if (inWindow > 0) records = std::min(records, inWindow);
    const uint8_t* bytes = in.Take(records * recordSize, scratch);
    if (!bytes) return first;
    RecordBytes record(bytes);
    decode(record, first, records);
    first += records;
  }
  return count;
}

// ReadBatches with `decode` (record bytes, index) called for each record.
template <typename Decode>
size_t ReadRecords(ByteInput& in, size_t count, size_t recordSize, std::vector<uint8_t>& scratch,
                   Decode decode) {
  return ReadBatches(in, count, recordSize, scratch,
                     [&](RecordBytes& record, size_t first, size_t records) {
                       for (size_t i = first; i < first + records; ++i) decode(record, i);
                     });
}

// Replaces the contents of `out` with `count` records, decoded a run at a time by `decodeRun`
// (record bytes, records in the run, where the run's items go). Each batch is appended and decoded
// over while it is in cache. Returns the records read, as ReadBatches.
template <typename T, typename DecodeRun>
size_t ReadArrayRuns(ByteInput& in, size_t count, size_t recordSize, std::vector<uint8_t>& scratch,
                     std::vector<T>& out, DecodeRun decodeRun) {
  out.clear();
  out.reserve(count);
  return ReadBatches(in, count, recordSize, scratch,
                     [&](RecordBytes& record, size_t first, size_t records) {
                       out.resize(first + records);
                       decodeRun(record, records, out.data() + first);
                     });
}

// ReadArrayRuns with each record decoded by `decode` (record bytes, item), through a local
// pointer: the decoding copies bytes, which the compiler must assume could change the array's own
// bounds.
template <typename T, typename Decode>
size_t ReadArray(ByteInput& in, size_t count, size_t recordSize, std::vector<uint8_t>& scratch,
                 std::vector<T>& out, Decode decode) {
  return ReadArrayRuns(in, count, recordSize, scratch, out,
                       [&](RecordBytes& record, size_t records, T* item) {
                         for (size_t k = 0; k < records; ++k) decode(record, item[k]);
                       });
}

bool ReadVertices(ByteInput& in, msModel& model, std::vector<uint8_t>& scratch,
                  Ms3dAccount& account) {
  uint16_t count;
  if (!ReadCount(in, account, Ms3dElement::kVertex, kVertexSize, true, count)) return false;
  const uint64_t first = in.Offset();
  const size_t read = ReadArray(in, count, kVertexSize, scratch, model.vertices,
                                [](RecordBytes& record, msVertex& v) {
                                  v.flags = record.U8();
                                  record.Floats(v.position, 3);
                                  v.boneId = record.I8();
                                  v.referenceCount = record.U8();
                                });
  return read == count || RefuseCut(account, Ms3dElement::kVertex, first, kVertexSize,
                                    static_cast<uint32_t>(read), count);
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

bool ReadTriangles(ByteInput& in, msModel& model, std::vector<uint8_t>& scratch,
                   Ms3dAccount& account) {
  uint16_t count;
  if (!ReadCount(in, account, Ms3dElement::kTriangle, kTriangleSize, true, count)) return false;
  const uint64_t first = in.Offset();
  const size_t read = ReadArray(in, count, kTriangleSize, scratch, model.triangles,
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
  return read == count || RefuseCut(account, Ms3dElement::kTriangle, first, kTriangleSize,
                                    static_cast<uint32_t>(read), count);
}

bool ReadGroups(ByteInput& in, msModel& model, std::vector<uint8_t>& scratch,
                Ms3dAccount& account) {
  uint16_t count;
  if (!ReadCount(in, account, Ms3dElement::kGroup, kGroupFixedSize, false, count)) return false;
  model.groups.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    msGroup& g = model.groups[i];
    const uint64_t start = in.Offset();
    uint16_t indexCount;
    if (!in.U8(g.flags) || !in.Read(g.name, sizeof g.name) || !in.U16(indexCount) ||
        !in.CanHold(indexCount, kGroupIndexSize) ||
        ReadArray(in, indexCount, kGroupIndexSize, scratch, g.triangleIndices,
                  [](RecordBytes& record, uint16_t& index) { index = record.U16(); }) !=
            indexCount ||
        !in.I8(g.materialIndex)) {
      return Refuse(account, Ms3dFault::kCutShort, Ms3dElement::kGroup, start, i, count);
    }
  }
  return true;
}

bool ReadMaterials(ByteInput& in, msModel& model, Ms3dAccount& account) {
  uint16_t count;
  if (!ReadCount(in, account, Ms3dElement::kMaterial, kMaterialSize, true, count)) return false;
  const uint64_t first = in.Offset();
  model.materials.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    msMaterial& m = model.materials[i];
    if (!in.Read(m.name, sizeof m.name) || !in.Floats(m.ambient, 4) || !in.Floats(m.diffuse, 4) ||
        !in.Floats(m.specular, 4) || !in.Floats(m.emissive, 4) || !in.F32(m.shininess) ||
        !in.F32(m.transparency) || !in.U8(m.mode) || !in.Read(m.texture, sizeof m.texture) ||
        !in.Read(m.alphaMap, sizeof m.alphaMap)) {
      return RefuseCut(account, Ms3dElement::kMaterial, first, kMaterialSize, i, count);
    }
    // The material's transparency is its alpha; the colours' own alphas are not used.
    m.ambient[3] = m.diffuse[3] = m.specular[3] = m.emissive[3] = m.transparency;
  }
  return true;
}

bool ReadAnimationSettings(ByteInput& in, msModel& model, Ms3dAccount& account) {
  const uint64_t at = in.Offset();
  if (!in.F32(model.framesPerSecond) || !in.F32(model.currentFrame) || !in.I32(model.totalFrames)) {
    return Refuse(account, Ms3dFault::kCutShort, Ms3dElement::kAnimationSettings, at);
  }
  // Written as a negated comparison so a NaN rate also becomes 1.0 instead of poisoning every
  // key time.
  if (!(model.framesPerSecond >= 1.0f)) model.framesPerSecond = 1.0f;
  return true;
}

// The key records of a run as a range of keys decoded on the way: an array is filled from it with
// each key made straight from its bytes, never zeroed first. The time (seconds in the file) is
// multiplied by the frame rate, the values pass as they are. A key record is the key as it lies in
// memory on a little-endian machine, so there each is loaded whole and only its time worked on.
class DecodedKeys {
 public:
  using iterator_category = std::random_access_iterator_tag;
  using value_type = msKeyframe;
  using difference_type = std::ptrdiff_t;
  using pointer = const msKeyframe*;
  using reference = msKeyframe;

  DecodedKeys(const uint8_t* bytes, float framesPerSecond) : at_(bytes), rate_(framesPerSecond) {}

  msKeyframe operator*() const {
    msKeyframe key;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    static_assert(sizeof(msKeyframe) == kKeySize);
    StoreLanes(_mm_mul_ss(LoadLanes(at_), _mm_set_ss(rate_)), &key);
#else
    RecordBytes record(at_);
    key.time = record.F32() * rate_;
    record.Floats(key.value, 3);
#endif
    return key;
  }
  DecodedKeys& operator++() {
    at_ += kKeySize;
    return *this;
  }
  DecodedKeys& operator--() {
    at_ -= kKeySize;
    return *this;
  }
  DecodedKeys& operator+=(difference_type keys) {
    at_ += keys * static_cast<difference_type>(kKeySize);
    return *this;
  }
  difference_type operator-(const DecodedKeys& other) const {
    return (at_ - other.at_) / static_cast<difference_type>(kKeySize);
  }
  bool operator==(const DecodedKeys& other) const {
    return at_ == other.at_;
  }
  bool operator!=(const DecodedKeys& other) const {
    return at_ != other.at_;
  }

 private:
  const uint8_t* at_;
  float rate_;
};

bool ReadJoints(ByteInput& in, msModel& model, std::vector<uint8_t>& scratch,
                Ms3dAccount& account) {
  uint16_t count;
  if (!ReadCount(in, account, Ms3dElement::kJoint, kJointFixedSize, false, count)) return false;
  model.joints.resize(count);
  const float framesPerSecond = model.framesPerSecond;
  for (uint32_t i = 0; i < count; ++i) {
    msJoint& j = model.joints[i];
    const uint64_t start = in.Offset();
    uint16_t rotationCount;
    uint16_t positionCount;
    if (!in.U8(j.flags) || !in.Read(j.name, sizeof j.name) ||
        !in.Read(j.parentName, sizeof j.parentName) || !in.Floats(j.rotation, 3) ||
        !in.Floats(j.position, 3) || !in.U16(rotationCount) || !in.U16(positionCount)) {
      return Refuse(account, Ms3dFault::kCutShort, Ms3dElement::kJoint, start, i, count);
    }
    // Rotation keys first, then position keys.
    const uint64_t firstKey = in.Offset();
    const uint32_t keyCount = uint32_t{rotationCount} + positionCount;
    const auto refuseKey = [&](size_t keysRead) {
      account.refusal.owner = i;
      account.refusal.ownerCount = count;
      return RefuseCut(account, Ms3dElement::kKey, firstKey, kKeySize,
                       static_cast<uint32_t>(keysRead), keyCount);
    };
    if (!in.CanHold(keyCount, kKeySize)) return refuseKey(in.Remaining() / kKeySize);
    const auto readKeys = [&](std::vector<msKeyframe>& keys, size_t keyCount) {
      keys.clear();
      keys.reserve(keyCount);
      return ReadBatches(
          in, keyCount, kKeySize, scratch, [&](RecordBytes& record, size_t, size_t records) {
            const DecodedKeys first(record.At(), framesPerSecond);
            const DecodedKeys last(record.At() + records * kKeySize, framesPerSecond);
            keys.insert(keys.end(), first, last);
          });
    };
    const size_t rotationsRead = readKeys(j.rotationKeys, rotationCount);
    if (rotationsRead != rotationCount) return refuseKey(rotationsRead);
    const size_t positionsRead = readKeys(j.positionKeys, positionCount);
    if (positionsRead != positionCount) return refuseKey(rotationCount + positionsRead);
  }
  return true;
}

bool ReadMandatory(ByteInput& in, msModel& model, Ms3dAccount& account) {
  char id[sizeof kMagic];
  int32_t version;
  if (!in.Read(id, sizeof id))
    return Refuse(account, Ms3dFault::kCutShort, Ms3dElement::kHeader, 0);
  if (std::memcmp(id, kMagic, sizeof id) != 0) {
    return Refuse(account, Ms3dFault::kBadMagic, Ms3dElement::kHeader, 0);
  }
  if (!in.I32(version)) return Refuse(account, Ms3dFault::kCutShort, Ms3dElement::kHeader, 0);
  if (version != kVersion) {
    account.refusal.value = version;
    return Refuse(account, Ms3dFault::kBadVersion, Ms3dElement::kHeader, sizeof kMagic);
  }
  // One scratch buffer carries each run of records from the input to its decoding.
  std::vector<uint8_t> scratch;
  return ReadVertices(in, model, scratch, account) && ReadTriangles(in, model, scratch, account) &&
         ReadGroups(in, model, scratch, account) && ReadMaterials(in, model, account) &&
         ReadAnimationSettings(in, model, account) && ReadJoints(in, model, scratch, account);
}

// One comment read from the file, kept until its section is complete.
struct PendingComment {
  msComment* target;  // null: the index was out of range, the text is dropped
  msComment text;
};

// What ends an optional section early: kCutShort, or kBadLength for a negative comment length.
using SectionFault = Ms3dFault;

// Reads {length, text}.
SectionFault ReadCommentText(ByteInput& in, msComment& text) {
  int32_t length;
  if (!in.I32(length)) return Ms3dFault::kCutShort;
  if (length < 0) return Ms3dFault::kBadLength;
  if (static_cast<size_t>(length) > in.Remaining()) return Ms3dFault::kCutShort;
  text.resize(static_cast<size_t>(length));
  return in.Read(text.data(), text.size()) ? Ms3dFault::kNone : Ms3dFault::kCutShort;
}

template <typename Element>
SectionFault ReadCommentList(ByteInput& in, std::vector<Element>& elements,
                             std::vector<PendingComment>& pending) {
  int32_t count;
  if (!in.I32(count)) return Ms3dFault::kCutShort;
  if (count <= 0) return Ms3dFault::kNone;
  if (!in.CanHold(static_cast<size_t>(count), kCommentFixedSize)) return Ms3dFault::kCutShort;
  for (int32_t i = 0; i < count; ++i) {
    int32_t index;
    if (!in.I32(index)) return Ms3dFault::kCutShort;
    PendingComment comment{nullptr, {}};
    if (index >= 0 && static_cast<size_t>(index) < elements.size()) {
      comment.target = &elements[static_cast<size_t>(index)].comment;
    }
    if (const SectionFault fault = ReadCommentText(in, comment.text); fault != Ms3dFault::kNone) {
      return fault;
    }
    if (comment.target != nullptr) pending.push_back(std::move(comment));
  }
  return Ms3dFault::kNone;
}

// Every section reader gets its subversion already read and returns kNone when it read the
// section whole; otherwise the optional sections end there.
SectionFault ReadComments(ByteInput& in, msModel& model, int32_t subVersion) {
  if (subVersion != 1) return Ms3dFault::kNone;
  std::vector<PendingComment> pending;
  SectionFault fault = ReadCommentList(in, model.groups, pending);
  if (fault == Ms3dFault::kNone) fault = ReadCommentList(in, model.materials, pending);
  if (fault == Ms3dFault::kNone) fault = ReadCommentList(in, model.joints, pending);
  if (fault != Ms3dFault::kNone) return fault;
  int32_t hasModelComment;
  msComment modelComment;
  if (!in.I32(hasModelComment)) return Ms3dFault::kCutShort;
  if (hasModelComment == 1) {
    fault = ReadCommentText(in, modelComment);
    if (fault != Ms3dFault::kNone) return fault;
  }
  for (PendingComment& comment : pending) *comment.target = std::move(comment.text);
  if (hasModelComment == 1) model.comment = std::move(modelComment);
  return Ms3dFault::kNone;
}

SectionFault ReadVertexExtra(ByteInput& in, msModel& model, int32_t subVersion) {
  const size_t recordSize = VertexExtraRecordSize(subVersion);
  if (recordSize == 0) {
    platform::ShowNotice("Unknown subversion for vertex extra", "Info");
    return Ms3dFault::kNone;
  }
  if (!in.CanHold(model.vertices.size(), recordSize)) return Ms3dFault::kCutShort;
  // Decoded straight into the vertices in batches; a section cut short leaves none of it.
  std::vector<uint8_t> scratch;
  const bool complete = ReadRecords(in, model.vertices.size(), recordSize, scratch,
                                    [&](RecordBytes& record, size_t i) {
                                      msVertex& v = model.vertices[i];
                                      record.Bytes(v.boneIds, 3);
                                      record.Bytes(v.weights, 3);
                                      if (recordSize >= 10) v.extra = record.U32();
                                      if (recordSize >= 14) v.extra2 = record.U32();
                                    }) == model.vertices.size();
  if (!complete) {
    for (msVertex& v : model.vertices) {
      std::memset(v.boneIds, 0, sizeof v.boneIds);
      std::memset(v.weights, 0, sizeof v.weights);
      v.extra = v.extra2 = 0;
    }
  } else {
    model.vertexExtraSubVersion = subVersion;
  }
  return complete ? Ms3dFault::kNone : Ms3dFault::kCutShort;
}

SectionFault ReadJointExtra(ByteInput& in, msModel& model, int32_t subVersion) {
  if (subVersion != 1) return Ms3dFault::kNone;
  if (!in.CanHold(model.joints.size(), kJointColorSize)) return Ms3dFault::kCutShort;
  std::vector<uint8_t> bytes(model.joints.size() * kJointColorSize);
  if (!in.Read(bytes.data(), bytes.size())) return Ms3dFault::kCutShort;
  const uint8_t* record = bytes.data();
  for (msJoint& j : model.joints) {
    for (float& channel : j.color) {
      const uint32_t bits = ByteInput::LittleEndian32(record);
      std::memcpy(&channel, &bits, sizeof channel);
      record += sizeof channel;
    }
  }
  return Ms3dFault::kNone;
}

SectionFault ReadModelExtra(ByteInput& in, msModel& model, int32_t subVersion) {
  if (subVersion != 1) return Ms3dFault::kNone;
  float jointSize;
  int32_t transparencyMode;
  float alphaRef;
  if (!in.F32(jointSize) || !in.I32(transparencyMode) || !in.F32(alphaRef)) {
    return Ms3dFault::kCutShort;
  }
  model.jointSize = jointSize;
  model.transparencyMode = transparencyMode;
  model.alphaRef = alphaRef;
  return Ms3dFault::kNone;
}

void ReadOptionalSections(ByteInput& in, msModel& model, Ms3dAccount& account) {
  // Each section is present only while bytes remain; a cut one ends the chain.
  using Reader = SectionFault (*)(ByteInput&, msModel&, int32_t);
  constexpr Reader kReaders[kMs3dSectionCount] = {ReadComments, ReadVertexExtra, ReadJointExtra,
                                                  ReadModelExtra};
  for (size_t k = 0; k < kMs3dSectionCount; ++k) {
    if (in.Remaining() == 0) return;
    const auto section = static_cast<Ms3dSection>(k);
    const uint64_t start = in.Offset();
    int32_t subVersion;
    SectionFault fault = Ms3dFault::kCutShort;
    if (in.I32(subVersion)) fault = kReaders[k](in, model, subVersion);
    if (fault != Ms3dFault::kNone) {
      account.sectionCut = true;
      account.cutSection = section;
      account.cutOffset = start;
      account.cutFault = fault;
      return;
    }
    account.sections[account.sectionCount++] = {section, subVersion, start, in.Offset() - start};
  }
  account.trailingBytes = in.Remaining();
}

bool Load(ByteInput& in, msModel& model, Ms3dAccount& account) {
  account = Ms3dAccount{};
  account.fileSize = in.Size();
  model.Reset();
  if (!ReadMandatory(in, model, account)) {
    model.Reset();
    return false;
  }
  ReadOptionalSections(in, model, account);
  return true;
}

}  // namespace

bool msModel::LoadFromFile(const char* path) {
  Ms3dAccount account;
  return LoadFromFile(path, account);
}

bool msModel::LoadFromFile(const char* path, Ms3dAccount& account) {
  account = Ms3dAccount{};
  account.refusal.fault = Ms3dFault::kCannotOpen;
  if (path == nullptr) return false;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  // The reader reads ahead in chunks of its own: the stream's buffer would only copy every byte
  // once more.
  std::setvbuf(file, nullptr, _IONBF, 0);
  // Most models are smaller than the reader's chunk: one read at the start brings the whole
  // file, and coming back short it tells the length without a query of the system.
  constexpr size_t kChunk = ms3d_detail::SourceInput::kChunk;
  std::unique_ptr<uint8_t[]> start(new uint8_t[kChunk]);
  const int64_t startBytes = platform::ReadFileAt(file, 0, start.get(), kChunk);
  bool loaded;
  if (startBytes >= 0 && static_cast<uint64_t>(startBytes) < kChunk) {
    ms3d_detail::MemoryInput in(start.get(), static_cast<size_t>(startBytes));
    loaded = Load(in, *this, account);
  } else {
    // One query of the system (seeking to the end and back took three); a file whose length
    // cannot be told, or that no address can span, reads as empty. A file read at positions
    // goes on after the chunk read already; any other is read in order from its start.
    const int64_t length = platform::RegularFileLength(file);
    const size_t size =
        length > 0 && static_cast<uint64_t>(length) <= SIZE_MAX ? static_cast<size_t>(length) : 0;
    ms3d_detail::SourceInput::Source source;
    size_t filled = 0;
    if (startBytes > 0) {
      filled = static_cast<size_t>(startBytes);
      source = [file, offset = uint64_t{filled}](uint8_t* out, size_t count) mutable {
        const int64_t got = platform::ReadFileAt(file, offset, out, count);
        if (got <= 0) return size_t{0};
        offset += static_cast<uint64_t>(got);
        return static_cast<size_t>(got);
      };
    } else {
      source = [file](uint8_t* out, size_t count) { return std::fread(out, 1, count, file); };
    }
    ms3d_detail::SourceInput in(std::move(source), size, std::move(start), filled);
    loaded = Load(in, *this, account);
  }
  std::fclose(file);
  return loaded;
}

bool msModel::LoadFromSource(const msByteSource& source, size_t size) {
  Ms3dAccount account;
  return LoadFromSource(source, size, account);
}

bool msModel::LoadFromSource(const msByteSource& source, size_t size, Ms3dAccount& account) {
  ms3d_detail::SourceInput in(source, size);
  return Load(in, *this, account);
}

bool msModel::LoadFromMemory(const uint8_t* data, size_t size) {
  Ms3dAccount account;
  return LoadFromMemory(data, size, account);
}

bool msModel::LoadFromMemory(const uint8_t* data, size_t size, Ms3dAccount& account) {
  ms3d_detail::MemoryInput in(data, size);
  return Load(in, *this, account);
}

}  // namespace korva

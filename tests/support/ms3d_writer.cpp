#include "support/ms3d_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "ms3d/ms3d_format.h"

namespace korva::testing {
namespace {

using namespace ms3d_format;

// Throws when a record written from `start` does not take the size the reader expects.
class ByteSink;
void ExpectRecordSize(const ByteSink& sink, size_t start, size_t size);

class ByteSink {
 public:
  void Bytes(const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), bytes, bytes + size);
  }
  void U8(uint8_t value) { out_.push_back(value); }
  void U16(uint16_t value) {
    U8(static_cast<uint8_t>(value));
    U8(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) U8(static_cast<uint8_t>(value >> shift));
  }
  void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
  void F32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    U32(bits);
  }
  void Floats(const float* values, size_t count) {
    for (size_t i = 0; i < count; ++i) F32(values[i]);
  }
  void Count(size_t count) {
    if (count > 0xFFFF) throw std::length_error("MS3D element count above 65535");
    U16(static_cast<uint16_t>(count));
  }
  std::vector<uint8_t>& Out() { return out_; }
  size_t Size() const { return out_.size(); }

 private:
  std::vector<uint8_t> out_;
};

void ExpectRecordSize(const ByteSink& sink, size_t start, size_t size) {
  if (sink.Size() - start != size) throw std::logic_error("MS3D record of the wrong size");
}

void WriteKeys(ByteSink& sink, const std::vector<msKeyframe>& keys) {
  for (const msKeyframe& key : keys) {
    sink.F32(key.time);
    sink.Floats(key.value, 3);
  }
}

void WriteMandatory(ByteSink& sink, const Ms3dContent& content) {
  const msModel& model = content.model;
  sink.Bytes(content.id, sizeof content.id);
  sink.I32(content.version);
  ExpectRecordSize(sink, 0, kHeaderSize);

  sink.Count(model.vertices.size());
  for (const msVertex& v : model.vertices) {
    const size_t start = sink.Size();
    sink.U8(v.flags);
    sink.Floats(v.position, 3);
    sink.U8(static_cast<uint8_t>(v.boneId));
    sink.U8(v.referenceCount);
    ExpectRecordSize(sink, start, kVertexSize);
  }

  sink.Count(model.triangles.size());
  for (const msTriangle& t : model.triangles) {
    const size_t start = sink.Size();
    sink.U16(t.flags);
    for (uint16_t index : t.vertexIndices) sink.U16(index);
    sink.Floats(&t.vertexNormals[0][0], 9);
    sink.Floats(t.s, 3);
    sink.Floats(t.t, 3);
    sink.U8(t.smoothingGroup);
    sink.U8(t.groupIndex);
    ExpectRecordSize(sink, start, kTriangleSize);
  }

  sink.Count(model.groups.size());
  for (const msGroup& g : model.groups) {
    const size_t start = sink.Size();
    sink.U8(g.flags);
    sink.Bytes(g.name, sizeof g.name);
    sink.Count(g.triangleIndices.size());
    for (uint16_t index : g.triangleIndices) sink.U16(index);
    sink.U8(static_cast<uint8_t>(g.materialIndex));
    ExpectRecordSize(sink, start, kGroupFixedSize + kGroupIndexSize * g.triangleIndices.size());
  }

  sink.Count(model.materials.size());
  for (const msMaterial& m : model.materials) {
    const size_t start = sink.Size();
    sink.Bytes(m.name, sizeof m.name);
    sink.Floats(m.ambient, 4);
    sink.Floats(m.diffuse, 4);
    sink.Floats(m.specular, 4);
    sink.Floats(m.emissive, 4);
    sink.F32(m.shininess);
    sink.F32(m.transparency);
    sink.U8(m.mode);
    sink.Bytes(m.texture, sizeof m.texture);
    sink.Bytes(m.alphaMap, sizeof m.alphaMap);
    ExpectRecordSize(sink, start, kMaterialSize);
  }

  sink.F32(model.framesPerSecond);
  sink.F32(model.currentFrame);
  sink.I32(model.totalFrames);

  sink.Count(model.joints.size());
  for (const msJoint& j : model.joints) {
    const size_t start = sink.Size();
    sink.U8(j.flags);
    sink.Bytes(j.name, sizeof j.name);
    sink.Bytes(j.parentName, sizeof j.parentName);
    sink.Floats(j.rotation, 3);
    sink.Floats(j.position, 3);
    sink.Count(j.rotationKeys.size());
    sink.Count(j.positionKeys.size());
    WriteKeys(sink, j.rotationKeys);
    WriteKeys(sink, j.positionKeys);
    ExpectRecordSize(sink, start,
                     kJointFixedSize + kKeySize * (j.rotationKeys.size() + j.positionKeys.size()));
  }
}

void WriteCommentList(ByteSink& sink, const std::vector<Ms3dCommentEntry>& entries) {
  sink.I32(static_cast<int32_t>(entries.size()));
  for (const Ms3dCommentEntry& entry : entries) {
    sink.I32(entry.index);
    sink.I32(static_cast<int32_t>(entry.text.size()));
    sink.Bytes(entry.text.data(), entry.text.size());
  }
}

void WriteComments(ByteSink& sink, const Ms3dCommentsSection& comments) {
  sink.I32(comments.subVersion);
  if (comments.subVersion != 1) return;
  WriteCommentList(sink, comments.groupComments);
  WriteCommentList(sink, comments.materialComments);
  WriteCommentList(sink, comments.jointComments);
  sink.I32(comments.modelCommentFlag);
  if (comments.modelCommentFlag == 1) {
    sink.I32(static_cast<int32_t>(comments.modelComment.size()));
    sink.Bytes(comments.modelComment.data(), comments.modelComment.size());
  }
}

void WriteVertexExtra(ByteSink& sink, const msModel& model, int32_t subVersion) {
  sink.I32(subVersion);
  const size_t recordSize = VertexExtraRecordSize(subVersion);
  if (recordSize == 0) return;
  for (const msVertex& v : model.vertices) {
    const size_t start = sink.Size();
    for (int8_t id : v.boneIds) sink.U8(static_cast<uint8_t>(id));
    sink.Bytes(v.weights, 3);
    if (subVersion >= 2) sink.U32(v.extra);
    if (subVersion == 3) sink.U32(v.extra2);
    ExpectRecordSize(sink, start, recordSize);
  }
}

}  // namespace

std::vector<uint8_t> WriteMs3d(const Ms3dContent& content) {
  ByteSink sink;
  WriteMandatory(sink, content);
  if (content.comments) {
    WriteComments(sink, *content.comments);
    if (content.vertexExtraSubVersion) {
      WriteVertexExtra(sink, content.model, *content.vertexExtraSubVersion);
      if (content.jointExtraSubVersion) {
        sink.I32(*content.jointExtraSubVersion);
        if (*content.jointExtraSubVersion == 1) {
          for (const msJoint& j : content.model.joints) sink.Floats(j.color, kJointColorSize / 4);
        }
        if (content.modelExtra) {
          sink.I32(content.modelExtra->subVersion);
          if (content.modelExtra->subVersion == 1) {
            sink.F32(content.modelExtra->jointSize);
            sink.I32(content.modelExtra->transparencyMode);
            sink.F32(content.modelExtra->alphaRef);
          }
        }
      }
    }
  }
  sink.Bytes(content.trailingBytes.data(), content.trailingBytes.size());
  return std::move(sink.Out());
}

std::string WriteTempFile(const std::vector<uint8_t>& bytes, const std::string& fileName) {
  std::string path = ::testing::TempDir() + fileName;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot create " + path);
  const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
  const bool closed = std::fclose(file) == 0;
  if (written != bytes.size() || !closed) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string WriteMs3dFile(const Ms3dContent& content, const std::string& fileName) {
  return WriteTempFile(WriteMs3d(content), fileName);
}

void AddVertex(msModel& model, float x, float y, float z, int8_t boneId) {
  msVertex vertex;
  vertex.position[0] = x;
  vertex.position[1] = y;
  vertex.position[2] = z;
  vertex.boneId = boneId;
  model.vertices.push_back(vertex);
}

void SetName(char* field, size_t width, const std::string& text) {
  std::memset(field, 0, width);
  std::memcpy(field, text.data(), text.size() < width ? text.size() : width);
}

Ms3dContent SampleMs3d() {
  Ms3dContent content;
  msModel& model = content.model;
  model.framesPerSecond = 24.0f;
  model.currentFrame = 1.0f;
  model.totalFrames = 48;

  const float positions[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}};
  const int8_t bones[4] = {0, 1, 2, -1};
  model.vertices.resize(4);
  for (int i = 0; i < 4; ++i) {
    std::memcpy(model.vertices[i].position, positions[i], sizeof positions[i]);
    model.vertices[i].boneId = bones[i];
    model.vertices[i].referenceCount = 1;
  }

  model.triangles.resize(2);
  const uint16_t corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (int i = 0; i < 2; ++i) {
    msTriangle& t = model.triangles[i];
    for (int c = 0; c < 3; ++c) {
      t.vertexIndices[c] = corners[i][c];
      t.vertexNormals[c][2] = 1.0f;
      t.s[c] = 0.25f * static_cast<float>(c);
      t.t[c] = 0.5f * static_cast<float>(c);
    }
    t.smoothingGroup = 1;
    t.groupIndex = static_cast<uint8_t>(i);
  }

  model.groups.resize(2);
  SetName(model.groups[0].name, "Body");
  model.groups[0].triangleIndices = {0};
  model.groups[0].materialIndex = 0;
  SetName(model.groups[1].name, "Tail");
  model.groups[1].triangleIndices = {1};
  model.groups[1].materialIndex = -1;

  model.materials.resize(2);
  SetName(model.materials[0].name, "Wood");
  SetName(model.materials[0].texture, "wood.bmp");
  SetName(model.materials[1].name, "Plain");
  for (msMaterial& m : model.materials) {
    for (int c = 0; c < 4; ++c) {
      m.ambient[c] = 0.2f;
      m.diffuse[c] = 0.8f;
      m.specular[c] = 0.1f;
      m.emissive[c] = 0.0f;
    }
    m.shininess = 8.0f;
    m.transparency = 1.0f;
  }

  model.joints.resize(3);
  msJoint& root = model.joints[0];
  SetName(root.name, "root");
  root.position[1] = 1.0f;
  root.rotationKeys = {{0.0f, {0, 0, 0}}, {1.0f, {0, 0, 0.5f}}};
  root.positionKeys = {{0.0f, {0, 0, 0}}, {0.5f, {0, 1, 0}}, {1.0f, {0, 0, 0}}};
  msJoint& arm = model.joints[1];
  SetName(arm.name, "arm");
  SetName(arm.parentName, "root");
  arm.rotation[2] = 0.5f;
  arm.position[0] = 2.0f;
  arm.rotationKeys = {{0.5f, {0.25f, 0, 0}}};
  msJoint& hand = model.joints[2];
  SetName(hand.name, "hand");
  SetName(hand.parentName, "arm");
  hand.rotation[0] = 0.25f;
  hand.position[0] = 1.0f;
  hand.positionKeys = {{0.0f, {0, 0, 0}}, {2.0f, {1, 0, 0}}};
  return content;
}

}  // namespace korva::testing

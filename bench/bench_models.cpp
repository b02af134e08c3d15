#include "bench_models.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "support/ms3d_writer.h"

namespace korva::bench {
namespace {

using testing::AddVertex;

// Removes the scratch directory and its files when the program ends.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    path_ = std::string(base) + "/korva-bench-" + std::to_string(getpid());
    std::string command = "mkdir -p '" + path_ + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("cannot create " + path_);
  }
  ~ScratchDirectory() {
    if (std::getenv("KORVA_BENCH_KEEP")) {
      std::fprintf(stderr, "bench: models kept in %s\n", path_.c_str());
      return;
    }
    std::string command = "rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0)
      std::fprintf(stderr, "bench: could not remove %s\n", path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

ScratchDirectory& Scratch() {
  static ScratchDirectory directory;
  return directory;
}

// A triangle over three vertices with per-corner normals and texture coordinates that differ, so
// nothing can be shared by accident.
void AddTriangle(msModel& model, int a, int b, int c, uint8_t group) {
  msTriangle triangle;
  const int corners[3] = {a, b, c};
  for (int k = 0; k < 3; ++k) {
    triangle.vertexIndices[k] = static_cast<uint16_t>(corners[k]);
    triangle.vertexNormals[k][0] = 0.1f * static_cast<float>(k);
    triangle.vertexNormals[k][2] = 1.0f;
    triangle.s[k] = static_cast<float>(corners[k] % 97) / 97.0f;
    triangle.t[k] = static_cast<float>(corners[k] % 89) / 89.0f;
  }
  triangle.groupIndex = group;
  model.triangles.push_back(triangle);
}

std::string TextureName(int index) {
  return "texture" + std::to_string(index) + ".bmp";
}

void AddMaterial(msModel& model, int index, bool textured = false) {
  msMaterial material;
  testing::SetName(material.name, "material" + std::to_string(index));
  if (textured) testing::SetName(material.texture, TextureName(index));
  for (int k = 0; k < 4; ++k) {
    material.ambient[k] = 0.2f;
    material.diffuse[k] = 0.8f;
    material.specular[k] = 0.1f;
  }
  material.shininess = 8.0f;
  material.transparency = 1.0f;
  model.materials.push_back(material);
}

void AddJoint(msModel& model, int index, int parent, int keys) {
  msJoint joint;
  testing::SetName(joint.name, "joint" + std::to_string(index));
  if (parent >= 0) testing::SetName(joint.parentName, "joint" + std::to_string(parent));
  joint.rotation[0] = 0.01f * static_cast<float>(index % 7);
  joint.position[1] = 1.0f;
  for (int k = 0; k < keys; ++k) {
    msKeyframe rotation;
    rotation.time = static_cast<float>(k) / 24.0f;
    rotation.value[2] = 0.02f * static_cast<float>(k);
    joint.rotationKeys.push_back(rotation);
    msKeyframe position;
    position.time = rotation.time;
    position.value[0] = 0.01f * static_cast<float>(k);
    joint.positionKeys.push_back(position);
  }
  model.joints.push_back(joint);
}

// n vertices on a square grid and n triangles over neighbouring vertices, in group `group`.
void AddGrid(msModel& model, int n, uint8_t group, int8_t boneId,
             std::vector<uint16_t>& triangles) {
  const int first = static_cast<int>(model.vertices.size());
  const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
  for (int i = 0; i < n; ++i) {
    AddVertex(model, static_cast<float>(i % side), static_cast<float>(i / side),
              0.001f * static_cast<float>(i % 13), boneId);
  }
  for (int i = 0; i < n; ++i) {
    triangles.push_back(static_cast<uint16_t>(model.triangles.size()));
    AddTriangle(model, first + i, first + (i + 1) % n, first + (i + side) % n, group);
  }
}

void AddGroup(msModel& model, int index, std::vector<uint16_t> triangles, int8_t material) {
  msGroup group;
  testing::SetName(group.name, "group" + std::to_string(index));
  group.triangleIndices = std::move(triangles);
  group.materialIndex = material;
  model.groups.push_back(group);
}

msModel BuildModel(ModelKind kind, int size) {
  msModel model;
  model.framesPerSecond = 24.0f;
  model.totalFrames = kKeysPerTrack;
  switch (kind) {
    case ModelKind::kMesh: {
      std::vector<uint16_t> triangles;
      AddGrid(model, size, 0, 0, triangles);
      AddGroup(model, 0, std::move(triangles), 0);
      AddMaterial(model, 0);
      AddJoint(model, 0, -1, 0);
      break;
    }
    case ModelKind::kJoints: {
      std::vector<uint16_t> triangles;
      for (int j = 0; j < size; ++j) {
        const int first = static_cast<int>(model.vertices.size());
        const float x = static_cast<float>(j);
        const int8_t bone = static_cast<int8_t>(j % 128);  // an MS3D vertex names joints 0..127
        AddVertex(model, x, 0, 0, bone);
        AddVertex(model, x + 1, 0, 0, bone);
        AddVertex(model, x + 1, 1, 0, bone);
        AddVertex(model, x, 1, 0, bone);
        triangles.push_back(static_cast<uint16_t>(model.triangles.size()));
        AddTriangle(model, first, first + 1, first + 2, 0);
        triangles.push_back(static_cast<uint16_t>(model.triangles.size()));
        AddTriangle(model, first, first + 2, first + 3, 0);
        AddJoint(model, j, j == 0 ? -1 : (j - 1) / 4, kKeysPerTrack);
      }
      AddGroup(model, 0, std::move(triangles), 0);
      AddMaterial(model, 0);
      break;
    }
    case ModelKind::kGroups:
    case ModelKind::kTextured: {
      for (int g = 0; g < size; ++g) {
        std::vector<uint16_t> triangles;
        AddGrid(model, kGroupSize, static_cast<uint8_t>(g), 0, triangles);
        AddGroup(model, g, std::move(triangles), static_cast<int8_t>(g));
        AddMaterial(model, g, kind == ModelKind::kTextured);
      }
      AddJoint(model, 0, -1, 0);
      break;
    }
  }
  return model;
}

// A 24-bit BMP file of `side` x `side` pixels in a gradient.
std::vector<uint8_t> BmpFile(int side) {
  const uint32_t rowBytes = static_cast<uint32_t>(side) * 3;  // a multiple of 4 for even sides
  const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(side);
  std::vector<uint8_t> bytes(54 + pixelBytes);
  const auto put = [&](size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put(2, static_cast<uint32_t>(bytes.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(side), 4);
  put(22, static_cast<uint32_t>(side), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, pixelBytes, 4);
  for (uint32_t i = 0; i < pixelBytes; ++i) bytes[54 + i] = static_cast<uint8_t>(i * 7 / 3);
  return bytes;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write " + path);
  const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
  if (std::fclose(file) != 0 || written != bytes.size())
    throw std::runtime_error("cannot write " + path);
}

}  // namespace

const char* KindName(ModelKind kind) {
  switch (kind) {
    case ModelKind::kMesh:
      return "mesh";
    case ModelKind::kJoints:
      return "joints";
    case ModelKind::kGroups:
      return "groups";
    case ModelKind::kTextured:
      return "textured";
  }
  return "?";
}

const ModelFile& GetModelFile(ModelKind kind, int size) {
  static std::map<std::pair<ModelKind, int>, ModelFile> files;
  const auto key = std::make_pair(kind, size);
  auto found = files.find(key);
  if (found != files.end()) return found->second;
  testing::Ms3dContent content;
  content.model = BuildModel(kind, size);
  // The optional sections as modelling programs write them, weights included.
  content.comments = testing::Ms3dCommentsSection{};
  content.vertexExtraSubVersion = 2;
  content.jointExtraSubVersion = 1;
  content.modelExtra = testing::Ms3dModelExtra{};
  const std::vector<uint8_t> bytes = testing::WriteMs3d(content);
  ModelFile file;
  file.path = ScratchPath(std::string(KindName(kind)) + "-" + std::to_string(size) + ".ms3d");
  file.bytes = bytes.size();
  WriteFile(file.path, bytes);
  if (kind == ModelKind::kTextured) {
    const std::vector<uint8_t> image = BmpFile(kTextureSide);
    for (int g = 0; g < size; ++g) WriteFile(ScratchPath(TextureName(g)), image);
  }
  return files.emplace(key, file).first->second;
}

std::string ScratchPath(const std::string& name) {
  return Scratch().path() + "/" + name;
}

}  // namespace korva::bench

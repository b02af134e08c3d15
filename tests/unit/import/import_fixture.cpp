#include "unit/import/import_fixture.h"

#include "host/exports.h"

namespace korva::testing {

uint16_t AddTriangle(msModel& model, uint16_t a, uint16_t b, uint16_t c, float normalBase,
                     float uvBase) {
  msTriangle triangle;
  const uint16_t corners[3] = {a, b, c};
  for (int k = 0; k < 3; ++k) {
    triangle.vertexIndices[k] = corners[k];
    triangle.vertexNormals[k][2] = static_cast<float>(k + 1) + normalBase;
    triangle.s[k] = 0.1f * static_cast<float>(k) + uvBase;
    triangle.t[k] = 0.2f * static_cast<float>(k) + uvBase;
  }
  model.triangles.push_back(triangle);
  return static_cast<uint16_t>(model.triangles.size() - 1);
}

void AddGroup(msModel& model, const std::string& name, std::vector<uint16_t> triangles,
              int8_t materialIndex) {
  msGroup group;
  SetName(group.name, name);
  group.triangleIndices = std::move(triangles);
  group.materialIndex = materialIndex;
  model.groups.push_back(group);
}

msJoint& AddJoint(msModel& model, const std::string& name, const std::string& parent, float rx,
                  float ry, float rz, float px, float py, float pz) {
  msJoint joint;
  SetName(joint.name, name);
  SetName(joint.parentName, parent);
  const float rotation[3] = {rx, ry, rz};
  const float position[3] = {px, py, pz};
  for (int k = 0; k < 3; ++k) {
    joint.rotation[k] = rotation[k];
    joint.position[k] = position[k];
  }
  model.joints.push_back(joint);
  return model.joints.back();
}

std::vector<std::string> NoticeTexts(const standalone::StandaloneHost& host,
                                     const std::string& caption) {
  std::vector<std::string> texts;
  for (const standalone::Notice& notice : host.notices()) {
    if (notice.caption == caption) texts.push_back(notice.text);
  }
  return texts;
}

sFrame* Limb(const sObject* object, int limb) {
  if (!object || !object->frameList || limb < 0 || limb >= object->frameCount) return nullptr;
  return object->frameList[limb];
}

sObject* ImportTest::Import(const Ms3dContent& content, int32_t number, const std::string& file) {
  return ImportPath(WriteMs3dFile(content, file), number);
}

sObject* ImportTest::ImportModel(const msModel& model, int32_t number) {
  Ms3dContent content;
  content.model = model;
  return Import(content, number);
}

sObject* ImportTest::ImportPath(const std::string& path, int32_t number) {
  LoadMilkshape(korva::ToHostAddress(path.c_str()), number);
  return host_.GetObject(number);
}

}  // namespace korva::testing

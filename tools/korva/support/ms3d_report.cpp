#include "support/ms3d_report.h"

#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/texture_lookup.h"

namespace korva::cli {
using nlohmann::json;

namespace {

json Floats(const float* values, size_t count) {
  json array = json::array();
  for (size_t i = 0; i < count; ++i) array.push_back(values[i]);
  return array;
}

std::string CommentText(const msComment& comment) {
  return std::string(comment.begin(), comment.end());
}

json Keys(const std::vector<msKeyframe>& keys) {
  json array = json::array();
  for (const msKeyframe& key : keys) {
    array.push_back({{"time", key.time}, {"value", Floats(key.value, 3)}});
  }
  return array;
}

}  // namespace

std::string FieldText(const char* field, size_t width) {
  return std::string(field, BoundedNameLength(field, width));
}

void LoadMs3dModel(const std::string& path, msModel* model, Ms3dLayout* layout) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  if (KindOfContent(bytes.data(), bytes.size()) != FileKind::kMs3d) {
    throw FileError(path, "not an MS3D model");
  }
  *layout = ScanMs3dLayout(bytes);
  if (!layout->complete) throw FileError(path, "not a well-formed MS3D model: " + layout->problem);
  if (!model->LoadFromMemory(bytes.data(), bytes.size())) {
    throw FileError(path, "not a well-formed MS3D model");
  }
}

json Ms3dDocument(const std::string& path, const msModel& model, const Ms3dLayout& layout) {
  json vertices = json::array();
  for (const msVertex& v : model.vertices) {
    vertices.push_back({{"flags", v.flags},
                        {"position", Floats(v.position, 3)},
                        {"boneId", v.boneId},
                        {"referenceCount", v.referenceCount},
                        {"boneIds", {v.boneIds[0], v.boneIds[1], v.boneIds[2]}},
                        {"weights", {v.weights[0], v.weights[1], v.weights[2]}},
                        {"extra", v.extra}});
  }
  json triangles = json::array();
  for (const msTriangle& t : model.triangles) {
    triangles.push_back(
        {{"flags", t.flags},
         {"vertexIndices", {t.vertexIndices[0], t.vertexIndices[1], t.vertexIndices[2]}},
         {"normals",
          {Floats(t.vertexNormals[0], 3), Floats(t.vertexNormals[1], 3),
           Floats(t.vertexNormals[2], 3)}},
         {"s", Floats(t.s, 3)},
         {"t", Floats(t.t, 3)},
         {"smoothingGroup", t.smoothingGroup},
         {"groupIndex", t.groupIndex}});
  }
  json groups = json::array();
  for (const msGroup& g : model.groups) {
    groups.push_back({{"name", FieldText(g.name, kMsNameSize)},
                      {"flags", g.flags},
                      {"triangleIndices", g.triangleIndices},
                      {"materialIndex", g.materialIndex},
                      {"comment", CommentText(g.comment)}});
  }
  json materials = json::array();
  for (const msMaterial& m : model.materials) {
    const std::string texture = FieldText(m.texture, kMsTextureNameSize);
    materials.push_back({{"name", FieldText(m.name, kMsNameSize)},
                         {"ambient", Floats(m.ambient, 4)},
                         {"diffuse", Floats(m.diffuse, 4)},
                         {"specular", Floats(m.specular, 4)},
                         {"emissive", Floats(m.emissive, 4)},
                         {"shininess", m.shininess},
                         {"transparency", m.transparency},
                         {"mode", m.mode},
                         {"texture", texture},
                         {"textureFound", TextureFound(path, texture)},
                         {"alphaMap", FieldText(m.alphaMap, kMsTextureNameSize)},
                         {"comment", CommentText(m.comment)}});
  }
  json joints = json::array();
  for (const msJoint& j : model.joints) {
    joints.push_back({{"name", FieldText(j.name, kMsNameSize)},
                      {"parentName", FieldText(j.parentName, kMsNameSize)},
                      {"flags", j.flags},
                      {"rotation", Floats(j.rotation, 3)},
                      {"position", Floats(j.position, 3)},
                      {"color", Floats(j.color, 3)},
                      {"comment", CommentText(j.comment)},
                      {"rotationKeys", Keys(j.rotationKeys)},
                      {"positionKeys", Keys(j.positionKeys)}});
  }
  json sections = json::array();
  for (const Ms3dSection& section : layout.optionalSections) {
    sections.push_back({{"name", section.name}, {"subVersion", section.subVersion}});
  }
  json document = {{"file", path},
                   {"kind", "ms3d"},
                   {"sections", sections},
                   {"model",
                    {{"framesPerSecond", model.framesPerSecond},
                     {"currentFrame", model.currentFrame},
                     {"totalFrames", model.totalFrames},
                     {"jointSize", model.jointSize},
                     {"transparencyMode", model.transparencyMode},
                     {"alphaRef", model.alphaRef},
                     {"comment", CommentText(model.comment)},
                     {"vertices", vertices},
                     {"triangles", triangles},
                     {"groups", groups},
                     {"materials", materials},
                     {"joints", joints}}}};
  if (!layout.trailingNote.empty()) document["note"] = layout.trailingNote;
  return document;
}

}  // namespace korva::cli

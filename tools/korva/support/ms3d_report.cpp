#include "support/ms3d_report.h"

#include <vector>

#include "import/frame_names.h"
#include "import/import_text.h"
#include "ms3d/ms3d_format.h"
#include "support/cli_error.h"
#include "support/file_kind.h"
#include "support/texture_lookup.h"
#include "text/utf8_text.h"

namespace korva::cli {
using nlohmann::json;

namespace {

json Floats(const float* values, size_t count) {
  json array = json::array();
  for (size_t i = 0; i < count; ++i) array.push_back(values[i]);
  return array;
}

std::string CommentText(const msComment& comment) {
  return text::Utf8Text(std::string(comment.begin(), comment.end()));
}

// The name as UTF-8 text in JSON quotes.
std::string QuotedName(const std::string& bytes) {
  return json(text::Utf8Text(bytes)).dump();
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
  return text::Utf8Text(std::string(field, BoundedNameLength(field, width)));
}

namespace {

std::string Plural(Ms3dElement element) {
  return element == Ms3dElement::kVertex ? "vertices" : std::string(Ms3dElementName(element)) + "s";
}

std::string AtByte(uint64_t offset) {
  return " at byte " + std::to_string(offset);
}

// "triangle 12 of 76": ordinals count from 1.
std::string Ordinal(Ms3dElement element, uint32_t index, uint32_t count) {
  return std::string(Ms3dElementName(element)) + " " + std::to_string(uint64_t{index} + 1) +
         " of " + std::to_string(count);
}

}  // namespace

std::string Ms3dRefusalText(const Ms3dAccount& account) {
  const Ms3dProblem& refusal = account.refusal;
  switch (refusal.fault) {
    case Ms3dFault::kNone:
      return {};
    case Ms3dFault::kCannotOpen:
      return "cannot be opened for reading";
    case Ms3dFault::kBadMagic:
      return "not an MS3D model (bad id)";
    case Ms3dFault::kBadVersion:
      return "MS3D version " + std::to_string(refusal.value) + " (only 4 is supported)";
    case Ms3dFault::kBadLength:
      return "a negative length" + AtByte(refusal.offset);
    case Ms3dFault::kCountTooLarge: {
      const uint64_t left = account.fileSize - refusal.offset - ms3d_format::kCountSize;
      return std::to_string(refusal.count) + " " + Plural(refusal.element) + " announced" +
             AtByte(refusal.offset) + ", more than the " + std::to_string(left) +
             " bytes left can hold";
    }
    case Ms3dFault::kCutShort:
      break;
  }
  if (refusal.element == Ms3dElement::kHeader) return "cut short in the header";
  if (refusal.element == Ms3dElement::kAnimationSettings) {
    return "cut short in the animation settings" + AtByte(refusal.offset);
  }
  if (refusal.index == kMs3dNoIndex) {
    return std::string("cut short before the ") + Ms3dElementName(refusal.element) + " count" +
           AtByte(refusal.offset);
  }
  std::string text = "cut short in " + Ordinal(refusal.element, refusal.index, refusal.count);
  if (refusal.element == Ms3dElement::kKey) {
    text += " of " + Ordinal(Ms3dElement::kJoint, refusal.owner, refusal.ownerCount);
  }
  return text + AtByte(refusal.offset);
}

std::string Ms3dNoteText(const Ms3dAccount& account) {
  if (account.sectionCut) {
    const std::string section = std::string(Ms3dSectionName(account.cutSection)) + " section";
    if (account.cutFault == Ms3dFault::kBadLength) {
      return section + " damaged (a negative comment length), dropped from byte " +
             std::to_string(account.cutOffset);
    }
    return section + " cut short" + AtByte(account.cutOffset) + ", dropped";
  }
  if (account.trailingBytes > 0) {
    return std::to_string(account.trailingBytes) + " bytes after the last section";
  }
  return {};
}

std::string ImportVerdictText(const import::ImportVerdict& verdict, const msModel& model) {
  using import::ImportObstacle;
  const std::string group = "group " + std::to_string(uint64_t{verdict.group} + 1) + " of " +
                            std::to_string(model.groups.size());
  switch (verdict.obstacle) {
    case ImportObstacle::kNone:
      return {};
    case ImportObstacle::kNoGroupsOrJoints:
      return "neither groups nor joints, nothing to import";
    case ImportObstacle::kTriangleIndex:
      return group + " names triangle index " + std::to_string(verdict.triangle) +
             "; the model has " + std::to_string(verdict.available) + " triangles";
    case ImportObstacle::kVertexIndex:
      return group + ": triangle index " + std::to_string(verdict.triangle) +
             " names vertex index " + std::to_string(verdict.vertex) + "; the model has " +
             std::to_string(verdict.available) + " vertices";
    case ImportObstacle::kTooManyBones:
      return std::to_string(model.groups.size()) + " groups of " +
             std::to_string(model.joints.size()) + " bones each would take " +
             std::to_string(verdict.boneBytes) + " bytes, more than the " +
             std::to_string(verdict.boneByteLimit) + " allowed for a model of this size";
    case ImportObstacle::kTooManyKeys:
      return std::to_string(verdict.keyedJoints) + " joints with keys at each of the model's " +
             std::to_string(verdict.keyFrames) + " key frames would take " +
             std::to_string(verdict.keyBytes) + " bytes, more than the " +
             std::to_string(verdict.keyByteLimit) + " allowed for a model of this size";
  }
  return {};
}

std::vector<std::string> GroupRenameTexts(const msModel& model) {
  const std::vector<std::string> frameNames = import::GroupFrameNames(model);
  std::vector<std::string> texts;
  for (size_t i = 0; i < frameNames.size(); ++i) {
    const std::string groupName = import::FieldText(model.groups[i].name, kMsNameSize);
    if (frameNames[i] == groupName) continue;
    texts.push_back("group " + QuotedName(groupName) + " is named " + QuotedName(frameNames[i]) +
                    " in the object: a joint has its name");
  }
  return texts;
}

void LoadMs3dModel(const InputFile& input, msModel* model, Ms3dAccount* account) {
  const std::string& path = input.path;
  const std::vector<uint8_t>& bytes = input.bytes;
  if (KindOfContent(bytes.data(), bytes.size()) != FileKind::kMs3d) {
    throw FileError(path, "not an MS3D model");
  }
  if (!model->LoadFromMemory(bytes.data(), bytes.size(), *account)) {
    throw FileError(path, "not a well-formed MS3D model: " + Ms3dRefusalText(*account));
  }
}

void RequireImportable(const std::string& path, const msModel& model) {
  const import::ImportVerdict verdict = import::CheckImportable(model);
  if (!verdict.importable()) {
    throw FileError(path, "not a well-formed MS3D model: " + ImportVerdictText(verdict, model));
  }
}

namespace {

json Vertex(const msVertex& v) {
  return {{"flags", v.flags},
          {"position", Floats(v.position, 3)},
          {"boneId", v.boneId},
          {"referenceCount", v.referenceCount},
          {"boneIds", {v.boneIds[0], v.boneIds[1], v.boneIds[2]}},
          {"weights", {v.weights[0], v.weights[1], v.weights[2]}},
          {"extra", v.extra},
          {"extra2", v.extra2}};
}

json Triangle(const msTriangle& t) {
  return {{"flags", t.flags},
          {"vertexIndices", {t.vertexIndices[0], t.vertexIndices[1], t.vertexIndices[2]}},
          {"normals",
           {Floats(t.vertexNormals[0], 3), Floats(t.vertexNormals[1], 3),
            Floats(t.vertexNormals[2], 3)}},
          {"s", Floats(t.s, 3)},
          {"t", Floats(t.t, 3)},
          {"smoothingGroup", t.smoothingGroup},
          {"groupIndex", t.groupIndex}};
}

json Group(const msGroup& g) {
  return {{"name", FieldText(g.name, kMsNameSize)},
          {"flags", g.flags},
          {"triangleIndices", g.triangleIndices},
          {"materialIndex", g.materialIndex},
          {"comment", CommentText(g.comment)}};
}

json Material(const std::string& path, const msMaterial& m) {
  const std::string texture = import::FieldText(m.texture, kMsTextureNameSize);
  return {{"name", FieldText(m.name, kMsNameSize)},
          {"ambient", Floats(m.ambient, 4)},
          {"diffuse", Floats(m.diffuse, 4)},
          {"specular", Floats(m.specular, 4)},
          {"emissive", Floats(m.emissive, 4)},
          {"shininess", m.shininess},
          {"transparency", m.transparency},
          {"mode", m.mode},
          {"texture", text::Utf8Text(texture)},
          {"textureFound", TextureFound(path, texture)},
          {"alphaMap", FieldText(m.alphaMap, kMsTextureNameSize)},
          {"comment", CommentText(m.comment)}};
}

json Joint(const msJoint& j) {
  return {{"name", FieldText(j.name, kMsNameSize)},
          {"parentName", FieldText(j.parentName, kMsNameSize)},
          {"flags", j.flags},
          {"rotation", Floats(j.rotation, 3)},
          {"position", Floats(j.position, 3)},
          {"color", Floats(j.color, 3)},
          {"comment", CommentText(j.comment)},
          {"rotationKeys", Keys(j.rotationKeys)},
          {"positionKeys", Keys(j.positionKeys)}};
}

json Sections(const Ms3dAccount& account) {
  json sections = json::array();
  for (size_t i = 0; i < account.sectionCount; ++i) {
    const Ms3dSectionRead& section = account.sections[i];
    sections.push_back(
        {{"name", Ms3dSectionName(section.section)}, {"subVersion", section.subVersion}});
  }
  return sections;
}

template <typename Element, typename Make>
void StreamArray(const std::vector<Element>& elements, Make make, DocumentStream& out) {
  out.BeginArray(elements.size());
  for (const Element& element : elements) out.Value(make(element));
  out.EndArray();
}

}  // namespace

void WriteMs3dDocument(const std::string& path, const msModel& model, const Ms3dAccount& account,
                       int formatVersion, DocumentStream& out) {
  // Members in name order, as the whole document prints them.
  out.BeginObject();
  out.Key("file");
  out.Value(text::Utf8Text(path));
  out.Key("formatVersion");
  out.Value(formatVersion);
  out.Key("kind");
  out.Value("ms3d");
  out.Key("model");
  out.BeginObject();
  out.Key("alphaRef");
  out.Value(model.alphaRef);
  out.Key("comment");
  out.Value(CommentText(model.comment));
  out.Key("currentFrame");
  out.Value(model.currentFrame);
  out.Key("framesPerSecond");
  out.Value(model.framesPerSecond);
  out.Key("groups");
  StreamArray(model.groups, Group, out);
  out.Key("jointSize");
  out.Value(model.jointSize);
  out.Key("joints");
  StreamArray(model.joints, Joint, out);
  out.Key("materials");
  StreamArray(
      model.materials, [&](const msMaterial& m) { return Material(path, m); }, out);
  out.Key("totalFrames");
  out.Value(model.totalFrames);
  out.Key("transparencyMode");
  out.Value(model.transparencyMode);
  out.Key("triangles");
  StreamArray(model.triangles, Triangle, out);
  out.Key("vertices");
  StreamArray(model.vertices, Vertex, out);
  out.EndObject();
  if (const std::string note = Ms3dNoteText(account); !note.empty()) {
    out.Key("note");
    out.Value(note);
  }
  out.Key("sections");
  out.Value(Sections(account));
  out.EndObject();
}

}  // namespace korva::cli

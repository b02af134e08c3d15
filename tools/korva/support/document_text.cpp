#include "support/document_text.h"

#include <sstream>

#include "support/skipped_blocks.h"

namespace korva::cli {
using nlohmann::json;

namespace {

std::string Scalar(const json& value) {
  if (value.is_string()) return value.get<std::string>();
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string Quoted(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// "a, b, c" from the field `key` of each element of `array`.
std::string NameList(const json& array, const char* key) {
  std::string text;
  for (const json& element : array) {
    if (!text.empty()) text += ", ";
    text += Quoted(element.at(key));
  }
  return text.empty() ? "none" : text;
}

size_t Sum(const json& array, const char* key) {
  size_t total = 0;
  for (const json& element : array) {
    const json& value = element.at(key);
    total += value.is_array() ? value.size() : value.get<size_t>();
  }
  return total;
}

// Texture records whose stage is in use (a mesh always has records for two stages).
size_t NamedTextures(const json& meshes) {
  size_t count = 0;
  for (const json& mesh : meshes) {
    for (const json& texture : mesh.at("textures")) {
      if (!texture.at("name").get<std::string>().empty()) ++count;
    }
  }
  return count;
}

void Ms3dSummary(const json& document, std::ostream& out) {
  const json& model = document.at("model");
  out << document.at("file").get<std::string>() << ": MS3D model\n";
  out << "  vertices " << model.at("vertices").size() << ", triangles "
      << model.at("triangles").size() << ", groups " << model.at("groups").size() << ", materials "
      << model.at("materials").size() << ", joints " << model.at("joints").size() << "\n";
  out << "  animation: " << Scalar(model.at("framesPerSecond")) << " fps, "
      << Scalar(model.at("totalFrames")) << " frames, " << Sum(model.at("joints"), "rotationKeys")
      << " rotation keys, " << Sum(model.at("joints"), "positionKeys") << " position keys\n";
  out << "  groups: " << NameList(model.at("groups"), "name") << "\n";
  out << "  materials: " << NameList(model.at("materials"), "name") << "\n";
  for (const json& material : model.at("materials")) {
    const std::string texture = material.at("texture").get<std::string>();
    if (texture.empty()) continue;
    out << "  texture " << Quoted(texture) << ": "
        << (material.at("textureFound").get<bool>() ? "found" : "not found") << "\n";
  }
  out << "  joints: " << NameList(model.at("joints"), "name") << "\n";
  std::string sections = "model";
  for (const json& section : document.at("sections")) {
    sections += ", " + section.at("name").get<std::string>() + " (subversion " +
                Scalar(section.at("subVersion")) + ")";
  }
  out << "  sections: " << sections << "\n";
  if (document.contains("note")) out << "  note: " << Scalar(document.at("note")) << "\n";
}

void ObjectSummary(const json& document, std::ostream& out) {
  const json& object = document.at("object");
  const json& meshes = object.at("meshes");
  const json& sets = object.at("animationSets");
  size_t tracks = 0;
  for (const json& set : sets) tracks += set.at("tracks").size();
  out << document.at("file").get<std::string>()
      << (document.at("kind") == "dbo" ? ": DBO file, " : ": MS3D model as imported, ")
      << Scalar(document.at("size")) << " bytes\n";
  out << "  frames " << object.at("frames").size() << ", meshes " << meshes.size() << ", bones "
      << Sum(meshes, "bones") << ", textures " << NamedTextures(meshes) << ", animation sets "
      << sets.size() << ", tracks " << tracks << "\n";
  out << "  frames: " << NameList(object.at("frames"), "name") << "\n";
  for (const json& mesh : meshes) {
    for (const json& texture : mesh.at("textures")) {
      if (texture.at("name").get<std::string>().empty()) continue;  // an unused stage
      out << "  texture " << Quoted(texture.at("name")) << ": "
          << (texture.at("found").get<bool>() ? "found" : "not found") << "\n";
    }
  }
  for (const json& set : sets) {
    out << "  animation set " << Quoted(set.at("name")) << ": length " << Scalar(set.at("length"))
        << ", tracks: " << NameList(set.at("tracks"), "name") << "\n";
  }
  std::string sections;
  const auto add = [&](const std::string& name) {
    sections += (sections.empty() ? "" : ", ") + name;
  };
  if (!object.at("frames").empty()) add("frame tree");
  if (!sets.empty()) add("animation set");
  add("custom data (" + Scalar(object.at("customDataSize")) + " bytes)");
  out << "  sections: " << sections << "\n";
  const std::string skipped = SkippedBlocksText(SkippedBlocksFrom(document));
  if (!skipped.empty()) out << "  note: " << skipped << "\n";
}

bool AllScalars(const json& array) {
  for (const json& element : array) {
    if (element.is_structured() &&
        !(element.is_array() && element.size() <= 4 && AllScalars(element))) {
      return false;
    }
  }
  return true;
}

std::string InlineArray(const json& array) {
  std::string text = "[";
  for (const json& element : array) {
    if (text.size() > 1) text += ", ";
    text += element.is_array() ? InlineArray(element) : Scalar(element);
  }
  return text + "]";
}

// The document's nesting is fixed by our own builders (a handful of levels), not by the input.
void DumpValue(const json& value, int indent, std::ostream& out) {
  const std::string pad(indent, ' ');
  for (const auto& [key, element] : value.items()) {
    if (element.is_object()) {
      out << pad << key << ":\n";
      DumpValue(element, indent + 2, out);
    } else if (element.is_array() && !AllScalars(element)) {
      out << pad << key << ": " << element.size() << "\n";
      size_t index = 0;
      for (const json& item : element) {
        out << pad << "  [" << index++ << "]\n";
        DumpValue(item, indent + 4, out);
      }
    } else if (element.is_array()) {
      out << pad << key << ": " << InlineArray(element) << "\n";
    } else {
      out << pad << key << ": " << (element.is_string() ? Quoted(element) : Scalar(element))
          << "\n";
    }
  }
}

}  // namespace

std::string SummaryText(const json& document) {
  std::ostringstream out;
  if (document.at("kind") == "ms3d") {
    Ms3dSummary(document, out);
  } else {
    ObjectSummary(document, out);
  }
  return out.str();
}

std::string DumpText(const json& document) {
  std::ostringstream out;
  DumpValue(document, 0, out);
  return out.str();
}

std::string JsonText(const json& document) {
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace korva::cli

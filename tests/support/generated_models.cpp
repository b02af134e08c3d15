#include "support/generated_models.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>

#include "support/ms3d_writer.h"

namespace korva::testing {
namespace {

Ms3dCommentsSection SampleComments() {
  Ms3dCommentsSection comments;
  comments.groupComments = {{0, "body group"}, {7, "dropped: no such group"}};
  comments.materialComments = {{1, "plain"}};
  comments.jointComments = {{2, "hand"}, {-1, "dropped"}};
  comments.modelCommentFlag = 1;
  comments.modelComment = "generated for the hardening tests";
  return comments;
}

Ms3dContent WithAllSections(int32_t vertexExtraSubVersion) {
  Ms3dContent content = SampleMs3d();
  content.comments = SampleComments();
  content.vertexExtraSubVersion = vertexExtraSubVersion;
  content.jointExtraSubVersion = 1;
  content.modelExtra = Ms3dModelExtra{1, 2.5f, 1, 0.25f};
  return content;
}

}  // namespace

std::vector<uint8_t> NameClashMs3d() {
  Ms3dContent content = SampleMs3d();
  msModel& model = content.model;
  SetName(model.groups[0].name, "arm");
  SetName(model.groups[1].name, "HAND");
  SetName(model.joints[0].name, "arm_mesh");
  SetName(model.joints[1].parentName, "arm_mesh");
  return WriteMs3d(content);
}

std::vector<NamedBytes> GeneratedMs3dModels() {
  std::vector<NamedBytes> models;
  models.push_back({"sample", WriteMs3d(SampleMs3d())});
  for (int32_t sub : {1, 2, 3}) {
    models.push_back({"all_sections_v" + std::to_string(sub), WriteMs3d(WithAllSections(sub))});
  }
  Ms3dContent skipped = SampleMs3d();
  skipped.comments = Ms3dCommentsSection{};
  skipped.comments->subVersion = 2;
  skipped.vertexExtraSubVersion = 9;
  skipped.jointExtraSubVersion = 4;
  skipped.modelExtra = Ms3dModelExtra{};
  skipped.modelExtra->subVersion = 3;
  skipped.trailingBytes = {1, 2, 3, 4, 5};
  models.push_back({"skipped_sections", WriteMs3d(skipped)});

  Ms3dContent noJoints = WithAllSections(2);
  noJoints.model.joints.clear();
  noJoints.comments->jointComments.clear();
  for (msVertex& v : noJoints.model.vertices) v.boneId = -1;
  models.push_back({"no_joints", WriteMs3d(noJoints)});

  Ms3dContent noMaterials = SampleMs3d();
  noMaterials.model.materials.clear();
  for (msGroup& g : noMaterials.model.groups) g.materialIndex = -1;
  models.push_back({"no_materials", WriteMs3d(noMaterials)});
  models.push_back({"name_clash", NameClashMs3d()});
  return models;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  return bytes;
}

std::vector<NamedBytes> SharedMs3dModels() {
  std::vector<NamedBytes> models;
  const std::string folder = std::string(KORVA_SHARED_DIR) + "/testdata/ms3d/";
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) return models;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".ms3d") == 0) {
      models.push_back({name.substr(0, name.size() - 5), ReadWholeFile(folder + name)});
    }
  }
  ::closedir(directory);
  std::sort(models.begin(), models.end(),
            [](const NamedBytes& a, const NamedBytes& b) { return a.name < b.name; });
  return models;
}

}  // namespace korva::testing

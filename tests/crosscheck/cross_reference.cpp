// The Linux half of the cross-check between the two builds: writes the generated models (with
// the texture files some of them name) beside the real ones, then for every model in the folder
// writes what the Linux build makes of it: the DBO file SaveDBOEx writes right after the import
// (NAME.dbo), the notices of the import (NAME.notices) and the command script's text on a second
// import (NAME.commands). The Windows test host does the same under Wine and compares.
//
// Usage: korva_cross_reference MODELS_FOLDER OUTPUT_FOLDER   (both must exist)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command_script.h"
#include "dbo/result_codes.h"
#include "host/exports.h"
#include "notice_lines.h"
#include "standalone/host_functions.h"
#include "standalone/standalone_host.h"
#include "support/generated_models.h"
#include "support/ms3d_writer.h"
#include "support/texture_path_models.h"

namespace {
namespace fs = std::filesystem;
using korva::testing::Ms3dContent;

// Rest and key rotations over the whole circle, both signs and all three axes at once, so the
// joint matrices exercise the trigonometry well beyond the small angles of the sample.
Ms3dContent TurningModel() {
  Ms3dContent content = korva::testing::SampleMs3d();
  float angle = -3.0f;
  for (korva::msJoint& joint : content.model.joints) {
    for (int axis = 0; axis < 3; ++axis) {
      joint.rotation[axis] = angle;
      angle += 0.77f;
    }
    joint.position[2] = 0.5f * angle;
    joint.rotationKeys.clear();
    for (int key = 0; key < 6; ++key) {
      const float t = 0.25f * static_cast<float>(key);
      joint.rotationKeys.push_back({t, {std::sin(angle * t), angle - t, 2.0f * t - 1.3f}});
    }
  }
  korva::testing::SetName(content.model.materials[0].texture, "");
  return content;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool WriteModel(const fs::path& path, const Ms3dContent& content) {
  const std::vector<uint8_t> bytes = korva::testing::WriteMs3d(content);
  return WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string NameClashBytes() {
  const std::vector<uint8_t> bytes = korva::testing::NameClashMs3d();
  return std::string(bytes.begin(), bytes.end());
}

const korva::crosscheck::PluginCommands kCommands = {
    RepairHierarchy, SetLimbAmbience,  SetLimbDiffuse,      SetLimbEmissive,
    SetLimbSpecular, GetLimbAmbience,  GetLimbDiffuse,      GetLimbEmissive,
    GetLimbSpecular, ColorLimb,        GetNumAnimationSets, GetNumBones,
    GetBoneName,     GetNumMatrixKeys, GetNumAssignedVerts, korva::standalone::host::GetObjectA,
};

bool Reference(const fs::path& model, const std::string& folder, const fs::path& output) {
  korva::standalone::StandaloneHost host;
  host.Bind();
  const std::string path = model.string();
  LoadMilkshape(korva::ToHostAddress(path.c_str()), 1);
  std::string notices;
  for (const auto& notice : host.notices())
    notices += korva::crosscheck::NoticeLine(notice.caption, notice.text, folder);
  const std::string stem = model.stem().string();
  if (!WriteFile(output / (stem + ".notices"), notices)) return false;
  korva::sObject* object = host.GetObject(1);
  if (!object) {
    std::fprintf(stderr, "%s: not imported\n", path.c_str());
    return false;
  }
  std::string dbo = (output / (stem + ".dbo")).string();
  if (SaveDBOEx(dbo.data(), object) != korva::dbo::kSaveSucceeded) {
    std::fprintf(stderr, "%s: SaveDBOEx failed\n", dbo.c_str());
    return false;
  }
  LoadMilkshape(korva::ToHostAddress(path.c_str()), 2);
  return WriteFile(output / (stem + ".commands"),
                   korva::crosscheck::RunCommandScript(kCommands, 2));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: korva_cross_reference MODELS_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  const fs::path models = argv[1];
  const fs::path output = argv[2];
  if (!WriteModel(models / "generated_sample.ms3d", korva::testing::SampleMs3d()) ||
      !WriteModel(models / "generated_turns.ms3d", TurningModel()) ||
      !WriteFile(models / "generated_name_clash.ms3d", NameClashBytes()) ||
      !korva::testing::WriteTexturePathModels(models.string())) {
    std::fprintf(stderr, "cannot write the generated models into %s\n", argv[1]);
    return 1;
  }
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(models)) {
    if (entry.path().extension() == ".ms3d") found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  const std::string folder = fs::absolute(models).string() + "/";
  bool ok = !found.empty();
  for (const fs::path& model : found) {
    const bool done = Reference(fs::absolute(model), folder, output);
    std::printf("%s %s\n", done ? "written" : "FAILED ", model.filename().string().c_str());
    ok = ok && done;
  }
  return ok ? 0 : 1;
}

// The bundled sample: the committed files are what the generator makes, and the model has what
// the demo is meant to show (several groups, a textured material, a skeleton, keys).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_models.h"
#include "korva_runner.h"

namespace korva::cli_tests {
namespace {
namespace fs = std::filesystem;

TEST(SampleTest, CommittedFilesAreWhatTheGeneratorMakes) {
  ScratchFolder scratch;
  const RunResult run = RunProgram(KORVA_MAKE_SAMPLE, {scratch.path().string()}, scratch.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* name : {"crane.ms3d", "crane.bmp"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> fresh = ReadBytes(scratch.path() / name);
    EXPECT_FALSE(fresh.empty());
    EXPECT_EQ(fresh, ReadBytes(ExamplesFolder() / name));
  }
}

TEST(SampleTest, HasGroupsATexturedMaterialASkeletonAndKeys) {
  ScratchFolder scratch;
  PutSample(scratch.path());
  const RunResult run = RunKorva({"dump", "--json", "crane.ms3d"}, scratch.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json document = ParseJson(run.out);
  ASSERT_FALSE(document.is_null());
  const nlohmann::json& model = document.at("model");
  EXPECT_GE(model.at("groups").size(), 2u);
  EXPECT_GE(model.at("joints").size(), 3u);
  EXPECT_GT(model.at("totalFrames").get<double>(), 1.0);

  bool textured = false;
  for (const nlohmann::json& material : model.at("materials")) {
    if (material.at("texture") == "crane.bmp" && material.at("textureFound") == true) {
      textured = true;
    }
  }
  EXPECT_TRUE(textured);
  const std::vector<uint8_t> bmp = ReadBytes(scratch.path() / "crane.bmp");
  ASSERT_GE(bmp.size(), 2u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');

  size_t movingJoints = 0;
  for (const nlohmann::json& joint : model.at("joints")) {
    if (joint.at("rotationKeys").size() > 1 || joint.at("positionKeys").size() > 1) {
      ++movingJoints;
    }
  }
  EXPECT_EQ(movingJoints, model.at("joints").size());  // every joint moves
}

// The crane's hook is a group and a joint: the group's frame is renamed so the bone finds the
// joint, and the export then finds every bone offset where the frame tree puts the joint.
TEST(SampleTest, HookGroupIsRenamedSoTheExportAgreesWithTheOffsets) {
  ScratchFolder scratch;
  PutSample(scratch.path());
  const std::string rename =
      "group \"hook\" is named \"hook_mesh\" in the object: a joint has its name\n";
  const RunResult check = RunKorva({"check", "crane.ms3d"}, scratch.path());
  EXPECT_EQ(check.out, "crane.ms3d: well-formed MS3D model; " + rename);
  const RunResult info = RunKorva({"info", "crane.ms3d"}, scratch.path());
  EXPECT_NE(info.out.find("\n  " + rename), std::string::npos) << info.out;
  const RunResult exported = RunKorva({"export", "-q", "crane.ms3d"}, scratch.path());
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  EXPECT_EQ(exported.err, "");
}

}  // namespace
}  // namespace korva::cli_tests

// `korva check` calls a model well formed exactly when `korva convert` succeeds, and otherwise
// both give the same reason; what `info` shows of a file's sections comes from the reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_models.h"
#include "korva_runner.h"
#include "support/ms3d_writer.h"

namespace korva::cli_tests {
namespace {

using testing::Ms3dContent;
using testing::SampleMs3d;
using testing::WriteMs3d;

struct RefusedModel {
  std::string name;
  std::vector<uint8_t> bytes;
  std::string reason;
};

std::vector<RefusedModel> RefusedModels() {
  std::vector<RefusedModel> models;
  Ms3dContent content = SampleMs3d();
  content.model.groups[0].triangleIndices = {5};
  models.push_back({"triangle.ms3d", WriteMs3d(content),
                    "group 1 of 2 names triangle index 5; the model has 2 triangles"});
  content = SampleMs3d();
  content.model.triangles[1].vertexIndices[2] = 9;
  models.push_back({"vertex.ms3d", WriteMs3d(content),
                    "group 2 of 2: triangle index 1 names vertex index 9; the model has 4 "
                    "vertices"});
  content = SampleMs3d();
  content.model.groups.clear();
  content.model.joints.clear();
  models.push_back({"empty.ms3d", WriteMs3d(content), "neither groups nor joints"});
  content = Ms3dContent{};
  content.model.groups.resize(300);
  content.model.joints.resize(300);
  models.push_back({"bones.ms3d", WriteMs3d(content), "300 groups of 300 bones each"});
  const std::vector<uint8_t> sample = WriteMs3d(SampleMs3d());
  models.push_back({"cut.ms3d",
                    {sample.begin(), sample.begin() + 158},
                    "cut short in triangle 2 of 2 at byte 148"});
  return models;
}

TEST(CheckAgreementTest, CheckRefusesWhatConvertRefusesWithTheSameReason) {
  ScratchFolder scratch;
  for (const RefusedModel& model : RefusedModels()) {
    SCOPED_TRACE(model.name);
    WriteBytes(scratch.path() / model.name, model.bytes);
    const RunResult check = RunKorva({"check", model.name}, scratch.path());
    const RunResult convert = RunKorva({"convert", "-q", model.name}, scratch.path());
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_EQ(convert.exitCode, 1);
    const std::string line =
        "korva: " + model.name + ": not a well-formed MS3D model: " + model.reason;
    EXPECT_TRUE(StartsWith(check.err, line)) << check.err;
    EXPECT_EQ(Lines(convert.err), Lines(check.err));
  }
}

TEST(CheckAgreementTest, InfoAndCheckReadEverySectionAfterAVertexExtraOfSubversion3) {
  ScratchFolder scratch;
  Ms3dContent content = SampleMs3d();
  content.comments = testing::Ms3dCommentsSection{};
  content.vertexExtraSubVersion = 3;
  content.jointExtraSubVersion = 1;
  content.modelExtra = testing::Ms3dModelExtra{};
  WriteBytes(scratch.path() / "v3.ms3d", WriteMs3d(content));
  const RunResult info = RunKorva({"info", "v3.ms3d"}, scratch.path());
  EXPECT_NE(info.out.find("  sections: model, comments (subversion 1), vertex extra (subversion "
                          "3), joint extra (subversion 1), model extra (subversion 1)\n"),
            std::string::npos)
      << info.out;
  EXPECT_EQ(info.out.find("note"), std::string::npos) << info.out;
  EXPECT_EQ(RunKorva({"check", "v3.ms3d"}, scratch.path()).out,
            "v3.ms3d: well-formed MS3D model\n");
}

}  // namespace
}  // namespace korva::cli_tests

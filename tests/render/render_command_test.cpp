// `korva render` through the built binary, on an MS3D model generated here.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/korva_runner.h"
#include "render/image.h"
#include "support/ms3d_writer.h"

namespace korva::testing {
namespace {
using cli_tests::Lines;
using cli_tests::RunKorva;
using cli_tests::ScratchFolder;
using cli_tests::WriteBytes;
namespace fs = std::filesystem;

// Two square groups facing the modelling tool's front (+z, wound anticlockwise as it winds front
// faces): a red one at x from -3 to -1 and a blue one at x from 1 to 3. No joints.
Ms3dContent TwoColouredSquares() {
  Ms3dContent content;
  msModel& model = content.model;
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  const uint16_t triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (int group = 0; group < 2; ++group) {
    const uint16_t first = static_cast<uint16_t>(model.vertices.size());
    for (const auto& corner : corners) {
      msVertex vertex;
      vertex.position[0] = (group == 0 ? -2.0f : 2.0f) + corner[0];
      vertex.position[1] = corner[1];
      vertex.boneId = -1;
      vertex.referenceCount = 2;
      model.vertices.push_back(vertex);
    }
    msGroup g;
    SetName(g.name, group == 0 ? "red" : "blue");
    g.materialIndex = static_cast<int8_t>(group);
    for (const auto& corner : triangles) {
      msTriangle triangle;
      for (int k = 0; k < 3; ++k) {
        triangle.vertexIndices[k] = static_cast<uint16_t>(first + corner[k]);
        triangle.vertexNormals[k][2] = 1.0f;
      }
      triangle.groupIndex = static_cast<uint8_t>(group);
      g.triangleIndices.push_back(static_cast<uint16_t>(model.triangles.size()));
      model.triangles.push_back(triangle);
    }
    model.groups.push_back(g);

    msMaterial material;
    SetName(material.name, group == 0 ? "red" : "blue");
    const float diffuse[4] = {group == 0 ? 1.0f : 0.0f, 0.0f, group == 0 ? 0.0f : 1.0f, 1.0f};
    for (int c = 0; c < 4; ++c) {
      material.diffuse[c] = diffuse[c];
      material.ambient[c] = 0.2f;
    }
    material.transparency = 1.0f;
    model.materials.push_back(material);
  }
  return content;
}

TEST(RenderCommand, DrawsAnMs3dModelIntoAPngFile) {
  ScratchFolder folder;
  WriteBytes(folder.path() / "squares.ms3d", WriteMs3d(TwoColouredSquares()));

  const auto run = RunKorva({"render", "squares.ms3d", "-o", "squares.png", "--view", "front",
                             "--size", "64", "--background", "000000"},
                            folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_EQ(Lines(run.out).size(), 1u) << run.out;
  EXPECT_NE(run.out.find("squares.png written (64x64"), std::string::npos) << run.out;

  render::Image picture;
  std::string error;
  ASSERT_TRUE(render::LoadImageFile(folder / "squares.png", &picture, &error)) << error;
  ASSERT_EQ(picture.width(), 64);
  ASSERT_EQ(picture.height(), 64);
  EXPECT_EQ(picture.at(0, 0), (render::Color{0, 0, 0, 255}));
  // Seen from the front as where it was modelled: red on the left, blue on the right, lit.
  const render::Color left = picture.at(16, 32), right = picture.at(47, 32);
  EXPECT_GT(left.r, 100);
  EXPECT_EQ(left.b, 0);
  EXPECT_GT(right.b, 100);
  EXPECT_EQ(right.r, 0);
  EXPECT_EQ(picture.at(32, 32), (render::Color{0, 0, 0, 255}));  // the gap between them
  EXPECT_FALSE(fs::exists(folder / "squares.png.partial"));
}

TEST(RenderCommand, FailuresPrintOneLineAndWriteNothing) {
  ScratchFolder folder;
  WriteBytes(folder.path() / "squares.ms3d", WriteMs3d(TwoColouredSquares()));
  WriteBytes(folder.path() / "cut.ms3d", std::vector<uint8_t>(40, 0));

  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    const char* mentions;
  };
  const Case cases[] = {
      {{"render", "squares.ms3d", "-o", "out.png", "--view", "sideways"}, 2, "--view"},
      {{"render", "squares.ms3d", "-o", "out.png", "--background", "red"}, 2, "--background"},
      {{"render", "squares.ms3d", "-o", "out.png", "--size", "0"}, 2, "--size"},
      {{"render", "missing.ms3d", "-o", "out.png"}, 1, "missing.ms3d"},
      {{"render", "cut.ms3d", "-o", "out.png"}, 1, "cut.ms3d"},
      {{"render", "squares.ms3d", "-o", "no/such/folder/out.png", "-q"}, 1, "out.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[1] + " " + c.arguments.back());
    const auto run = RunKorva(c.arguments, folder.path());
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.out.empty()) << run.out;
    const auto lines = Lines(run.err);
    // Without -q the import's notices come first; the error is the last line.
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(c.mentions), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder / "out.png"));
  }
  EXPECT_FALSE(fs::exists(folder.path() / "no"));
}

}  // namespace
}  // namespace korva::testing

// `korva render` with the animation options, through the built binary, on the bent arm.
#include <gtest/gtest.h>

#include <filesystem>

#include "arm_models.h"
#include "cli/korva_runner.h"
#include "picture_checks.h"
#include "render/image.h"

namespace korva::testing {
namespace {
using cli_tests::ReadBytes;
using cli_tests::RunKorva;
using cli_tests::ScratchFolder;
using cli_tests::WriteBytes;
namespace fs = std::filesystem;

// The forearm lit: green, brighter or darker.
bool IsGreen(render::Color c) {
  return c.g > 60 && c.r < 20 && c.b < 20;
}
const render::Color kJoint{255, 220, 0, 255};

struct OptionCase {
  std::vector<std::string> options;
  const char* output;
  int width, height;
  const char* summary;
  // What the picture must show; null for the animated image, checked by its bytes.
  std::function<void(const render::Image&)> check;
};

TEST(RenderAnimationCommand, EachOptionDrawsThroughTheBinary) {
  ScratchFolder folder;
  WriteBytes(folder.path() / "arm.ms3d", WriteMs3d(BentArmMs3d({})));
  const auto greenIsUpright = [](const render::Image& picture) {
    int left = picture.width(), right = -1, top = picture.height(), bottom = -1;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        if (!IsGreen(picture.at(x, y))) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    EXPECT_GT(bottom - top, 3 * (right - left))
        << left << " " << right << " " << top << " " << bottom;
  };
  // The compared halves are 64 pixels wide under a caption strip of 9 rows.
  const auto bothHalvesGreen = [](const render::Image& picture) {
    int left = 0, right = 0;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        if (IsGreen(picture.at(x, y))) ++(x < 64 ? left : right);
      }
    }
    EXPECT_GT(left, 0);
    EXPECT_GT(right, 0);
  };
  const OptionCase cases[] = {
      {{"--frame", "10"}, "frame.png", 64, 64, "64x64", greenIsUpright},
      {{"--frame", "10", "--imported"}, "imported.png", 64, 64, "64x64", nullptr},
      {{"--frames", "0:10:5"}, "sheet.png", 128, 146, "128x146, 3 frames", nullptr},
      {{"--frame", "10", "--skeleton", "--wireframe"},
       "skeleton.png",
       64,
       64,
       "64x64",
       [](const render::Image& picture) { EXPECT_GT(CountColor(picture, kJoint), 8); }},
      {{"--compare", "--frame", "10"}, "compare.png", 128, 73, "128x73", bothHalvesGreen},
      {{"--animate", "--fps", "20"}, "arm.webp", 0, 0, "64x64, 10 frames at 20 fps", nullptr},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.output);
    std::vector<std::string> arguments = {"render", "arm.ms3d", "-o", c.output, "--view",
                                          "front",  "--size",   "64", "--quiet"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const auto run = RunKorva(arguments, folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(std::string(c.output) + " written (" + c.summary), std::string::npos)
        << run.out;
    if (c.width == 0) {
      const std::vector<uint8_t> bytes = ReadBytes(folder.path() / c.output);
      const std::string head(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 40));
      EXPECT_EQ(head.substr(0, 4), "RIFF");
      EXPECT_EQ(head.substr(8, 4), "WEBP");
      EXPECT_NE(head.find("ANIM"), std::string::npos);
      continue;
    }
    render::Image picture;
    std::string error;
    ASSERT_TRUE(render::LoadImageFile(folder / c.output, &picture, &error)) << error;
    EXPECT_EQ(picture.width(), c.width);
    EXPECT_EQ(picture.height(), c.height);
    if (c.check) c.check(picture);
  }
}

TEST(RenderAnimationCommand, MisusedOptionsAreRefusedWithoutOutput) {
  ScratchFolder folder;
  WriteBytes(folder.path() / "arm.ms3d", WriteMs3d(BentArmMs3d({})));
  ASSERT_EQ(RunKorva({"convert", "arm.ms3d", "-o", "arm.dbo", "-q"}, folder.path()).exitCode, 0);
  const struct {
    std::vector<std::string> arguments;
    const char* mentions;
  } cases[] = {
      {{"render", "arm.dbo", "-o", "out.png", "--compare"}, "--compare"},
      {{"render", "arm.ms3d", "-o", "out.gif", "--animate"}, "WebP"},
      {{"render", "arm.ms3d", "-o", "out.png", "--frames", "5:1:1"}, "--frames"},
      {{"render", "arm.ms3d", "-o", "out.png", "--frames", "0:100000:1"}, "--frames"},
      {{"render", "arm.ms3d", "-o", "out.png", "--frame", "1", "--animate"}, "--animate"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[1] + " " + c.arguments.back());
    const auto run = RunKorva(c.arguments, folder.path());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(c.mentions), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder / "out.png"));
    EXPECT_FALSE(fs::exists(folder / "out.gif"));
  }
}

}  // namespace
}  // namespace korva::testing

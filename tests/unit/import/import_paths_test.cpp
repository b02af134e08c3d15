// Where textures are looked for, and the names the texture records keep.
#include <gtest/gtest.h>

#include "import/texture_paths.h"

namespace korva::import {
namespace {

TEST(ModelDirectoryTest, EndsAtTheLastSeparatorButNeverAtTheFirstCharacter) {
  EXPECT_EQ(ModelDirectory("ship.ms3d"), "");
  EXPECT_EQ(ModelDirectory("models/ship.ms3d"), "models/");
  EXPECT_EQ(ModelDirectory("C:\\models\\ship.ms3d"), "C:\\models\\");
  EXPECT_EQ(ModelDirectory("a\\b/c.ms3d"), "a\\b/");
  EXPECT_EQ(ModelDirectory("\\ship.ms3d"), "");
  EXPECT_EQ(ModelDirectory(""), "");
  const std::string deep = std::string(400, 'd') + "/";
  EXPECT_EQ(ModelDirectory(deep + "m.ms3d"), deep);
}

TEST(TexturePathTest, JoinsTheFilePartWithoutMergingSeparators) {
  EXPECT_EQ(TexturePath("C:\\models\\", ".\\hull.bmp"), "C:\\models\\\\hull.bmp");
  EXPECT_EQ(TexturePath("C:\\models\\", "hull.bmp"), "C:\\models\\hull.bmp");
  EXPECT_EQ(TexturePath("C:\\models\\", "maps/hull.bmp"), "C:\\models\\maps/hull.bmp");
  EXPECT_EQ(TexturePath("", ".\\hull.bmp"), "\\hull.bmp");
  EXPECT_EQ(TexturePath("m/", "a\\b\\c.bmp"), "m/\\c.bmp");
}

TEST(TextureRecordNameTest, DropsOnlyTheLeadingBackslash) {
  EXPECT_EQ(TextureRecordName(".\\hull.bmp"), "hull.bmp");
  EXPECT_EQ(TextureRecordName("maps/hull.bmp"), "maps/hull.bmp");
  EXPECT_EQ(TextureRecordName("hull.bmp"), "hull.bmp");
  EXPECT_EQ(TextureRecordName("x\\"), "");
}

}  // namespace
}  // namespace korva::import

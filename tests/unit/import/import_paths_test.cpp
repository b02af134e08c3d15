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

TEST(TextureLocationsTest, AddTheLastPartOnlyAfterAForwardSlashInTheFilePart) {
  struct Case {
    const char* name;
    std::vector<TextureLocation> locations;
  };
  const Case cases[] = {
      {"C:/art/axe.jpg", {{"m/C:/art/axe.jpg", "C:/art/axe.jpg"}, {"m/axe.jpg", "axe.jpg"}}},
      {"a\\b/c.bmp", {{"m/\\b/c.bmp", "b/c.bmp"}, {"m/c.bmp", "c.bmp"}}},
      {"a/b\\c.bmp", {{"m/\\c.bmp", "c.bmp"}}},
      {"maps/", {{"m/maps/", "maps/"}}},
      {"hull.bmp", {{"m/hull.bmp", "hull.bmp"}}},
  };
  for (const Case& c : cases) {
    const std::vector<TextureLocation> locations = TextureLocations("m/", c.name);
    ASSERT_EQ(locations.size(), c.locations.size()) << c.name;
    for (size_t i = 0; i < locations.size(); ++i) {
      EXPECT_EQ(locations[i].path, c.locations[i].path) << c.name;
      EXPECT_EQ(locations[i].recordName, c.locations[i].recordName) << c.name;
    }
  }
}

}  // namespace
}  // namespace korva::import

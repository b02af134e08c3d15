// What the standalone host offers beside objects: collected notices and a texture device that
// decodes real image files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "model/com_interfaces.h"
#include "platform/notice.h"
#include "platform/texture_loader.h"
#include "standalone/posix/image_texture.h"
#include "standalone/standalone_host.h"

namespace korva {
namespace {
using standalone::StandaloneHost;

std::string TempPath(const char* name) {
  return ::testing::TempDir() + name;
}

TEST(Notices, AreCollectedEchoedFoldedAndTheSinkRestored) {
  {
    StandaloneHost host;
    platform::ShowNotice("Done Loading MilkShape", "Info");
    std::FILE* echo = std::tmpfile();
    host.SetNoticeEcho(echo);
    platform::ShowNotice("two\nlines", "Error");
    host.SetNoticeEcho(nullptr);
    ASSERT_EQ(host.notices().size(), 2u);
    EXPECT_EQ(host.notices()[0].caption, "Info");
    EXPECT_EQ(host.notices()[0].text, "Done Loading MilkShape");
    EXPECT_EQ(host.notices()[1].text, "two\nlines");  // kept as shown, folded only in the echo
    std::rewind(echo);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, echo), nullptr);
    EXPECT_STREQ(line, "Error: two lines\n");
    std::fclose(echo);
    host.ClearNotices();
    EXPECT_TRUE(host.notices().empty());
  }
  StandaloneHost later;
  platform::ShowNotice("fresh", "Info");
  EXPECT_EQ(later.notices().size(), 1u);
}

TEST(TextureDevice, DecodesAnImageIntoACountedComTexture) {
  const std::string path = TempPath("korva_texture_2x3.png");
  const unsigned char rgb[2 * 3 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  ASSERT_NE(stbi_write_png(path.c_str(), 3, 2, 3, rgb, 9), 0);

  StandaloneHost host;
  void* made = nullptr;
  ASSERT_EQ(platform::CreateTextureFromFile(host.device(), path.c_str(), &made), 0);
  auto* texture = static_cast<standalone::ImageTexture*>(made);
  EXPECT_EQ(texture->width, 3);
  EXPECT_EQ(texture->height, 2);
  const std::vector<uint8_t> firstPixels(texture->pixels, texture->pixels + 8);
  EXPECT_EQ(firstPixels, (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255}));
  EXPECT_EQ(texture->pixels[4 * 5 + 2], 9);
  EXPECT_EQ(host.liveTextureCount(), 1);

  void* second = nullptr;
  ASSERT_EQ(platform::CreateTextureFromFile(host.device(), path.c_str(), &second), 0);
  EXPECT_EQ(host.liveTextureCount(), 2);
  texture->interface->AddRef(texture);
  ReleaseComInterface(texture);
  EXPECT_EQ(host.liveTextureCount(), 2);
  ReleaseComInterface(texture);  // the last reference
  EXPECT_EQ(host.liveTextureCount(), 1);
  std::remove(path.c_str());
}  // the second texture goes with the host

TEST(TextureDevice, MissingOrUndecodableFilesFailAndCreateNothing) {
  const std::string garbage = TempPath("korva_not_an_image.png");
  std::FILE* file = std::fopen(garbage.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("this is not an image", file);
  std::fclose(file);

  StandaloneHost host;
  for (const std::string& path : {TempPath("korva_missing.png"), garbage}) {
    void* made = &host;
    EXPECT_NE(platform::CreateTextureFromFile(host.device(), path.c_str(), &made), 0) << path;
    EXPECT_EQ(made, nullptr);
  }
  void* made = nullptr;
  EXPECT_NE(platform::CreateTextureFromFile(nullptr, garbage.c_str(), &made), 0);
  EXPECT_EQ(host.liveTextureCount(), 0);
  std::remove(garbage.c_str());
}

}  // namespace
}  // namespace korva

// What the standalone host offers beside objects: collected notices and a texture device that
// decodes real image files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "model/com_interfaces.h"
#include "platform/notice.h"
#include "platform/texture_loader.h"
#include "standalone/image_texture.h"
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

// The bytes of an image file's header alone: a PNG signature and IHDR chunk, or a BMP file and
// info header; the decoder reads its size from these, not its pixels.
std::vector<uint8_t> PngHeader(uint32_t width, uint32_t height) {
  std::vector<uint8_t> bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                             0,    0,   0,   13,  'I',  'H',  'D',  'R'};
  for (uint32_t value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(value >> shift));
  }
  bytes.insert(bytes.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});  // RGB, 8 bits; the CRC goes unread
  bytes.insert(bytes.end(), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
  return bytes;
}

std::vector<uint8_t> BmpHeader(int32_t width, int32_t height) {
  std::vector<uint8_t> bytes(54, 0);
  const auto put = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put(2, 54);
  put(10, 54);
  put(14, 40);
  put(18, static_cast<uint32_t>(width));
  put(22, static_cast<uint32_t>(height));
  bytes[26] = 1;   // planes
  bytes[28] = 24;  // bits a pixel
  return bytes;
}

TEST(TextureDevice, OddFilesFailFastWithTheUsualCodes) {
  const std::string folder = TempPath("korva_odd_textures");
  std::filesystem::remove_all(folder);
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo((folder + "/pipe.png").c_str(), 0600), 0);
  const auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return folder + "/" + name;
  };
  const unsigned char rgb[4 * 4 * 3] = {};
  ASSERT_NE(stbi_write_png((folder + "/whole.png").c_str(), 4, 4, 3, rgb, 12), 0);
  std::FILE* whole = std::fopen((folder + "/whole.png").c_str(), "rb");
  std::vector<uint8_t> png(4096);
  png.resize(std::fread(png.data(), 1, png.size(), whole));
  std::fclose(whole);

  constexpr int32_t kNotFound = static_cast<int32_t>(0x80070002);
  constexpr int32_t kInvalidData = static_cast<int32_t>(0x88760B59);
  struct Case {
    std::string path;
    int32_t withPixels;     // result when the device decodes pixels
    int32_t withoutPixels;  // result when it reads only the header
  };
  const std::vector<Case> cases{
      {folder + "/pipe.png", kNotFound, kNotFound},  // never opened, so never waited on
      {write("huge.png", PngHeader(16000, 16000)), kInvalidData, kInvalidData},
      {write("wide.png", PngHeader(8193, 1)), kInvalidData, kInvalidData},
      {write("most.png", PngHeader(8192, 1)), kInvalidData, 0},  // a header without pixels
      {write("min.bmp", BmpHeader(2, INT32_MIN)), kInvalidData, kInvalidData},
      // Cut inside its data, or after its header: damaged either way, whether or not pixels are
      // decoded, and refused before any decoder sizes a buffer by a length the file cannot hold.
      {write("cut.png", {png.begin(), png.end() - 20}), kInvalidData, kInvalidData},
      {write("header_only_cut.png", {png.begin(), png.begin() + 40}), kInvalidData, kInvalidData},
      {write("whole.png", png), 0, 0},
  };
  for (const bool decode : {true, false}) {
    StandaloneHost host;
    host.SetTexturePixelsDecoded(decode);
    for (const Case& test : cases) {
      SCOPED_TRACE(test.path + (decode ? " decoded" : " header only"));
      void* made = nullptr;
      const int32_t result =
          platform::CreateTextureFromFile(host.device(), test.path.c_str(), &made);
      EXPECT_EQ(result, decode ? test.withPixels : test.withoutPixels);
      if (result != 0) continue;
      auto* texture = static_cast<standalone::ImageTexture*>(made);
      EXPECT_EQ(texture->pixels != nullptr, decode);
      EXPECT_EQ(texture->width, test.path == folder + "/most.png" ? 8192 : 4);
      ReleaseComInterface(texture);
    }
    EXPECT_EQ(host.liveTextureCount(), 0);
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace korva

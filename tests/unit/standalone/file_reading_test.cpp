// Reading input files in pieces: a regular file held open answers as a whole read would, and an
// image's size read from the file alone is what the checks of the whole file's bytes give.
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "standalone/image_files.h"
#include "standalone/regular_file.h"

namespace korva {
namespace {
using standalone::FileReadResult;
using standalone::RegularFile;

std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = ::testing::TempDir() + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return path;
}

std::vector<uint8_t> Encoded(int (*encode)(stbi_write_func*, void*, int, int, int, const void*),
                             int side) {
  std::vector<uint8_t> pixels(static_cast<size_t>(side * side * 3));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> bytes;
  encode(
      [](void* out, void* data, int size) {
        auto* target = static_cast<std::vector<uint8_t>*>(out);
        target->insert(target->end(), static_cast<uint8_t*>(data),
                       static_cast<uint8_t*>(data) + size);
      },
      &bytes, side, side, 3, pixels.data());
  return bytes;
}

int Bmp(stbi_write_func* f, void* c, int w, int h, int n, const void* d) {
  return stbi_write_bmp_to_func(f, c, w, h, n, d);
}
int Tga(stbi_write_func* f, void* c, int w, int h, int n, const void* d) {
  return stbi_write_tga_to_func(f, c, w, h, n, d);
}
int Png(stbi_write_func* f, void* c, int w, int h, int n, const void* d) {
  return stbi_write_png_to_func(f, c, w, h, n, d, w * n);
}
int Jpg(stbi_write_func* f, void* c, int w, int h, int n, const void* d) {
  return stbi_write_jpg_to_func(f, c, w, h, n, d, 90);
}

std::vector<uint8_t> Prefix(const std::vector<uint8_t>& bytes, size_t length) {
  return {bytes.begin(), bytes.begin() + static_cast<long>(std::min(length, bytes.size()))};
}

TEST(RegularFile, ReadsPiecesAndRefusesWhatAWholeReadRefuses) {
  std::vector<uint8_t> bytes(10000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31);
  const std::string path = WriteFile("korva_pieces.bin", bytes);
  RegularFile file;
  std::string problem;
  ASSERT_EQ(file.Open(path, bytes.size(), &problem), FileReadResult::kRead);
  EXPECT_EQ(file.size(), bytes.size());
  std::vector<uint8_t> piece(300);
  ASSERT_EQ(file.ReadAt(9800, piece.data(), piece.size()), 200);  // fewer where the file ends
  EXPECT_TRUE(std::equal(piece.begin(), piece.begin() + 200, bytes.begin() + 9800));
  EXPECT_EQ(file.ReadAt(20000, piece.data(), piece.size()), 0);
  ASSERT_EQ(file.ReadNext(piece.data(), 100), 100);  // a position of its own, from the start
  EXPECT_TRUE(std::equal(piece.begin(), piece.begin() + 100, bytes.begin()));

  const std::string fifo = ::testing::TempDir() + "korva_pieces_fifo";
  std::remove(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const auto& [name, limit] : {std::pair<std::string, size_t>{path, bytes.size() - 1},
                                    {fifo, SIZE_MAX},
                                    {::testing::TempDir(), SIZE_MAX},
                                    {path + ".missing", SIZE_MAX}}) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> whole;
    std::string wholeProblem, openProblem;
    const FileReadResult expected = standalone::ReadRegularFile(name, limit, &whole, &wholeProblem);
    EXPECT_NE(expected, FileReadResult::kRead);
    EXPECT_EQ(file.Open(name, limit, &openProblem), expected);
    EXPECT_EQ(openProblem, wholeProblem);
  }
  std::remove(fifo.c_str());
}

TEST(ImageFileSize, ReadFromTheFileAgreesWithTheWholeFilesBytes) {
  const std::vector<uint8_t> bmp = Encoded(Bmp, 64);  // about 12 KB: read only in part
  const std::vector<uint8_t> jpeg = Encoded(Jpg, 64);
  std::vector<uint8_t> wrongBmp = bmp;
  wrongBmp[22] = 0, wrongBmp[23] = 0, wrongBmp[24] = 0, wrongBmp[25] = 0x80;  // height INT_MIN
  std::vector<uint8_t> ppm = {'P', '6', '\n', '#'};
  ppm.resize(6000, 'x');  // a comment longer than the part read first
  ppm.insert(ppm.end(), {'\n', '4', ' ', '4', ' ', '2', '5', '5', '\n'});
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    bool loads;
  } cases[] = {
      {"whole.bmp", bmp, true},
      {"pixels_cut.bmp", Prefix(bmp, 6000), true},  // the pixels are not what is checked
      {"small_cut.bmp", Prefix(bmp, 1000), true},
      {"header_cut.bmp", Prefix(bmp, 20), false},
      {"min_height.bmp", wrongBmp, false},
      {"whole.tga", Encoded(Tga, 64), true},
      {"whole.png", Encoded(Png, 64), true},
      {"cut.png", Prefix(Encoded(Png, 64), 60), false},
      {"whole.jpg", jpeg, true},
      {"cut.jpg", Prefix(jpeg, jpeg.size() / 2), true},
      {"long_comment.ppm", ppm, true},
      {"text.txt", std::vector<uint8_t>(9000, 'x'), false},
      {"empty.bmp", {}, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    int wholeWidth = 0, wholeHeight = 0, fileWidth = 0, fileHeight = 0;
    std::string problem;
    const bool fromBytes =
        standalone::ReadImageSize(test.bytes.empty() ? nullptr : test.bytes.data(),
                                  test.bytes.size(), &wholeWidth, &wholeHeight, &problem);
    RegularFile file;
    ASSERT_EQ(file.Open(WriteFile(std::string("korva_size_") + test.name, test.bytes),
                        standalone::kMaxImageFileSize, &problem),
              FileReadResult::kRead);
    EXPECT_EQ(fromBytes, test.loads);
    EXPECT_EQ(standalone::ReadImageFileSize(file, &fileWidth, &fileHeight, &problem), fromBytes);
    EXPECT_EQ(fileWidth, wholeWidth);
    EXPECT_EQ(fileHeight, wholeHeight);
  }
}

}  // namespace
}  // namespace korva

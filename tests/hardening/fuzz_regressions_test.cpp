// Inputs that once crashed a fuzz target (fuzz/regressions/TARGET/*) replayed through the same
// checks, so a fixed fault stays fixed.
#include <dirent.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardening/outcomes.h"
#include "standalone/image_files.h"
#include "standalone/image_texture_device.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) return files;
  while (const dirent* entry = ::readdir(directory)) {
    if (entry->d_name[0] != '.') files.push_back(folder + "/" + entry->d_name);
  }
  ::closedir(directory);
  return files;
}

// What the texture target checks: a texture that loads is within the size bound, with pixels.
std::string TextureOutcome(const std::vector<uint8_t>& bytes) {
  standalone::ImageTextureDevice device;
  void* made = nullptr;
  if (device.CreateTextureFromMemory(bytes.data(), bytes.size(), &made) != 0) return "";
  auto* texture = static_cast<standalone::ImageTexture*>(made);
  const int side = standalone::kMaxImageSide;
  const bool sound = texture->width > 0 && texture->height > 0 && texture->width <= side &&
                     texture->height <= side && texture->pixels;
  texture->interface->Release(texture);
  return sound ? "" : "a texture outside the size bound or without pixels";
}

std::string Replay(const std::string& target, const std::vector<uint8_t>& bytes) {
  if (target == "ms3d_reader") return ReaderOutcome(bytes);
  if (target == "texture") return TextureOutcome(bytes);
  if (target == "import") return ImportOutcome(bytes, ScratchPath("regression.ms3d"));
  return BlockOutcome(bytes);
}

TEST(FuzzRegressionTest, EveryCrashingInputFoundSoFarNowGivesACleanOutcome) {
  int replayed = 0;
  for (const std::string target : {"ms3d_reader", "import", "dbo_reader", "dbo_round_trip", "texture"}) {
    for (const std::string& file :
         FilesIn(std::string(KORVA_FUZZ_REGRESSIONS_DIR) + "/" + target)) {
      EXPECT_EQ(Replay(target, ReadWholeFile(file)), "") << file;
      ++replayed;
    }
  }
  RecordProperty("replayed", replayed);
}

// The seeds and everything the fuzzers kept: `korva check` and the import agree on each (the
// byte mutations and prefixes of the other tests go through the same outcome).
TEST(FuzzCorpusTest, CheckAndImportAgreeOnEveryMs3dInput) {
  int replayed = 0;
  for (const std::string target : {"ms3d_reader", "import"}) {
    for (const std::string& file : FilesIn(std::string(KORVA_FUZZ_CORPUS_DIR) + "/" + target)) {
      EXPECT_EQ(ImportOutcome(ReadWholeFile(file), ScratchPath("corpus.ms3d")), "") << file;
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace korva::testing

// Folder listings kept between lookups: reused only while the folder is as it was when read.
#include "standalone/posix/folder_listings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "standalone/windows_paths.h"

namespace korva::standalone {
namespace {
namespace fs = std::filesystem;

struct stat StatusOf(const fs::path& folder) {
  struct stat status {};
  EXPECT_EQ(::stat(folder.c_str(), &status), 0) << folder;
  return status;
}

// The entry found and how many times the folder was read for it.
std::pair<std::optional<std::string>, size_t> Lookup(const fs::path& folder,
                                                     const std::string& name) {
  const size_t before = FolderReadsSoFar();
  auto found = ListedEntryIgnoringCase(folder.string(), StatusOf(folder), name);
  return {found, FolderReadsSoFar() - before};
}

TEST(FolderListings, ReusedOnlyWhileTheFolderIsUnchanged) {
  const fs::path root =
      fs::path(::testing::TempDir()) / ("korva_folder_listings_" + std::to_string(::getpid()));
  fs::remove_all(root);
  const fs::path settled = root / "settled";
  const auto write = [](const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
  };
  for (const char* name : {"Wood.bmp", "WOOD.BMP", "stone.tga"}) write(settled / name);
  // A listing is kept once the folder's last change is two whole seconds behind the clock.
  const std::time_t changed = StatusOf(settled).st_ctim.tv_sec;
  while (std::time(nullptr) <= changed + 2) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }

  using Found = std::pair<std::optional<std::string>, size_t>;
  EXPECT_EQ(Lookup(settled, "wood.bmp"), Found("WOOD.BMP", 1));  // first in byte order
  EXPECT_EQ(Lookup(settled, "STONE.TGA"), Found("stone.tga", 0));
  EXPECT_EQ(Lookup(settled, "absent.bmp"), Found(std::nullopt, 0));
  // Paths through the folder are answered by its listing, missing levels and all.
  const struct {
    const char* name;
    std::optional<std::string> found;
  } paths[] = {{"\\wood.BMP", "WOOD.BMP"},
               {"\\Wood.bmp", "Wood.bmp"},  // the exact one when it is there
               {"\\data\\Wood.bmp", std::nullopt},
               {"\\absent.bmp", std::nullopt}};
  for (const auto& path : paths) {
    const size_t before = FolderReadsSoFar();
    const std::optional<std::string> found = ResolveWindowsPath(settled.string() + path.name);
    EXPECT_EQ(found, path.found ? std::optional<std::string>((settled / *path.found).string())
                                : std::nullopt)
        << path.name;
    EXPECT_EQ(FolderReadsSoFar(), before) << path.name;
  }

  // One import's lookups check the folder once: a change within the batch shows only after it,
  // through the folder's stamp (the listing is read again, and the old one not used).
  const std::string stone = (settled / "STONE.tga").string();
  BeginPathLookups();
  EXPECT_EQ(ResolveWindowsPath(stone), (settled / "stone.tga").string());
  fs::rename(settled / "stone.tga", settled / "Marble.tga");
  EXPECT_EQ(ResolveWindowsPath(stone), (settled / "stone.tga").string());
  EndPathLookups();
  EXPECT_EQ(ResolveWindowsPath(stone), std::nullopt);
  EXPECT_EQ(Lookup(settled, "marble.TGA"), Found("Marble.tga", 1));

  // A folder changed moments ago is read every time: a second change within its time stamp's
  // granularity could leave the stamp as it is.
  const fs::path fresh = root / "fresh";
  write(fresh / "grass.png");
  EXPECT_EQ(Lookup(fresh, "GRASS.png"), Found("grass.png", 1));
  EXPECT_EQ(Lookup(fresh, "Grass.PNG"), Found("grass.png", 1));
  fs::remove_all(root);
}

}  // namespace
}  // namespace korva::standalone

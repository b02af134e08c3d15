// Texture names written on Windows, imported on the standalone host: the texture loads from where
// a Windows machine finds it, or the import says it could not.
#include <unistd.h>

#include <filesystem>

#include "model/texture.h"
#include "standalone/image_texture.h"
#include "support/texture_path_models.h"
#include "unit/import/import_fixture.h"

namespace korva::testing {
namespace {
namespace fs = std::filesystem;

class ImportTextureFilesTest : public ImportTest {
 protected:
  // Imports `path` as a new object; the width of its first group's texture, 0 when none loaded
  // (and then exactly one "Error Loading Texture" notice).
  int LoadedWidth(const std::string& path) {
    host_.ClearNotices();
    const sObject* object = ImportPath(path, ++number_);
    EXPECT_NE(object, nullptr) << path;
    if (!object) return -1;
    int errors = 0;
    for (const std::string& text : NoticeTexts(host_, "Info"))
      errors += text.rfind("Error Loading Texture: ", 0) == 0;
    const auto* texture =
        static_cast<const standalone::ImageTexture*>(object->meshList[0]->textures[0].texture);
    EXPECT_EQ(errors, texture ? 0 : 1) << path;
    return texture ? texture->width : 0;
  }

  int32_t number_ = 0;
};

TEST_F(ImportTextureFilesTest, LoadsFromWhereWindowsFindsTheFile) {
  const fs::path folder =
      fs::path(::testing::TempDir()) / ("korva_texture_files_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder / "C:");
  ASSERT_TRUE(WriteTexturePathModels(folder.string()));
  // Found on Linux if the drive were read as a folder name.
  ASSERT_TRUE(WriteTinyBmp((folder / "C:" / "name.bmp").string(), 3));
  for (const TexturePathModel& model : TexturePathModels()) {
    EXPECT_EQ(LoadedWidth((folder / model.file).string()), model.loadedWidth) << model.textureName;
  }
  // From the model's own folder the drive name reaches the texture loader as it is.
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  EXPECT_EQ(LoadedWidth("texture_drive.ms3d"), 0);
  fs::current_path(previous);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace korva::testing

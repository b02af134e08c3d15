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
  // Imports `path` as a new object; the width of its first group's texture, 0 when none loaded.
  // The texture record names `recordName`; a texture that loads from nowhere gives exactly one
  // "Error Loading Texture" notice, naming the model's folder joined with `textureName`.
  int LoadedWidth(const std::string& path, const std::string& textureName,
                  const std::string& recordName) {
    host_.ClearNotices();
    const sObject* object = ImportPath(path, ++number_);
    EXPECT_NE(object, nullptr) << path;
    if (!object) return -1;
    std::vector<std::string> errors;
    for (const std::string& text : NoticeTexts(host_, "Info"))
      if (text.rfind("Error Loading Texture: ", 0) == 0) errors.push_back(text);
    const sTexture& record = object->meshList[0]->textures[0];
    const auto* texture = static_cast<const standalone::ImageTexture*>(record.texture);
    EXPECT_STREQ(record.name, recordName.c_str()) << path;
    const std::string folder = fs::path(path).parent_path().string();
    const std::string described = (folder.empty() ? "" : folder + "/") + textureName;
    EXPECT_EQ(errors, texture ? std::vector<std::string>{}
                              : std::vector<std::string>{"Error Loading Texture: " + described})
        << path;
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
    EXPECT_EQ(LoadedWidth((folder / model.file).string(), model.textureName, model.recordName),
              model.loadedWidth)
        << model.textureName;
  }
  // From the model's own folder the drive name reaches the texture loader as it is, and the name's
  // last part is then looked for in the current folder.
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  EXPECT_EQ(LoadedWidth("texture_drive.ms3d", "C:/name.bmp", "name.bmp"), 1);
  EXPECT_EQ(LoadedWidth("texture_author_path_absent.ms3d", "C:/art/absent.bmp", ""), 0);
  fs::current_path(previous);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace korva::testing

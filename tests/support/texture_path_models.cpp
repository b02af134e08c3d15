#include "support/texture_path_models.h"

#include <sys/stat.h>

#include <cstdio>

#include "support/ms3d_writer.h"

namespace korva::testing {

const std::vector<TexturePathModel>& TexturePathModels() {
  static const std::vector<TexturePathModel> models = {
      {"texture_dot_backslash.ms3d", ".\\name.bmp", 1, "name.bmp"},
      {"texture_backslash_folder.ms3d", "sub\\name.bmp", 1, "name.bmp"},
      {"texture_slash_folder.ms3d", "sub/name.bmp", 2, "sub/name.bmp"},
      {"texture_upper_case.ms3d", "NAME.BMP", 1, "NAME.BMP"},
      {"texture_mixed_case_folder.ms3d", "Sub/Name.Bmp", 2, "Sub/Name.Bmp"},
      {"texture_absent.ms3d", "absent.bmp", 0, ""},
      {"texture_drive.ms3d", "C:/name.bmp", 1, "name.bmp"},
      {"texture_author_path.ms3d", "D:/work packs/fantasy 1/dwarf/Name.bmp", 1, "Name.bmp"},
      {"texture_missing_folder.ms3d", "maps/name.bmp", 1, "name.bmp"},
      {"texture_author_path_absent.ms3d", "C:/art/absent.bmp", 0, ""},
  };
  return models;
}

bool WriteTinyBmp(const std::string& path, int width) {
  const int rowBytes = (3 * width + 3) / 4 * 4;
  const int fileBytes = 54 + rowBytes;
  uint8_t header[54] = {'B', 'M'};
  const auto put32 = [&](int at, int value) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  put32(2, fileBytes);
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, 1);
  header[26] = 1;
  header[28] = 24;
  put32(34, rowBytes);
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes), 0x80);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                       std::fwrite(row.data(), 1, row.size(), file) == row.size();
  return std::fclose(file) == 0 && written;
}

bool WriteTexturePathModels(const std::string& folder) {
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  ::mkdir((base + "sub").c_str(), 0755);
  if (!WriteTinyBmp(base + "name.bmp", 1) || !WriteTinyBmp(base + "sub/name.bmp", 2)) return false;
  for (const TexturePathModel& model : TexturePathModels()) {
    Ms3dContent content = SampleMs3d();
    SetName(content.model.materials[0].texture, model.textureName);
    const std::vector<uint8_t> bytes = WriteMs3d(content);
    std::FILE* file = std::fopen((base + model.file).c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) return false;
  }
  return true;
}

}  // namespace korva::testing

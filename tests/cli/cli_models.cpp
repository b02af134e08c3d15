#include "cli_models.h"

#include <gtest/gtest.h>

#include "korva_runner.h"

namespace korva::cli_tests {
namespace fs = std::filesystem;

fs::path PutSample(const fs::path& folder) {
  CopyInto(ExamplesFolder() / "crane.bmp", folder);
  return CopyInto(ExamplesFolder() / "crane.ms3d", folder);
}

bool HaveRealModels() {
  std::error_code error;
  return fs::is_regular_file(TestdataFolder() / "Model.ms3d", error) &&
         fs::is_regular_file(TestdataFolder() / "Dophi.ms3d", error);
}

fs::path PutRealModel(const fs::path& folder, const std::string& name) {
  if (name == "Model.ms3d") {
    fs::create_directories(folder / "data");
    CopyInto(TestdataFolder() / "data" / "Wood.bmp", folder / "data");
  }
  return CopyInto(TestdataFolder() / name, folder);
}

nlohmann::json ParseJson(const std::string& text) {
  try {
    return nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& error) {
    ADD_FAILURE() << "not JSON (" << error.what() << "): " << text.substr(0, 200);
    return nullptr;
  }
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace korva::cli_tests

// The models the end-to-end tests feed to korva, copied into a test's scratch folder together with
// the textures they name, so every test works on its own writable copies.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

namespace korva::cli_tests {

// examples/crane.ms3d and crane.bmp into `folder`; the model's path.
std::filesystem::path PutSample(const std::filesystem::path& folder);

// Whether ../shared/testdata/ms3d is there (tests that need it skip with a note otherwise).
bool HaveRealModels();

// A real model ("Model.ms3d" or "Dophi.ms3d") into `folder`, with the textures that exist for
// it (Model's data/Wood.bmp); the model's path.
std::filesystem::path PutRealModel(const std::filesystem::path& folder, const std::string& name);

// `text` as JSON; a parse failure fails the test and gives null.
nlohmann::json ParseJson(const std::string& text);

// Whether `text` starts with `prefix`.
bool StartsWith(const std::string& text, const std::string& prefix);

}  // namespace korva::cli_tests

#define KORVA_REQUIRE_REAL_MODELS()          \
  if (!::korva::cli_tests::HaveRealModels()) \
  GTEST_SKIP() << "no real models at " << ::korva::cli_tests::TestdataFolder().string()

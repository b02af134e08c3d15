// Names, texture paths, comments and file paths in any code page leave korva as UTF-8 text: read
// as UTF-8 when they are, as Windows-1252 otherwise, in every command's output and file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_models.h"
#include "korva_runner.h"
#include "support/ms3d_writer.h"
#include "text/utf8_text.h"

namespace korva::cli_tests {
namespace {
namespace fs = std::filesystem;
using nlohmann::json;

// A model named in a double-byte code page ("国" is B9 FA), in Windows-1252 ("café") and in UTF-8
// ("汉"), in a file whose own name is Windows-1252.
const std::string kModelFile = "mod\xE8le.ms3d";
const std::string kModelFileText = "mod\xC3\xA8le.ms3d";

void WriteModel(const fs::path& folder) {
  testing::Ms3dContent content = testing::SampleMs3d();
  testing::SetName(content.model.groups[0].name, "\xB9\xFA");
  testing::SetName(content.model.joints[1].name, "caf\xE9");
  testing::SetName(content.model.joints[2].parentName, "caf\xE9");
  testing::SetName(content.model.materials[0].name, "\xE6\xB1\x89");
  testing::SetName(content.model.materials[0].texture, "\x81\xE9.bmp");
  content.comments = testing::Ms3dCommentsSection{};
  content.comments->modelCommentFlag = 1;
  content.comments->modelComment = "\x93quoted\x94";
  const std::vector<uint8_t> bytes = testing::WriteMs3d(content);
  std::ofstream(folder / kModelFile, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST(TextTest, EveryCommandPrintsAndWritesUtf8) {
  ScratchFolder scratch;
  WriteModel(scratch.path());
  const std::vector<std::vector<std::string>> runs = {
      {"info", kModelFile},
      {"check", kModelFile},
      {"dump", kModelFile},
      {"dump", "--json", kModelFile},
      {"dump", "--json", "--imported", kModelFile},
      {"convert", kModelFile, "-o", "out.dbo"},
      {"dump", "--json", "out.dbo"},
      {"info", "out.dbo"},
      {"export", kModelFile, "-o", "out.gltf"},
      {"export", kModelFile, "-o", "out.glb"},
      {"render", kModelFile, "-o", "out.png"},
      {"info", "mod\xE8le-missing.ms3d"},
  };
  for (const std::vector<std::string>& arguments : runs) {
    const RunResult run = RunKorva(arguments, scratch.path());
    const std::string what = arguments[0] + " " + arguments[1];
    EXPECT_EQ(run.exitCode, arguments[1] == "mod\xE8le-missing.ms3d" ? 1 : 0) << what << run.err;
    EXPECT_TRUE(text::IsUtf8(run.out)) << what;
    EXPECT_TRUE(text::IsUtf8(run.err)) << what;
    if (arguments[1] == "--json") ParseJson(run.out);
  }

  const json model = ParseJson(RunKorva({"dump", "--json", kModelFile}, scratch.path()).out);
  EXPECT_EQ(model.at("file"), kModelFileText);
  EXPECT_EQ(model.at("model").at("groups")[0].at("name"), "\xC2\xB9\xC3\xBA");
  EXPECT_EQ(model.at("model").at("joints")[1].at("name"), "caf\xC3\xA9");
  EXPECT_EQ(model.at("model").at("materials")[0].at("name"), "\xE6\xB1\x89");
  EXPECT_EQ(model.at("model").at("materials")[0].at("texture"), "\xC2\x81\xC3\xA9.bmp");
  EXPECT_EQ(model.at("model").at("comment"), "\xE2\x80\x9Cquoted\xE2\x80\x9D");

  const std::vector<uint8_t> document = ReadBytes(scratch.path() / "out.gltf");
  const json gltf = ParseJson(std::string(document.begin(), document.end()));
  std::vector<std::string> nodes;
  for (const json& node : gltf.at("nodes")) nodes.push_back(node.at("name"));
  EXPECT_NE(std::find(nodes.begin(), nodes.end(), "caf\xC3\xA9"), nodes.end());
  EXPECT_NE(std::find(nodes.begin(), nodes.end(), "\xC2\xB9\xC3\xBA"), nodes.end());

  const RunResult missing = RunKorva({"check", "mod\xE8le-missing.ms3d"}, scratch.path());
  EXPECT_TRUE(StartsWith(missing.err, "korva: mod\xC3\xA8le-missing.ms3d: ")) << missing.err;
}

}  // namespace
}  // namespace korva::cli_tests

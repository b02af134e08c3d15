// `korva convert` of glTF assets: the images an asset holds are written beside the DBO file under
// the names the object gives them, and never over a file of the asset; the clips of the
// animation set are named with their frames wherever the asset is shown, as are the extensions
// the asset uses with what became of each.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/korva_runner.h"
#include "gltf/samples/gltf_cases.h"
#include "render/image.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {
namespace fs = std::filesystem;
using cli_tests::RunKorva;
using cli_tests::ScratchFolder;

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(out);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

const GltfCase& Case(const std::string& name) {
  static const std::vector<GltfCase> cases = GltfCases();
  for (const GltfCase& c : cases) {
    if (c.name == name) return c;
  }
  throw std::runtime_error("no case " + name);
}

TEST(GltfConvert, ImagesHeldInsideAreWrittenBesideTheDboFileThatNamesThem) {
  ScratchFolder folder;
  Write(folder / "asset.glb", Case("textured_two_primitives").bytes);
  fs::create_directory(folder.path() / "out");
  const auto run = RunKorva({"convert", "asset.glb", "-o", "out/model.dbo"}, folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  render::Image picture;
  std::string error;
  EXPECT_TRUE(render::LoadImageFile(folder / "out/model_0.png", &picture, &error)) << error;
  const auto info = RunKorva({"info", "out/model.dbo"}, folder.path());
  EXPECT_NE(info.out.find("texture \"model_0.png\": found"), std::string::npos) << info.out;
}

TEST(GltfConvert, AnImageHeldInsideNeverReplacesAFileOfTheAsset) {
  // The asset names an image file "model_0.png" beside it and holds one inside, which a DBO file
  // called model.dbo in the same folder would name model_0.png too.
  ScratchFolder folder;
  AssetBuilder a;
  render::Image red(2, 2, {255, 0, 0, 255});
  std::vector<uint8_t> png;
  ASSERT_TRUE(render::EncodePng(red, &png));
  Write(folder / "model_0.png", png);
  a.Add("images", {{"uri", "model_0.png"}});
  a.Add("images", {{"bufferView", a.View(png.data(), png.size())}, {"mimeType", "image/png"}});
  for (int i = 0; i < 2; ++i) {
    a.Add("textures", {{"source", i}});
    a.Add("materials", {{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", i}}}}}});
  }
  const nlohmann::json attributes = {
      {"POSITION", a.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}, "VEC3", true)},
      {"TEXCOORD_0", a.Floats({0, 0, 1, 0, 0, 1}, "VEC2")}};
  a.Add("meshes", {{"primitives",
                    {{{"attributes", attributes}, {"material", 0}},
                     {{"attributes", attributes}, {"material", 1}}}}});
  a.Scene({a.Add("nodes", {{"mesh", 0}})});
  Write(folder / "asset.glb", a.Glb());
  const auto run = RunKorva({"convert", "asset.glb", "-o", "model.dbo"}, folder.path());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("model_0.png: is a file of the asset"), std::string::npos) << run.err;
  EXPECT_EQ(ReadWholeFile(folder / "model_0.png"), png);
  EXPECT_FALSE(fs::exists(folder / "model.dbo"));
}

TEST(GltfConvert, EachClipIsNamedWithItsFramesByConvertInfoAndDump) {
  ScratchFolder folder;
  AssetBuilder a;
  const int node = a.Add("nodes", {{"name", "Mover"}});
  a.Scene({node});
  for (const float end : {0.4f, 0.2f}) {
    const nlohmann::json sampler = {{"input", a.Floats({0, end}, "SCALAR", true)},
                                    {"output", a.Floats({0, 0, 0, 1, 2, 3}, "VEC3")}};
    nlohmann::json animation = {
        {"samplers", {sampler}},
        {"channels", {{{"sampler", 0}, {"target", {{"node", node}, {"path", "translation"}}}}}}};
    if (end > 0.3f) animation["name"] = "Walk";
    a.Add("animations", animation);
  }
  Write(folder / "asset.glb", a.Glb());
  const std::string walk = "clip \"Walk\" (animation 0): frames 0 to 10",
                    other = "clip \"animation1\" (animation 1): frames 11 to 16";
  const auto convert = RunKorva({"convert", "asset.glb", "-o", "model.dbo"}, folder.path());
  ASSERT_EQ(convert.exitCode, 0) << convert.err;
  EXPECT_EQ(convert.err, "Info: " + walk + "\nInfo: " + other + "\n");
  const auto quiet = RunKorva({"convert", "-q", "asset.glb", "-o", "model.dbo"}, folder.path());
  EXPECT_EQ(quiet.err, "");
  const auto one =
      RunKorva({"convert", "asset.glb", "--animation", "1", "-o", "one.dbo"}, folder.path());
  EXPECT_NE(one.err.find("clip \"animation1\" (animation 1): frames 0 to 5"), std::string::npos)
      << one.err;
  const auto info = RunKorva({"info", "asset.glb"}, folder.path());
  EXPECT_NE(info.out.find("  " + walk + "\n  " + other + "\n"), std::string::npos) << info.out;
  const auto dump = RunKorva({"dump", "--json", "asset.glb"}, folder.path());
  EXPECT_EQ(
      nlohmann::json::parse(dump.out)["clips"],
      nlohmann::json::parse(R"([{"animation": 0, "firstFrame": 0, "lastFrame": 10, "name": "Walk"},
                {"animation": 1, "firstFrame": 11, "lastFrame": 16, "name": "animation1"}])"));
}

TEST(GltfConvert, InfoAndDumpSayWhatBecameOfEachExtension) {
  ScratchFolder folder;
  AssetBuilder a;
  a.Scene({a.Add("nodes", {{"name", "Empty"}})});
  a.json["extensionsUsed"] = {"KHR_lights_punctual", "KHR_mesh_quantization", "EXT_made_up"};
  a.json["extensionsRequired"] = {"KHR_mesh_quantization"};
  Write(folder / "asset.glb", a.Glb());
  const auto info = RunKorva({"info", "asset.glb"}, folder.path());
  ASSERT_EQ(info.exitCode, 0) << info.err;
  for (const char* line :
       {"  extension KHR_lights_punctual (used): left out: the host object has no lights\n",
        "  extension KHR_mesh_quantization (required): read: ",
        "  extension EXT_made_up (used): unknown: "}) {
    EXPECT_NE(info.out.find(line), std::string::npos) << line << info.out;
  }
  const auto dump = RunKorva({"dump", "--json", "asset.glb"}, folder.path());
  const nlohmann::json extensions = nlohmann::json::parse(dump.out)["extensions"];
  ASSERT_EQ(extensions.size(), 3u) << dump.out;
  EXPECT_EQ(extensions[1]["name"], "KHR_mesh_quantization");
  EXPECT_EQ(extensions[1]["fate"], "read");
  EXPECT_EQ(extensions[1]["required"], true);
  EXPECT_EQ(extensions[0]["fate"], "left out");
}

}  // namespace
}  // namespace korva::testing

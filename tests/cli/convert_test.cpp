// korva convert on the bundled sample and the real models, then info and dump --json on what it
// wrote: the DBO file must hold what the model holds, and the tool must say so in its agreed form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli_models.h"
#include "korva_runner.h"
#include "support/ms3d_writer.h"
#include "support/texture_path_models.h"

namespace korva::cli_tests {
namespace {
namespace fs = std::filesystem;
using nlohmann::json;

// What a model holds, as the tests expect to find it after the round trip.
struct ModelFacts {
  std::vector<std::string> groups;
  std::vector<std::string> joints;
  size_t vertices;
  size_t triangles;
  std::string texture;                        // the texture the first material names
  bool textureFound;                          // beside the model (and so loaded by the import)
  std::vector<std::string> groupFrames = {};  // the group frames' names, when not the groups'
};

const ModelFacts kCrane{
    {"base", "boom", "hook"},     {"mast", "jib", "hook"}, 24, 36, "crane.bmp", true,
    {"base", "boom", "hook_mesh"}};
const ModelFacts kModel{
    {"Box01"},
    {"joint1", "joint2", "joint3", "joint4", "joint5", "joint6", "joint7", "joint8", "joint9"},
    40,
    76,
    "data/Wood.bmp",
    true};
const ModelFacts kDophi{{"dolph02"}, {"joint1", "joint2", "joint3"}, 527, 564, ".\\dolphin.bmp",
                        false};

std::multiset<std::string> Names(const json& array) {
  std::multiset<std::string> names;
  for (const json& element : array) names.insert(element.at("name").get<std::string>());
  return names;
}

std::multiset<std::string> Union(const std::vector<std::string>& a,
                                 const std::vector<std::string>& b) {
  std::multiset<std::string> names(a.begin(), a.end());
  names.insert(b.begin(), b.end());
  return names;
}

// Converts `model` next to itself and checks everything korva says and writes on the way; returns
// the DBO file's JSON document.
json ConvertAndDump(const fs::path& model, const ModelFacts& facts) {
  const fs::path folder = model.parent_path();
  const std::string dboName = model.stem().string() + ".dbo";
  const RunResult convert = RunKorva({"convert", model.filename().string()}, folder);
  EXPECT_EQ(convert.exitCode, 0) << convert.err;
  const uint64_t size = fs::file_size(folder / dboName);
  EXPECT_EQ(Lines(convert.out),
            std::vector<std::string>{dboName + " written (" + std::to_string(size) +
                                     " bytes) from " + model.filename().string()});
  const std::vector<std::string> notices = Lines(convert.err);
  EXPECT_FALSE(notices.empty());
  for (const std::string& line : notices) EXPECT_TRUE(StartsWith(line, "Info: ")) << line;
  EXPECT_NE(std::find(notices.begin(), notices.end(), "Info: Done Loading MilkShape"),
            notices.end());
  const bool textureError = std::any_of(notices.begin(), notices.end(), [](const std::string& l) {
    return StartsWith(l, "Info: Error Loading Texture");
  });
  EXPECT_EQ(textureError, !facts.textureFound);

  const RunResult dump = RunKorva({"dump", "--json", dboName}, folder);
  EXPECT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_EQ(dump.err, "");
  const json document = ParseJson(dump.out);
  if (document.is_null()) return document;
  EXPECT_EQ(document.at("formatVersion"), 1);
  EXPECT_EQ(document.at("kind"), "dbo");
  EXPECT_EQ(document.at("file"), dboName);
  EXPECT_EQ(document.at("size"), size);

  const json& object = document.at("object");
  EXPECT_EQ(Names(object.at("frames")),
            Union(facts.groupFrames.empty() ? facts.groups : facts.groupFrames, facts.joints));
  const json& meshes = object.at("meshes");
  EXPECT_EQ(meshes.size(), facts.groups.size());
  for (const json& mesh : meshes) {
    // Every group mesh carries the whole skeleton as its bones.
    EXPECT_EQ(Names(mesh.at("bones")), Union({}, facts.joints));
    const size_t frame = mesh.at("frame").get<size_t>();
    EXPECT_LT(frame, object.at("frames").size());
    if (frame < object.at("frames").size()) {
      EXPECT_EQ(object.at("frames")[frame].at("mesh"), &mesh - &meshes[0]);
    }
  }
  const json& sets = object.at("animationSets");
  EXPECT_EQ(sets.size(), 1u);
  if (sets.size() == 1) {
    EXPECT_EQ(Names(sets[0].at("tracks")), Union({}, facts.joints));
  }

  const RunResult info = RunKorva({"info", dboName}, folder);
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_TRUE(StartsWith(info.out, dboName + ": DBO file, " + std::to_string(size) + " bytes\n"))
      << info.out;
  for (const std::string& joint : facts.joints) {
    EXPECT_NE(info.out.find('"' + joint + '"'), std::string::npos) << joint;
  }
  return document;
}

// The named (loaded) textures of the meshes, with whether each is found beside the DBO file.
std::map<std::string, bool> MeshTextures(const json& document) {
  std::map<std::string, bool> textures;
  for (const json& mesh : document.at("object").at("meshes")) {
    for (const json& texture : mesh.at("textures")) {
      const std::string name = texture.at("name");
      if (!name.empty()) textures[name] = texture.at("found");
    }
  }
  return textures;
}

// Track key counts, by track name.
std::map<std::string, std::pair<int, int>> TrackKeys(const json& document) {
  std::map<std::string, std::pair<int, int>> keys;
  for (const json& track : document.at("object").at("animationSets")[0].at("tracks")) {
    keys[track.at("name")] = {track.at("positionKeys"), track.at("rotationKeys")};
  }
  return keys;
}

// The MS3D document of `model` and its basic counts.
json DumpModel(const fs::path& model, const ModelFacts& facts) {
  const RunResult dump =
      RunKorva({"dump", "--json", model.filename().string()}, model.parent_path());
  EXPECT_EQ(dump.exitCode, 0) << dump.err;
  const json document = ParseJson(dump.out);
  if (document.is_null()) return document;
  EXPECT_EQ(document.at("kind"), "ms3d");
  const json& m = document.at("model");
  EXPECT_EQ(m.at("vertices").size(), facts.vertices);
  EXPECT_EQ(m.at("triangles").size(), facts.triangles);
  EXPECT_EQ(Names(m.at("groups")), Union(facts.groups, {}));
  EXPECT_EQ(Names(m.at("joints")), Union(facts.joints, {}));
  EXPECT_EQ(m.at("materials")[0].at("texture"), facts.texture);
  EXPECT_EQ(m.at("materials")[0].at("textureFound"), facts.textureFound);
  return document;
}

// A track of a joint with keys carries one position and one rotation key per whole frame where any
// joint has a key, and one more at the end when the last key frame is earlier; other tracks none.
void ExpectTracksFollowJoints(const json& model, const json& dbo) {
  std::set<long> frames;
  for (const json& joint : model.at("model").at("joints")) {
    for (const char* keys : {"positionKeys", "rotationKeys"}) {
      for (const json& key : joint.at(keys)) {
        const double time = key.at("time");
        frames.insert(std::fabs(time - std::round(time)) <= 0.001 ? std::lround(time)
                                                                  : static_cast<long>(time));
      }
    }
  }
  const long totalFrames = model.at("model").at("totalFrames");
  const int keyed =
      static_cast<int>(frames.size()) + (!frames.empty() && *frames.rbegin() < totalFrames ? 1 : 0);
  const auto keys = TrackKeys(dbo);
  for (const json& joint : model.at("model").at("joints")) {
    const bool hasKeys = !joint.at("positionKeys").empty() || !joint.at("rotationKeys").empty();
    const int count = hasKeys ? keyed : 0;
    const auto at = keys.find(joint.at("name"));
    ASSERT_NE(at, keys.end()) << joint.at("name");
    EXPECT_EQ(at->second, std::make_pair(count, count)) << joint.at("name");
  }
}

size_t BoneVertexTotal(const json& dbo) {
  size_t total = 0;
  for (const json& mesh : dbo.at("object").at("meshes")) {
    for (const json& bone : mesh.at("bones")) total += bone.at("vertexCount").get<size_t>();
  }
  return total;
}

TEST(ConvertTest, SampleBecomesATexturedAnimatedDbo) {
  ScratchFolder scratch;
  const fs::path model = PutSample(scratch.path());
  const json ms3d = DumpModel(model, kCrane);
  const json dbo = ConvertAndDump(model, kCrane);
  ASSERT_FALSE(dbo.is_null());
  EXPECT_EQ(MeshTextures(dbo), (std::map<std::string, bool>{{"crane.bmp", true}}));
  ExpectTracksFollowJoints(ms3d, dbo);
  EXPECT_EQ(BoneVertexTotal(dbo), kCrane.vertices);
}

TEST(ConvertTest, RealModelWithItsTextureInASubfolder) {
  KORVA_REQUIRE_REAL_MODELS();
  ScratchFolder scratch;
  const fs::path model = PutRealModel(scratch.path(), "Model.ms3d");
  const json ms3d = DumpModel(model, kModel);
  ASSERT_FALSE(ms3d.is_null());
  EXPECT_EQ(ms3d.at("sections"), json::array());
  const json& materials = ms3d.at("model").at("materials");
  ASSERT_EQ(materials.size(), 2u);
  EXPECT_EQ(materials[1].at("name"), "");
  const json& joints = ms3d.at("model").at("joints");
  EXPECT_EQ(std::count_if(joints.begin(), joints.end(),
                          [](const json& j) { return j.at("parentName") == ""; }),
            1);

  const json dbo = ConvertAndDump(model, kModel);
  ASSERT_FALSE(dbo.is_null());
  EXPECT_EQ(MeshTextures(dbo), (std::map<std::string, bool>{{"data/Wood.bmp", true}}));
  ExpectTracksFollowJoints(ms3d, dbo);
  EXPECT_EQ(BoneVertexTotal(dbo), kModel.vertices);  // every vertex has its bone

  // Moved away from its texture, the same file says the texture is missing.
  fs::create_directory(scratch.path() / "elsewhere");
  fs::copy_file(scratch.path() / "Model.dbo", scratch.path() / "elsewhere" / "Model.dbo");
  const RunResult info = RunKorva({"info", "elsewhere/Model.dbo"}, scratch.path());
  EXPECT_NE(info.out.find("texture \"data/Wood.bmp\": not found"), std::string::npos) << info.out;
}

TEST(ConvertTest, RealModelWithAMissingTexture) {
  KORVA_REQUIRE_REAL_MODELS();
  ScratchFolder scratch;
  const fs::path model = PutRealModel(scratch.path(), "Dophi.ms3d");
  const json ms3d = DumpModel(model, kDophi);
  ASSERT_FALSE(ms3d.is_null());
  EXPECT_EQ(ms3d.at("sections"), json::parse(R"([{"name": "comments", "subVersion": 1},
                                                 {"name": "vertex extra", "subVersion": 1}])"));
  const RunResult info = RunKorva({"info", "Dophi.ms3d"}, scratch.path());
  EXPECT_NE(info.out.find("texture \".\\\\dolphin.bmp\": not found"), std::string::npos)
      << info.out;

  const json dbo = ConvertAndDump(model, kDophi);
  ASSERT_FALSE(dbo.is_null());
  EXPECT_TRUE(MeshTextures(dbo).empty());  // the texture was never loaded, so none was saved
  ExpectTracksFollowJoints(ms3d, dbo);
  EXPECT_LT(BoneVertexTotal(dbo), kDophi.vertices);  // some vertices have no bone
}

TEST(ConvertTest, TexturesNamedTheWindowsWaysAreFoundWhereTheImportLoadsThem) {
  ScratchFolder scratch;
  ASSERT_TRUE(testing::WriteTexturePathModels(scratch.path().string()));
  for (const testing::TexturePathModel& model : testing::TexturePathModels()) {
    // By full path: from a model named without a folder, ".\\name.bmp" means the drive's root.
    const std::string path = scratch / model.file;
    const bool loaded = model.loadedWidth != 0;
    const json ms3d = ParseJson(RunKorva({"dump", "--json", path}, scratch.path()).out);
    ASSERT_FALSE(ms3d.is_null());
    EXPECT_EQ(ms3d.at("model").at("materials")[0].at("textureFound"), loaded) << model.file;

    EXPECT_EQ(RunKorva({"convert", path}, scratch.path()).exitCode, 0) << model.file;
    const std::string dbo = fs::path(model.file).replace_extension(".dbo").string();
    const json document = ParseJson(RunKorva({"dump", "--json", dbo}, scratch.path()).out);
    ASSERT_FALSE(document.is_null());
    const std::map<std::string, bool> textures = MeshTextures(document);
    std::map<std::string, bool> expected;
    if (loaded) expected[model.recordName] = true;
    EXPECT_EQ(textures, expected) << model.file;
  }
}

TEST(ConvertTest, ResavingADboGivesTheSameBytes) {
  ScratchFolder scratch;
  std::vector<fs::path> models{PutSample(scratch.path())};
  if (HaveRealModels()) {
    models.push_back(PutRealModel(scratch.path(), "Model.ms3d"));
    models.push_back(PutRealModel(scratch.path(), "Dophi.ms3d"));
  }
  for (const fs::path& model : models) {
    const std::string dbo = model.stem().string() + ".dbo";
    const std::string again = model.stem().string() + ".again.dbo";
    ASSERT_EQ(RunKorva({"convert", "-q", model.filename().string()}, scratch.path()).exitCode, 0);
    const RunResult resave = RunKorva({"convert", dbo, "-o", again}, scratch.path());
    EXPECT_EQ(resave.exitCode, 0) << resave.err;
    EXPECT_EQ(resave.err, "");  // loading a DBO file raises no notices
    EXPECT_EQ(ReadBytes(scratch.path() / again), ReadBytes(scratch.path() / dbo)) << dbo;

    // In place too: the file is read whole before it is replaced.
    EXPECT_EQ(RunKorva({"convert", again}, scratch.path()).exitCode, 0);
    EXPECT_EQ(ReadBytes(scratch.path() / again), ReadBytes(scratch.path() / dbo)) << dbo;
  }
}

TEST(ConvertTest, AnExistingOutputIsReplacedWhole) {
  ScratchFolder scratch;
  PutSample(scratch.path());
  ASSERT_EQ(RunKorva({"convert", "-q", "crane.ms3d", "-o", "fresh.dbo"}, scratch.path()).exitCode,
            0);
  WriteBytes(scratch.path() / "old.dbo", std::vector<uint8_t>(100000, 0xAB));
  const RunResult run = RunKorva({"convert", "-q", "crane.ms3d", "-o", "old.dbo"}, scratch.path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(scratch.path() / "old.dbo"), ReadBytes(scratch.path() / "fresh.dbo"));
  // Nothing is left beside it from the way it was written.
  EXPECT_EQ(FolderEntries(scratch.path()),
            (std::vector<std::string>{"crane.bmp", "crane.ms3d", "fresh.dbo", "old.dbo"}));
}

TEST(ConvertTest, QuietKeepsTheWrittenLineAndDropsTheNotices) {
  ScratchFolder scratch;
  PutSample(scratch.path());
  const RunResult run = RunKorva({"convert", "--quiet", "crane.ms3d"}, scratch.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(Lines(run.out).size(), 1u);
  EXPECT_TRUE(StartsWith(run.out, "crane.dbo written (")) << run.out;
}

TEST(ConvertTest, NoticeLineBreaksAreFoldedIntoOneLine) {
  // The texture name reaches a notice verbatim, line breaks and all.
  ScratchFolder scratch;
  testing::Ms3dContent content = testing::SampleMs3d();
  testing::SetName(content.model.materials[0].texture, "first\nsecond\r\nthird.bmp");
  WriteBytes(scratch.path() / "broken.ms3d", testing::WriteMs3d(content));
  const RunResult run = RunKorva({"convert", "broken.ms3d"}, scratch.path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.err);
  for (const std::string& line : lines) EXPECT_TRUE(StartsWith(line, "Info: ")) << line;
  const auto textureLine = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return StartsWith(l, "Info: Error Loading Texture");
  });
  ASSERT_NE(textureLine, lines.end()) << run.err;
  EXPECT_NE(textureLine->find("first second third.bmp"), std::string::npos) << *textureLine;
}

TEST(ConvertTest, ObjectNumberIsAccepted) {
  ScratchFolder scratch;
  PutSample(scratch.path());
  EXPECT_EQ(RunKorva({"convert", "-q", "crane.ms3d", "--object", "7"}, scratch.path()).exitCode, 0);
  EXPECT_TRUE(fs::is_regular_file(scratch.path() / "crane.dbo"));
}

}  // namespace
}  // namespace korva::cli_tests

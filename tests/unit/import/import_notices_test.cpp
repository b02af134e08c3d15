// What the user sees and what is left behind: the notices of an import in order, the failure
// paths (nothing created, an existing object untouched), textures and material colours.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "model/counted_array.h"
#include "model/texture.h"
#include "unit/import/import_fixture.h"

namespace korva::testing {
namespace {

// A 2 x 2 24-bit BMP.
void WriteBmp(const std::string& path) {
  const uint8_t header[54] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0,  0,
                              2,   0,   0,  0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0,  0, 16, 0,
                              0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0,  0};
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  const uint8_t pixels[16] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
  out.write(reinterpret_cast<const char*>(pixels), sizeof pixels);
}

// One triangle in one group per entry of `materialIndices`; materials with the given textures.
msModel TexturedModel(const std::vector<int8_t>& materialIndices,
                      const std::vector<std::string>& textures) {
  msModel model;
  for (size_t g = 0; g < materialIndices.size(); ++g) {
    for (int k = 0; k < 3; ++k)
      AddVertex(model, static_cast<float>(k), static_cast<float>(k % 2), 0);
    const auto base = static_cast<uint16_t>(3 * g);
    AddGroup(model, "g" + std::to_string(g),
             {AddTriangle(model, base, static_cast<uint16_t>(base + 1),
                          static_cast<uint16_t>(base + 2))},
             materialIndices[g]);
  }
  for (const std::string& texture : textures) {
    msMaterial material;
    SetName(material.texture, texture);
    for (int c = 0; c < 4; ++c) {
      material.diffuse[c] = 0.5f;
      material.ambient[c] = 0.25f;
      material.specular[c] = 0.125f;
      material.emissive[c] = 0.0625f;
    }
    material.shininess = 7.0f;
    material.transparency = 0.75f;
    model.materials.push_back(material);
  }
  return model;
}

// `model` written as directory + "model.ms3d"; that path.
std::string WriteModelFile(const std::string& directory, const msModel& model) {
  Ms3dContent content;
  content.model = model;
  const std::vector<uint8_t> bytes = WriteMs3d(content);
  const std::string path = directory + "model.ms3d";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

class ImportNoticesTest : public ImportTest {
 protected:
  const std::vector<standalone::Notice>& notices() const { return host_.notices(); }
};

TEST_F(ImportNoticesTest, SuccessfulImportShowsItsNoticesInOrder) {
  msModel model = TexturedModel({0}, {"missing.bmp"});
  model.vertices[0].boneId = 1;
  model.totalFrames = 40;
  AddJoint(model, "root", "");
  AddJoint(model, "tip", "root");
  const std::string path = WriteMs3dFile(
      [&] {
        Ms3dContent content;
        content.model = model;
        return content;
      }(),
      "ordered.ms3d");
  ASSERT_NE(ImportPath(path), nullptr);
  const std::string directory = path.substr(0, path.rfind('/') + 1);
  const std::vector<std::string> expected = {"Missing Parent Bone for Bone 0",
                                             "Bone Number 0\r\nNumber of Assigned Verticies 0",
                                             "Bone Number 1\r\nNumber of Assigned Verticies 1",
                                             "Total Frames: 40",
                                             "Done Loading MilkShape Animation",
                                             "Error Loading Texture: " + directory + "missing.bmp",
                                             "Done Loading MilkShape"};
  EXPECT_EQ(NoticeTexts(host_, "Info"), expected);
  EXPECT_EQ(notices().size(), expected.size());
}

TEST_F(ImportNoticesTest, UnreadableModelsFailWithErrorCode68AndNoObject) {
  msModel badTriangle = TexturedModel({-1}, {});
  badTriangle.groups[0].triangleIndices.push_back(5);
  msModel badVertex = TexturedModel({-1}, {});
  badVertex.triangles[0].vertexIndices[2] = 3;
  const std::string longMissing = ::testing::TempDir() + std::string(600, 'x') + ".ms3d";

  const std::vector<std::string> paths = {longMissing,
                                          WriteMs3dFile(
                                              [&] {
                                                Ms3dContent s;
                                                s.model = badTriangle;
                                                return s;
                                              }(),
                                              "bad_triangle.ms3d"),
                                          WriteMs3dFile(
                                              [&] {
                                                Ms3dContent s;
                                                s.model = badVertex;
                                                return s;
                                              }(),
                                              "bad_vertex.ms3d")};
  for (const std::string& path : paths) {
    host_.SetErrorCode(0);
    host_.ClearNotices();
    EXPECT_EQ(ImportPath(path, 3), nullptr);
    EXPECT_EQ(host_.errorCode(), 68);
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_EQ(notices()[0].caption, "Error");
    EXPECT_EQ(notices()[0].text, "Failed to load MS file: " + path);  // never cut
  }
  EXPECT_TRUE(host_.ObjectNumbers().empty());
}

TEST_F(ImportNoticesTest, RefusedImportsCreateNothingAndKeepTheExistingObject) {
  const msModel model = TexturedModel({-1}, {});
  sObject* first = ImportModel(model, 4);
  ASSERT_NE(first, nullptr);
  const std::string firstName = first->rootFrame->name;
  host_.ClearNotices();

  EXPECT_EQ(ImportModel(model, 4), first);  // the number is in use
  EXPECT_EQ(first->frameCount, 1);
  EXPECT_EQ(first->rootFrame->name, firstName);
  EXPECT_EQ(ImportModel(msModel{}, 5), nullptr);  // neither groups nor joints
  EXPECT_EQ(ImportModel(model, 0), nullptr);      // the host refuses the number

  host_.SetDeviceAvailable(false);
  host_.Bind();
  EXPECT_EQ(ImportModel(model, 6), nullptr);
  EXPECT_EQ(host_.errorCode(), 0);

  const auto errors = NoticeTexts(host_, "Error");
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_EQ(NoticeTexts(host_, "Info").size(), 0u);
  EXPECT_EQ(host_.ObjectNumbers(), std::vector<int32_t>{4});
}

TEST_F(ImportNoticesTest, TextureLoadsFromTheModelDirectoryAndKeepsItsName) {
  const std::string directory = ::testing::TempDir() + "textured/";
  ::mkdir(directory.c_str(), 0755);
  ::mkdir((directory + "maps").c_str(), 0755);
  WriteBmp(directory + "maps/skin.bmp");
  WriteBmp(directory + "plain.bmp");
  sObject* object = ImportPath(
      WriteModelFile(directory, TexturedModel({0, 1}, {"maps/skin.bmp", ".\\plain.bmp"})));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(NoticeTexts(host_, "Info").back(), "Done Loading MilkShape");
  EXPECT_EQ(host_.liveTextureCount(), 2);

  const char* names[2] = {"maps/skin.bmp", "plain.bmp"};
  for (int g = 0; g < 2; ++g) {
    const sMesh* mesh = object->meshList[g];
    ASSERT_NE(mesh->textures, nullptr);
    ASSERT_GE(CountedArrayCount(mesh->textures), 2);
    const sTexture& stage0 = mesh->textures[0];
    EXPECT_NE(stage0.texture, nullptr);
    EXPECT_STREQ(stage0.name, names[g]);
    EXPECT_EQ(stage0.stage, 0);
    EXPECT_EQ(stage0.blendOperation, 4);
    EXPECT_EQ(stage0.blendArgument1, 2);
    EXPECT_EQ(stage0.blendArgument2, 0);
    EXPECT_EQ(mesh->textures[1].stage, 1);
    EXPECT_EQ(mesh->textures[1].blendOperation, 1);
    EXPECT_EQ(mesh->usesOwnMaterial, 1);
    EXPECT_FLOAT_EQ(mesh->material.Diffuse.r, 0.5f);
    EXPECT_FLOAT_EQ(mesh->material.Diffuse.a, 0.75f);  // the reader's transparency alpha
    EXPECT_FLOAT_EQ(mesh->material.Ambient.g, 0.25f);
    EXPECT_FLOAT_EQ(mesh->material.Specular.b, 0.125f);
    EXPECT_FLOAT_EQ(mesh->material.Emissive.r, 0.0625f);
    EXPECT_FLOAT_EQ(mesh->material.Power, 7.0f);
  }
}

TEST_F(ImportNoticesTest, GroupsSharingATextureEachGetItsNoticeOrItsOwnTexture) {
  // The absent texture is looked for once but named for each of its groups, in group order; the
  // present one loads for each of its groups, one texture each.
  const std::string directory = ::testing::TempDir() + "shared_textures/";
  ::mkdir(directory.c_str(), 0755);
  WriteBmp(directory + "present.bmp");
  sObject* object = ImportPath(
      WriteModelFile(directory, TexturedModel({0, 1, 0, 1}, {"absent.bmp", "present.bmp"})));
  ASSERT_NE(object, nullptr);
  std::vector<std::string> errors;
  for (const std::string& text : NoticeTexts(host_, "Info"))
    if (text.rfind("Error Loading Texture: ", 0) == 0) errors.push_back(text);
  EXPECT_EQ(errors,
            std::vector<std::string>(2, "Error Loading Texture: " + directory + "absent.bmp"));
  EXPECT_EQ(host_.liveTextureCount(), 2);
  for (int g = 0; g < 4; ++g) {
    EXPECT_EQ(object->meshList[g]->textures[0].texture != nullptr, g % 2 == 1) << g;
  }
}

TEST_F(ImportNoticesTest, GroupsWithoutTextureOrMaterialKeepWhatTheyCan) {
  // Group 0: material with an empty texture name; group 1: no material; group 2: index beyond the
  // list; group 3: a texture that does not load.
  sObject* object = ImportModel(TexturedModel({0, -1, 9, 1}, {"", "absent.bmp"}));
  ASSERT_NE(object, nullptr);
  const auto info = NoticeTexts(host_, "Info");
  EXPECT_EQ(
      std::count_if(info.begin(), info.end(),
                    [](const std::string& t) { return t.rfind("Error Loading Texture", 0) == 0; }),
      1);
  EXPECT_EQ(object->meshList[0]->usesOwnMaterial, 1);
  EXPECT_FLOAT_EQ(object->meshList[0]->material.Diffuse.r, 0.5f);
  for (int g : {1, 2}) {
    EXPECT_EQ(object->meshList[g]->usesOwnMaterial, 0);
    EXPECT_FLOAT_EQ(object->meshList[g]->material.Diffuse.r, 1.0f);  // the host's default
  }
  EXPECT_EQ(object->meshList[3]->usesOwnMaterial, 1);
  EXPECT_EQ(object->meshList[3]->textures[0].texture, nullptr);
  EXPECT_STREQ(object->meshList[3]->textures[0].name, "");
  EXPECT_EQ(host_.liveTextureCount(), 0);
}

TEST_F(ImportNoticesTest, ModelWithoutMaterialsHasNoTextures) {
  ASSERT_NE(ImportModel(TexturedModel({0}, {})), nullptr);
  const auto info = NoticeTexts(host_, "Info");
  ASSERT_GE(info.size(), 2u);
  EXPECT_EQ(info[info.size() - 2], "No Textures");
}

}  // namespace
}  // namespace korva::testing

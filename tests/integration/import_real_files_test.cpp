// The import on the real model files beside the checkout (../shared/testdata/ms3d), driven through
// the exports on the standalone host.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/exports.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/mesh.h"
#include "model/object.h"
#include "model/texture.h"
#include "standalone/standalone_host.h"

namespace korva::testing {
namespace {

// Bound the way the host binds, importing through the export.
class ImportRealFilesTest : public ::testing::Test {
 protected:
  ImportRealFilesTest() { host_.Bind(); }

  sObject* ImportPath(const std::string& path, int32_t number = 1) {
    LoadMilkshape(korva::ToHostAddress(path.c_str()), number);
    return host_.GetObject(number);
  }

  std::vector<std::string> NoticeTexts(const std::string& caption) const {
    std::vector<std::string> texts;
    for (const standalone::Notice& notice : host_.notices()) {
      if (notice.caption == caption) texts.push_back(notice.text);
    }
    return texts;
  }

  standalone::StandaloneHost host_;
};

std::string RealModel(const std::string& name) {
  return std::string(KORVA_SHARED_DIR) + "/testdata/ms3d/" + name;
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

int CountPrefixed(const std::vector<std::string>& texts, const std::string& prefix) {
  return static_cast<int>(std::count_if(
      texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; }));
}

// Every bone vertex of every mesh names a vertex of that mesh; every index names a vertex.
void ExpectMeshesConsistent(const sObject* object) {
  for (int limb = 0; limb < object->meshCount; ++limb) {
    const sMesh* mesh = object->meshList[limb];
    if (!mesh || mesh->vertexCount == 0) continue;
    for (int i = 0; i < mesh->indexCount; ++i) EXPECT_LT(mesh->indexData[i], mesh->vertexCount);
    for (int b = 0; b < mesh->boneCount; ++b) {
      for (int k = 0; k < mesh->bones[b].vertexCount; ++k) {
        EXPECT_LT(mesh->bones[b].vertices[k], static_cast<uint32_t>(mesh->vertexCount));
      }
    }
  }
}

TEST_F(ImportRealFilesTest, ModelLoadsItsForwardSlashTexture) {
  const std::string path = RealModel("Model.ms3d");
  if (!Exists(path)) GTEST_SKIP() << "no test data at " << path;
  sObject* object = ImportPath(path);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->frameCount, 1 + 9);
  const auto info = NoticeTexts("Info");
  EXPECT_EQ(CountPrefixed(info, "Error Loading Texture"), 0);
  EXPECT_EQ(CountPrefixed(info, "Missing Parent Bone for Bone "), 1);
  EXPECT_EQ(CountPrefixed(info, "Bone Number "), 9);
  EXPECT_EQ(info.back(), "Done Loading MilkShape");
  EXPECT_TRUE(NoticeTexts("Error").empty());

  const sMesh* mesh = object->meshList[0];
  ASSERT_NE(mesh->textures, nullptr);
  EXPECT_NE(mesh->textures[0].texture, nullptr);
  EXPECT_STREQ(mesh->textures[0].name, "data/Wood.bmp");
  EXPECT_EQ(host_.liveTextureCount(), 1);
  EXPECT_EQ(mesh->boneCount, 9);
  EXPECT_EQ(mesh->drawPrimitiveCount, 76);
  ExpectMeshesConsistent(object);

  int tracks = 0;
  for (const sAnimation* t = object->animationSet->firstTrack; t; t = t->next) ++tracks;
  EXPECT_EQ(tracks, 9);
}

TEST_F(ImportRealFilesTest, DophiReportsItsMissingTextureAndKeepsItsMaterial) {
  const std::string path = RealModel("Dophi.ms3d");
  if (!Exists(path)) GTEST_SKIP() << "no test data at " << path;
  sObject* object = ImportPath(path);
  ASSERT_NE(object, nullptr);
  const auto info = NoticeTexts("Info");
  const std::string directory = path.substr(0, path.rfind('/') + 1);
  EXPECT_EQ(
      std::count(info.begin(), info.end(), "Error Loading Texture: " + directory + "\\dolphin.bmp"),
      1);
  EXPECT_EQ(CountPrefixed(info, "Bone Number "), 3);
  EXPECT_EQ(info.back(), "Done Loading MilkShape");

  const sMesh* mesh = object->meshList[0];
  EXPECT_EQ(mesh->usesOwnMaterial, 1);
  EXPECT_EQ(mesh->textures[0].texture, nullptr);
  EXPECT_EQ(mesh->drawPrimitiveCount, 564);
  EXPECT_EQ(host_.liveTextureCount(), 0);
  ExpectMeshesConsistent(object);
}

TEST_F(ImportRealFilesTest, TwoImportsGiveTwoIndependentObjects) {
  const std::string path = RealModel("Model.ms3d");
  if (!Exists(path)) GTEST_SKIP() << "no test data at " << path;
  sObject* first = ImportPath(path, 1);
  ASSERT_NE(first, nullptr);
  sObject* second = ImportPath(path, 2);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first->rootFrame, second->rootFrame);
  EXPECT_NE(first->meshList[0]->bones, second->meshList[0]->bones);
  EXPECT_EQ(first->meshList[0]->boneCount, second->meshList[0]->boneCount);
  EXPECT_TRUE(host_.DeleteObject(1));
  EXPECT_EQ(second->meshList[0]->drawPrimitiveCount, 76);
}

}  // namespace
}  // namespace korva::testing

// The comparer's measures and its walk: a difference it misses or misplaces would let the two
// builds drift apart unseen.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "float_fields.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "notice_lines.h"
#include "standalone/standalone_host.h"
#include "ulp_distance.h"

namespace korva::crosscheck {
namespace {

TEST(UlpDistanceTest, CountsRepresentableFloatsAcrossZero) {
  EXPECT_EQ(UlpDistance(1.0f, 1.0f), 0);
  EXPECT_EQ(UlpDistance(0.0f, -0.0f), 0);
  EXPECT_EQ(UlpDistance(1.0f, std::nextafter(1.0f, 2.0f)), 1);
  const float tiny = std::nextafter(0.0f, 1.0f);
  EXPECT_EQ(UlpDistance(tiny, -tiny), 2);
  EXPECT_EQ(UlpDistance(-1.0f, std::nextafter(-1.0f, -2.0f)), 1);
}

TEST(UlpDistanceTest, ScaledDistanceMeasuresSmallValuesAtUnitScale) {
  EXPECT_NEAR(ScaledUlpDistance(1.0f, std::nextafter(1.0f, 2.0f)), 1.0, 1e-6);
  EXPECT_LT(ScaledUlpDistance(3.9e-7f, 4.7e-7f), 1.0);  // millions of ULPs of the value
  EXPECT_NEAR(ScaledUlpDistance(1024.0f, std::nextafter(1024.0f, 2048.0f)), 1.0, 1e-6);
}

TEST(NoticeLinesTest, EscapesLineBreaksAndNamesTheModelsFolder) {
  EXPECT_EQ(NoticeLine("Info", "Bone Number 0\r\nNumber", "/x/"),
            "Info|Bone Number 0\\r\\nNumber\n");
  EXPECT_EQ(NoticeLine("Info", "Error Loading Texture: Z:/m/\\a.bmp", "Z:/m/"),
            "Info|Error Loading Texture: <models>/\\\\a.bmp\n");
}

// Two frames, each with a mesh; the visitor sees the pairs and their names.
struct Pair {
  Pair() {
    for (sObject*& object : objects) {
      object = NewObject();
      object->rootFrame = NewFrame();
      object->rootFrame->firstChild = NewFrame();
      object->rootFrame->firstChild->mesh = NewMesh();
    }
  }
  ~Pair() {
    for (sObject* object : objects) standalone::StandaloneHost::ReleaseWholeObject(object);
  }
  sObject* objects[2];
};

class Recorder final : public FloatFieldVisitor {
 public:
  void Floats(const char* field, float* first, const float* second, int count) override {
    for (int i = 0; i < count; ++i) {
      if (first[i] != second[i]) differing[field]++;
      first[i] = second[i];
    }
  }
  std::map<std::string, int> differing;
};

TEST(FloatFieldsTest, FindsAndCopiesDifferencesDeepInTheTree) {
  Pair pair;
  pair.objects[1]->rootFrame->firstChild->localMatrix.m[3][1] = 0.5f;
  pair.objects[1]->rootFrame->firstChild->mesh->material.Power = 7.0f;
  Recorder recorder;
  EXPECT_EQ(VisitFloatFields(pair.objects[0], pair.objects[1], recorder), "");
  EXPECT_EQ(recorder.differing,
            (std::map<std::string, int>{{"frame.localMatrix", 1}, {"mesh.material", 1}}));
  EXPECT_EQ(pair.objects[0]->rootFrame->firstChild->localMatrix.m[3][1], 0.5f);
}

TEST(FloatFieldsTest, ReportsAShapeDifferenceInsteadOfPairingUnlikeRecords) {
  Pair pair;
  pair.objects[1]->rootFrame->firstChild->nextSibling = NewFrame();
  Recorder recorder;
  EXPECT_EQ(VisitFloatFields(pair.objects[0], pair.objects[1], recorder),
            "frame present in one file only");
}

}  // namespace
}  // namespace korva::crosscheck

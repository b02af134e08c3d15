// Drives the import the way the host does: a standalone host, bound through ReceiveCoreDataPtr, and
// the LoadMilkshape export with a path and an object number. Models are generated per test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/object.h"
#include "ms3d/ms_model.h"
#include "standalone/standalone_host.h"
#include "support/ms3d_writer.h"

namespace korva::testing {

// Appends a vertex at `position` moved by joint `boneId`.
// Appends a triangle on three model vertices; corner c gets normal (0, 0, c + 1 + normalBase) and
// texture coordinates (0.1 c + uvBase, 0.2 c + uvBase). Returns its index.
uint16_t AddTriangle(msModel& model, uint16_t a, uint16_t b, uint16_t c, float normalBase = 0,
                     float uvBase = 0);
// Appends a group over the given triangles with a material index.
void AddGroup(msModel& model, const std::string& name, std::vector<uint16_t> triangles,
              int8_t materialIndex = -1);
// Appends a joint with a parent name (empty: a root), rest rotation and position.
msJoint& AddJoint(msModel& model, const std::string& name, const std::string& parent, float rx = 0,
                  float ry = 0, float rz = 0, float px = 0, float py = 0, float pz = 0);

// Texts of the notices with the given caption, in order.
std::vector<std::string> NoticeTexts(const standalone::StandaloneHost& host,
                                     const std::string& caption);

// The frame of limb `limb` (host frame list), or null.
sFrame* Limb(const sObject* object, int limb);

class ImportTest : public ::testing::Test {
 protected:
  ImportTest() { host_.Bind(); }

  // Writes the model and imports it as object `number`; returns the object (null on failure).
  sObject* Import(const Ms3dContent& content, int32_t number = 1,
                  const std::string& file = "model.ms3d");
  sObject* ImportModel(const msModel& model, int32_t number = 1);
  // Runs the export on an existing path.
  sObject* ImportPath(const std::string& path, int32_t number = 1);

  standalone::StandaloneHost host_;
};

}  // namespace korva::testing

// Inputs shaped to make memory grow faster than their size stay within the allocation bound.
#include <gtest/gtest.h>

#include <string>

#include "hardening/outcomes.h"
#include "host/exports.h"
#include "standalone/standalone_host.h"
#include "support/ms3d_writer.h"

namespace korva::testing {
namespace {

// Every group mesh gets one 336-byte bone per joint: 300 empty groups and 300 key-less joints take
// 39 KB of file and would take 30 MB of bones.
Ms3dContent ManyGroupsAndJoints(size_t groups, size_t joints) {
  Ms3dContent content;
  content.model.groups.resize(groups);
  for (size_t i = 0; i < groups; ++i)
    SetName(content.model.groups[i].name, "g" + std::to_string(i));
  content.model.joints.resize(joints);
  for (size_t j = 0; j < joints; ++j)
    SetName(content.model.joints[j].name, "j" + std::to_string(j));
  return content;
}

TEST(AllocationBoundTest, ManyEmptyGroupsTimesManyJointsIsRefusedWithinTheBound) {
  const std::string path = ScratchPath("groups_times_joints.ms3d");
  EXPECT_EQ(ImportOutcome(WriteMs3d(ManyGroupsAndJoints(300, 300)), path), "");
  standalone::StandaloneHost host;
  host.Bind();
  LoadMilkshape(korva::ToHostAddress(path.c_str()), 1);
  EXPECT_EQ(host.GetObject(1), nullptr);
}

TEST(AllocationBoundTest, AModestProductOfGroupsAndJointsStillImports) {
  const std::string path = ScratchPath("groups_times_joints.ms3d");
  ASSERT_TRUE(WriteBytes(path, WriteMs3d(ManyGroupsAndJoints(20, 40))));
  standalone::StandaloneHost host;
  host.Bind();
  LoadMilkshape(korva::ToHostAddress(path.c_str()), 1);
  EXPECT_NE(host.GetObject(1), nullptr);
}

// Every joint with keys gets a key at every key frame of the model: 5000 joints keyed at a frame
// each take 545 KB of file and would take 1.2 GB of keys; 200 of them take under 2 MB.
TEST(AllocationBoundTest, JointsKeyedAtFramesOfTheirOwnImportOnlyWithinTheBound) {
  for (const auto& [joints, imports] : {std::pair{size_t{5000}, false}, {size_t{200}, true}}) {
    Ms3dContent content = ManyGroupsAndJoints(1, joints);
    for (size_t j = 0; j < joints; ++j) {
      content.model.joints[j].positionKeys = {{static_cast<float>(j), {0, 0, 0}}};
    }
    const std::string path = ScratchPath("keyed_joints.ms3d");
    EXPECT_EQ(ImportOutcome(WriteMs3d(content), path), "");
    ASSERT_TRUE(WriteBytes(path, WriteMs3d(content)));
    standalone::StandaloneHost host;
    host.Bind();
    LoadMilkshape(korva::ToHostAddress(path.c_str()), 1);
    EXPECT_EQ(host.GetObject(1) != nullptr, imports) << joints;
  }
}

}  // namespace
}  // namespace korva::testing

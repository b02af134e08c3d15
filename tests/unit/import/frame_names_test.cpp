// The names of the group frames: a group never lends its frame a joint's name, in either letter
// case, and the name it gets instead is taken by no other frame.
#include "import/frame_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ms3d_writer.h"

namespace korva::testing {
namespace {

struct FrameNamesCase {
  const char* what;
  std::vector<std::string> groups;
  std::vector<std::string> joints;
  std::vector<std::string> frames;  // expected, per group
};

const FrameNamesCase kCases[] = {
    {"no clash", {"body", "tail"}, {"root", "arm"}, {"body", "tail"}},
    {"same name", {"body", "head"}, {"head"}, {"body", "head_mesh"}},
    {"other letter case", {"Head"}, {"HEAD"}, {"Head_mesh"}},
    {"_mesh taken by a later group", {"head", "HEAD_MESH"}, {"head"}, {"head_mesh2", "HEAD_MESH"}},
    {"_mesh taken by a joint", {"head"}, {"head", "head_mesh"}, {"head_mesh2"}},
    {"two groups of one name",
     {"head", "Head", "head"},
     {"head"},
     {"head_mesh", "Head_mesh2", "head_mesh3"}},
    {"a full name field",
     {std::string(32, 'n')},
     {std::string(32, 'N')},
     {std::string(32, 'n') + "_mesh"}},
};

TEST(GroupFrameNames, NoGroupFrameSharesANameWithAJointOrAnotherRenamedFrame) {
  for (const FrameNamesCase& c : kCases) {
    msModel model;
    for (const std::string& name : c.groups) SetName(model.groups.emplace_back().name, name);
    for (const std::string& name : c.joints) SetName(model.joints.emplace_back().name, name);
    EXPECT_EQ(import::GroupFrameNames(model), c.frames) << c.what;
  }
}

}  // namespace
}  // namespace korva::testing

// The names of the group frames: a group never lends its frame a joint's name, in either letter
// case, and the name it gets instead is taken by no other frame.
#include "import/frame_names.h"

#include <gtest/gtest.h>

#include <iterator>
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

// Many groups and joints: the names are looked up in sorted order rather than compared pairwise.
FrameNamesCase ManyNames(bool clash) {
  FrameNamesCase c{clash ? "many names, one clash" : "many names, no clash", {}, {}, {}};
  for (int i = 0; i < 80; ++i) {
    c.groups.push_back("group" + std::to_string(i));
    c.joints.push_back("joint" + std::to_string(i));
  }
  if (clash) c.joints.back() = "GROUP79";
  c.frames = c.groups;
  if (clash) c.frames.back() = "group79_mesh";
  return c;
}

TEST(GroupFrameNames, NoGroupFrameSharesANameWithAJointOrAnotherRenamedFrame) {
  std::vector<FrameNamesCase> cases(std::begin(kCases), std::end(kCases));
  cases.push_back(ManyNames(false));
  cases.push_back(ManyNames(true));
  for (const FrameNamesCase& c : cases) {
    msModel model;
    for (const std::string& name : c.groups) SetName(model.groups.emplace_back().name, name);
    for (const std::string& name : c.joints) SetName(model.joints.emplace_back().name, name);
    EXPECT_EQ(import::GroupFrameNames(model), c.frames) << c.what;
  }
}

}  // namespace
}  // namespace korva::testing

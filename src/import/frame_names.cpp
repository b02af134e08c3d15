#include "import/frame_names.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "import/import_text.h"

namespace korva::import {
namespace {

// A name's letter case is ASCII's alone: A to Z fold to a to z, every other byte is itself.
char FoldedChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FoldedAscii(std::string text) {
  for (char& c : text) c = FoldedChar(c);
  return text;
}

// Whether the two names are equal ignoring ASCII case.
bool SameFolded(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldedChar(x) == FoldedChar(y);
         });
}

}  // namespace

std::vector<std::string> GroupFrameNames(const msModel& model) {
  std::vector<std::string> names;
  names.reserve(model.groups.size());
  for (const msGroup& group : model.groups) names.push_back(FieldText(group.name, kMsNameSize));
  // Most models name no group as a joint. With few groups each group's name is held against the
  // joints' names where they lie, without a copy; with many, one sorted array of the joints' names
  // tells, without the sets the renaming below needs.
  const auto namesAJoint = [&model](const std::string& name) {
    return std::any_of(model.joints.begin(), model.joints.end(), [&name](const msJoint& joint) {
      return SameFolded(name,
                        std::string_view(joint.name, BoundedNameLength(joint.name, kMsNameSize)));
    });
  };
  constexpr size_t kDirectComparisons = 4096;
  if (names.size() * model.joints.size() <= kDirectComparisons &&
      std::none_of(names.begin(), names.end(), namesAJoint)) {
    return names;
  }
  std::vector<std::string> sortedJointNames;
  sortedJointNames.reserve(model.joints.size());
  for (const msJoint& joint : model.joints) {
    sortedJointNames.push_back(FoldedAscii(FieldText(joint.name, kMsNameSize)));
  }
  std::sort(sortedJointNames.begin(), sortedJointNames.end());
  const auto isJointName = [&sortedJointNames](const std::string& folded) {
    return std::binary_search(sortedJointNames.begin(), sortedJointNames.end(), folded);
  };
  if (std::none_of(names.begin(), names.end(),
                   [&](const std::string& name) { return isJointName(FoldedAscii(name)); })) {
    return names;
  }

  std::unordered_set<std::string> taken(sortedJointNames.begin(), sortedJointNames.end());
  for (const std::string& name : names) taken.insert(FoldedAscii(name));
  // Names once taken stay taken, so each name's search resumes where its last one stopped: many
  // groups of one clashing name cost linear time, not quadratic.
  std::unordered_map<std::string, uint64_t> nextSuffix;
  for (std::string& name : names) {
    const std::string folded = FoldedAscii(name);
    if (!isJointName(folded)) continue;
    uint64_t& suffix = nextSuffix[folded];
    std::string candidate;
    do {
      ++suffix;
      candidate = name + "_mesh" + (suffix == 1 ? std::string() : std::to_string(suffix));
    } while (!taken.insert(FoldedAscii(candidate)).second);
    name = candidate;
  }
  return names;
}

}  // namespace korva::import

#include "import/frame_names.h"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

#include "import/import_text.h"

namespace korva::import {
namespace {

std::string FoldedAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::vector<std::string> GroupFrameNames(const msModel& model) {
  std::unordered_set<std::string> jointNames;
  for (const msJoint& joint : model.joints) {
    jointNames.insert(FoldedAscii(FieldText(joint.name, kMsNameSize)));
  }
  std::vector<std::string> names;
  names.reserve(model.groups.size());
  std::unordered_set<std::string> taken = jointNames;
  for (const msGroup& group : model.groups) {
    names.push_back(FieldText(group.name, kMsNameSize));
    taken.insert(FoldedAscii(names.back()));
  }
  // Names once taken stay taken, so each name's search resumes where its last one stopped: many
  // groups of one clashing name cost linear time, not quadratic.
  std::unordered_map<std::string, uint64_t> nextSuffix;
  for (std::string& name : names) {
    const std::string folded = FoldedAscii(name);
    if (jointNames.count(folded) == 0) continue;
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

#include "commands/hierarchy_repair.h"

#include <vector>

#include "commands/object_lookup.h"
#include "model/frame.h"
#include "model/object.h"

namespace korva::commands {
namespace {

// Frames still to visit. Global so its storage is reused by later calls, as the host calls one
// export at a time.
std::vector<sFrame*> g_workList;

}  // namespace

void RepairFrameParents(sFrame* root) {
  g_workList.clear();
  for (sFrame* frame = root; frame; frame = frame->nextSibling) g_workList.push_back(frame);
  while (!g_workList.empty()) {
    sFrame* parent = g_workList.back();
    g_workList.pop_back();
    for (sFrame* child = parent->firstChild; child; child = child->nextSibling) {
      child->parent = parent;
      g_workList.push_back(child);
    }
  }
}

void RepairObjectHierarchy(int32_t object) {
  const sObject* found = FindObject(object);
  if (found) RepairFrameParents(found->rootFrame);
}

}  // namespace korva::commands

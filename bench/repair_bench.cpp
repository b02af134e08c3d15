// Hierarchy repair on the two extreme shapes of a frame tree: one long chain (every frame the only
// child of the one before) and one wide tree (every frame a child of the root).
#include <string>
#include <vector>

#include "bench_host.h"
#include "bench_registry.h"
#include "host/exports.h"
#include "model/frame.h"

namespace korva::bench {
namespace {

enum class Shape { kChain, kWide };

// Builds the object once per shape and size and hands it to the host; its number, or 0.
int32_t TreeObject(Shape shape, int frames) {
  static std::vector<std::pair<std::pair<Shape, int>, int32_t>> built;
  static int32_t next = 10000;
  for (const auto& entry : built) {
    if (entry.first == std::make_pair(shape, frames)) return entry.second;
  }
  sObject* object = NewObject();
  if (!object) return 0;
  std::vector<sFrame*> all;
  for (int i = 0; i < frames; ++i) {
    sFrame* frame = NewFrame();
    if (!frame) break;
    all.push_back(frame);
  }
  if (all.empty()) return 0;
  object->rootFrame = all[0];
  for (size_t i = 1; i < all.size(); ++i) {
    if (shape == Shape::kChain) {
      all[i - 1]->firstChild = all[i];
    } else if (i == 1) {
      all[0]->firstChild = all[1];
    } else {
      all[i - 1]->nextSibling = all[i];
    }
  }
  const int32_t number = next++;
  if (!Host().AdoptObject(number, object)) return 0;
  built.emplace_back(std::make_pair(shape, frames), number);
  return number;
}

void Repair(benchmark::State& state, Shape shape, int frames) {
  const int32_t number = TreeObject(shape, frames);
  if (number == 0) {
    state.SkipWithError("the frame tree could not be built");
    return;
  }
  TimeEach(
      state, [&] { RepairHierarchy(number); }, [] {});
  Report(state, frames, 0);
}

const bool registered = [] {
  for (int frames : {1000, 10000, 100000}) {
    Register("repair", "chain", frames,
             [frames](benchmark::State& state) { Repair(state, Shape::kChain, frames); });
    Register("repair", "wide", frames,
             [frames](benchmark::State& state) { Repair(state, Shape::kWide, frames); });
  }
  return true;
}();

}  // namespace
}  // namespace korva::bench

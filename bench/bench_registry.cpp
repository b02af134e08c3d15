#include "bench_registry.h"

namespace korva::bench {

const std::vector<int>& Sizes(ModelKind kind) {
  // 32768: the largest single group the peer library accepts (it refuses indices from 32768 on).
  static const std::vector<int> mesh{1024, 4096, 16384, 32768, 65535};
  static const std::vector<int> joints{1, 10, 100, 1000};
  static const std::vector<int> groups{1, 2, 4, 8, 16};
  switch (kind) {
    case ModelKind::kMesh:
      return mesh;
    case ModelKind::kJoints:
      return joints;
    case ModelKind::kGroups:
    case ModelKind::kTextured:
      return groups;
  }
  return mesh;
}

const std::vector<ModelKind>& AllKinds() {
  static const std::vector<ModelKind> kinds{ModelKind::kMesh, ModelKind::kJoints,
                                            ModelKind::kGroups};
  return kinds;
}

int64_t Elements(ModelKind, int size) {
  return size;
}

void Report(benchmark::State& state, int64_t elements, int64_t bytes) {
  state.SetItemsProcessed(state.iterations() * elements);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["elements"] = static_cast<double>(elements);
  state.counters["bytes"] = static_cast<double>(bytes);
}

}  // namespace korva::bench

// MS3D reading alone and the whole import on the standalone host, beside the peer library's import
// of the same files (no post-processing steps).
#include <memory>
#include <string>

#include "bench_host.h"
#include "bench_registry.h"
#include "ms3d/ms_model.h"

#ifdef KORVA_BENCH_PEER
#include "peer_read.h"
#endif

namespace korva::bench {
namespace {

void ReadAlone(benchmark::State& state, ModelKind kind, int size) {
  const ModelFile& file = GetModelFile(kind, size);
  std::unique_ptr<msModel> model;
  bool loaded = true;
  TimeEach(
      state,
      [&] {
        model = std::make_unique<msModel>();
        loaded = model->LoadFromFile(file.path.c_str()) && loaded;
      },
      [&] { model.reset(); });
  if (!loaded) state.SkipWithError("the model did not load");
  Report(state, Elements(kind, size), static_cast<int64_t>(file.bytes));
}

void WholeImport(benchmark::State& state, ModelKind kind, int size) {
  const ModelFile& file = GetModelFile(kind, size);
  standalone::StandaloneHost& host = Host();
  bool imported = true;
  TimeEach(
      state, [&] { imported = ImportFile(file.path.c_str(), kScratchObject) && imported; },
      [&] { host.DeleteObject(kScratchObject); });
  if (!imported) state.SkipWithError("the import failed");
  Report(state, Elements(kind, size), static_cast<int64_t>(file.bytes));
}

#ifdef KORVA_BENCH_PEER
void PeerImport(benchmark::State& state, ModelKind kind, int size) {
  const ModelFile& file = GetModelFile(kind, size);
  Assimp::Importer importer;
  std::string error;
  TimeEach(
      state, [&] { PeerRead(importer, file.path, error); }, [&] { importer.FreeScene(); });
  if (!error.empty()) state.SkipWithError(error.c_str());
  Report(state, Elements(kind, size), static_cast<int64_t>(file.bytes));
}
#endif

const bool registered = [] {
  for (ModelKind kind : AllKinds()) {
    for (int size : Sizes(kind)) {
      Register("ms3d_read", KindName(kind), size,
               [kind, size](benchmark::State& state) { ReadAlone(state, kind, size); });
      Register("import", KindName(kind), size,
               [kind, size](benchmark::State& state) { WholeImport(state, kind, size); });
#ifdef KORVA_BENCH_PEER
      Register("peer_import", KindName(kind), size,
               [kind, size](benchmark::State& state) { PeerImport(state, kind, size); });
#endif
    }
  }
  return true;
}();

}  // namespace
}  // namespace korva::bench

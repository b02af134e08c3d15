// glTF export of the imported objects (document built, serialised and written as .glb), beside
// save_dbo of the same objects: `korva export` and `korva convert` differ only in this half.
#include <cstdio>
#include <string>
#include <vector>

#include "bench_host.h"
#include "bench_registry.h"
#include "gltf/export/gltf_export.h"

namespace korva::bench {
namespace {

void ExportGlb(benchmark::State& state, ModelKind kind, int size) {
  const sObject* object = ImportedObject(kind, size);
  if (!object) {
    state.SkipWithError("no object to export");
    return;
  }
  const std::string path =
      ScratchPath(std::string(KindName(kind)) + "-" + std::to_string(size) + ".glb");
  bool written = true;
  int64_t bytes = 0;
  TimeEach(
      state,
      [&] {
        gltf::GltfAsset asset = gltf::BuildGltf(*object, {}, nullptr);
        std::vector<gltf::OutputFile> files;
        std::string error;
        written = gltf::SerializeGltf(&asset, path, &files, &error) && written;
        for (const gltf::OutputFile& file : files) {
          FILE* out = std::fopen(file.path.c_str(), "wb");
          written =
              out &&
              std::fwrite(file.bytes.data(), 1, file.bytes.size(), out) == file.bytes.size() &&
              written;
          if (out) std::fclose(out);
          bytes = static_cast<int64_t>(file.bytes.size());
        }
      },
      [] {});
  std::remove(path.c_str());
  if (!written) state.SkipWithError("the export failed");
  Report(state, Elements(kind, size), bytes);
}

const bool registered = [] {
  for (ModelKind kind : AllKinds()) {
    for (int size : Sizes(kind)) {
      Register("export_glb", KindName(kind), size,
               [kind, size](benchmark::State& state) { ExportGlb(state, kind, size); });
    }
  }
  return true;
}();

}  // namespace
}  // namespace korva::bench

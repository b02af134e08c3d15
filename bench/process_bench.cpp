// Whole processes, as a user runs them: `korva convert`, `korva info` and `korva check` of one
// model beside a small program importing it with the peer library, and the cost of starting a
// program at all (`/bin/true`, `korva --version`). Each iteration runs the six in turn, so a
// change of load on the machine touches all of them alike. The iteration's time is
// that of `korva convert`; each program's own mean is a counter. The glTF cases do the same with
// .glb assets the exporter makes of generated models: a skinned, animated one of about 2 MB and a
// static one of about 20 MB.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "bench_registry.h"
#if KORVA_BENCH_GLTF
#include <cstdio>
#include <cstring>

#include "bench_host.h"
#include "gltf/export/gltf_export.h"
#include "model/frame.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#endif

extern char** environ;

namespace korva::bench {
namespace {

#if defined(KORVA_BENCH_KORVA) && defined(KORVA_BENCH_PEER_PROGRAM)

// Runs the program with its output discarded; its wall time in seconds, negative when it failed.
double RunProcess(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  int status = 0;
  const bool waited = spawned == 0 && waitpid(child, &status, 0) == child;
  const auto stop = std::chrono::steady_clock::now();
  posix_spawn_file_actions_destroy(&actions);
  if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  return std::chrono::duration<double>(stop - start).count();
}

#if KORVA_BENCH_GLTF
// A static object too large for an MS3D model: `meshes` frames side by side, each with a grid of
// 256 x 240 vertices (position, normal, colour, texture coordinates) as a triangle list.
sObject* StaticGridObject(int meshes) {
  sObject* object = NewObject();
  constexpr int kColumns = 256, kRows = 240;
  constexpr uint32_t kFvf = 0x152, kSize = 36;
  sFrame** link = &object->rootFrame;
  for (int m = 0; m < meshes; ++m) {
    sFrame* frame = NewFrame();
    std::snprintf(frame->name, sizeof frame->name, "grid%d", m);
    frame->localMatrix.m[3][0] = static_cast<float>(m * kColumns);
    *link = frame;
    link = &frame->nextSibling;
    sMesh* mesh = NewMesh();
    frame->mesh = mesh;
    mesh->fvf = kFvf;
    mesh->vertexSize = kSize;
    mesh->vertexCount = kColumns * kRows;
    mesh->indexCount = (kColumns - 1) * (kRows - 1) * 6;
    mesh->vertexData = static_cast<uint8_t*>(HostAllocateZeroed(mesh->vertexCount, kSize));
    mesh->indexData = static_cast<uint16_t*>(HostAllocateZeroed(mesh->indexCount, 2));
    for (int v = 0; v < mesh->vertexCount; ++v) {
      const float x = static_cast<float>(v % kColumns), y = static_cast<float>(v / kColumns);
      const float vertex[9] = {x, y, 0.01f * x * y, 0, 0, -1, 0, x / kColumns, y / kRows};
      std::memcpy(mesh->vertexData + v * kSize, vertex, 24);
      const uint32_t white = 0xFFFFFFFFu;
      std::memcpy(mesh->vertexData + v * kSize + 24, &white, 4);
      std::memcpy(mesh->vertexData + v * kSize + 28, vertex + 7, 8);
    }
    uint16_t* index = mesh->indexData;
    for (int r = 0; r + 1 < kRows; ++r) {
      for (int c = 0; c + 1 < kColumns; ++c) {
        const uint16_t a = static_cast<uint16_t>(r * kColumns + c), b = a + 1,
                       d = static_cast<uint16_t>(a + kColumns), e = d + 1;
        for (uint16_t corner : {a, d, b, b, d, e}) *index++ = corner;
      }
    }
    mesh->drawVertexCount = mesh->vertexCount;
    mesh->drawPrimitiveCount = mesh->indexCount / 3;
  }
  return object;
}

// The object of that model exported as .glb (once per run): the imported MS3D model, or for
// kGroups the static grids (size: meshes); an empty path when it could not be made.
ModelFile GlbFile(ModelKind kind, int size) {
  ModelFile file;
  sObject* grids = kind == ModelKind::kGroups ? StaticGridObject(size) : nullptr;
  const sObject* object = grids ? grids : ImportedObject(kind, size);
  if (!object) return file;
  gltf::GltfAsset asset = gltf::BuildGltf(*object, {}, nullptr);
  if (grids) {
    ReleaseObjectRecords(grids);
    HostFree(grids);
  }
  const std::string path =
      ScratchPath(std::string("asset-") + KindName(kind) + "-" + std::to_string(size) + ".glb");
  std::vector<gltf::OutputFile> files;
  std::string error;
  if (!gltf::SerializeGltf(&asset, path, &files, &error) || files.size() != 1) return file;
  FILE* out = std::fopen(path.c_str(), "wb");
  const std::vector<uint8_t>& bytes = files.back().bytes;
  const bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out && std::fclose(out) != 0) return file;
  if (written) file = {path, bytes.size()};
  return file;
}
#endif

void WholeProcesses(benchmark::State& state, ModelKind kind, int size, bool glb = false) {
#if KORVA_BENCH_GLTF
  static std::map<std::pair<ModelKind, int>, ModelFile> assets;
  if (glb && !assets.count({kind, size})) assets[{kind, size}] = GlbFile(kind, size);
  const ModelFile& file = glb ? assets[{kind, size}] : GetModelFile(kind, size);
  if (file.path.empty()) {
    state.SkipWithError("the .glb asset could not be made");
    return;
  }
#else
  const ModelFile& file = GetModelFile(kind, size);
#endif
  const std::string output = ScratchPath("process.dbo");
  const std::vector<std::vector<std::string>> programs{
      {KORVA_BENCH_KORVA, "convert", "-q", file.path, "-o", output},
      {KORVA_BENCH_PEER_PROGRAM, file.path},
      {KORVA_BENCH_KORVA, "info", file.path},
      {KORVA_BENCH_KORVA, "check", file.path},
      {"/bin/true"},
      {KORVA_BENCH_KORVA, "--version"}};
  const char* names[] = {"convert_us", "peer_us", "info_us", "check_us", "true_us", "version_us"};
  double totals[6] = {};
  for (auto _ : state) {
    for (size_t i = 0; i < programs.size(); ++i) {
      const double seconds = RunProcess(programs[i]);
      if (seconds < 0) {
        state.SkipWithError((programs[i][0] + " failed on " + file.path).c_str());
        return;
      }
      totals[i] += seconds * 1e6;
      if (i == 0) state.SetIterationTime(seconds);
    }
  }
  for (size_t i = 0; i < programs.size(); ++i) {
    state.counters[names[i]] = totals[i] / static_cast<double>(state.iterations());
  }
  Report(state, Elements(kind, size), static_cast<int64_t>(file.bytes));
}

// About 10 KB to 2 MB; joints/80 is a skinned, animated model of 80 joints with 100 keys a track;
// textured/4 names four 512 x 512 textures beside it.
const bool registered = [] {
  const std::pair<ModelKind, int> models[] = {{ModelKind::kMesh, 64},    {ModelKind::kMesh, 1024},
                                              {ModelKind::kJoints, 80},  {ModelKind::kGroups, 4},
                                              {ModelKind::kTextured, 4}, {ModelKind::kMesh, 16384}};
  for (const auto& [kind, size] : models) {
    Register("process", KindName(kind), size, [kind = kind, size = size](benchmark::State& state) {
      WholeProcesses(state, kind, size);
    })->Iterations(20);
  }
#if KORVA_BENCH_GLTF
  // joints/400: skinned and animated, about 2 MB as .glb; groups/7: seven static grids of 61440
  // vertices, about 20 MB.
  const std::pair<ModelKind, int> assets[] = {{ModelKind::kJoints, 400}, {ModelKind::kGroups, 7}};
  for (const auto& [kind, size] : assets) {
    Register("process_glb", kind == ModelKind::kGroups ? "grids" : KindName(kind), size,
             [kind = kind, size = size](benchmark::State& state) {
               WholeProcesses(state, kind, size, true);
             })
        ->Iterations(10);
  }
#endif
  return true;
}();

#endif

}  // namespace
}  // namespace korva::bench

#include "real_models_bench.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>

#include "allocation_count.h"
#include "bench_host.h"
#include "bench_registry.h"
#include "dbo/result_codes.h"
#include "host/exports.h"
#include "ms3d/ms_model.h"

#ifdef KORVA_BENCH_PEER
#include "peer_read.h"
#endif

namespace korva::bench {
namespace {

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The file's name without folder and extension, with a number added when another model took it.
std::string UniqueName(const std::string& path) {
  static std::map<std::string, int> taken;
  std::string name = path.substr(path.find_last_of('/') + 1);
  name = name.substr(0, name.find_last_of('.'));
  if (name.empty()) name = "model";
  std::replace(name.begin(), name.end(), ' ', '_');
  const int seen = taken[name]++;
  return seen == 0 ? name : name + "_" + std::to_string(seen + 1);
}

struct RealModel {
  std::string name;
  std::string path;     // the copy in the scratch directory
  std::string dboPath;  // the imported object saved there
  size_t bytes = 0;
  // What the model holds, for the table.
  size_t vertices = 0, groups = 0, joints = 0, keys = 0;
};

size_t SavedDbo(const RealModel& model);

// Runs `work` once per iteration as TimeEach does, and adds allocations, bytes asked for and minor
// page faults per iteration (of the work and of undoing it) as counters.
template <class Work, class After>
void TimeAndCount(benchmark::State& state, Work work, After after) {
  const MemoryCounts before = ReadMemoryCounts();
  TimeEach(state, work, after);
  const MemoryCounts after_ = ReadMemoryCounts();
  const double runs =
      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["allocations"] =
      static_cast<double>(after_.allocations - before.allocations) / runs;
  state.counters["allocated_bytes"] =
      static_cast<double>(after_.allocatedBytes - before.allocatedBytes) / runs;
  state.counters["minor_faults"] =
      static_cast<double>(after_.minorFaults - before.minorFaults) / runs;
}

void Describe(benchmark::State& state, const RealModel& model, size_t bytes) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["vertices"] = static_cast<double>(model.vertices);
  state.counters["groups"] = static_cast<double>(model.groups);
  state.counters["joints"] = static_cast<double>(model.joints);
  state.counters["keys"] = static_cast<double>(model.keys);
}

// Waits until the folder's last change lies more than two whole seconds back. A game's models and
// textures were put in their folders long before it runs; the host reads a folder changed within
// the last two seconds anew at each lookup of a name that is not there as written (a second change
// within the time stamps' granularity could go unseen), and a scratch folder made moments ago
// would time that instead.
void WaitUntilSettled(const std::string& path) {
  const std::string folder = path.substr(0, path.find_last_of('/'));
  struct stat status;
  if (stat(folder.c_str(), &status) != 0) return;
  while (time(nullptr) <= status.st_ctim.tv_sec + 2) usleep(100000);
}

void Import(benchmark::State& state, const RealModel& model) {
  WaitUntilSettled(model.path);
  standalone::StandaloneHost& host = Host();
  bool imported = true;
  TimeAndCount(
      state, [&] { imported = ImportFile(model.path.c_str(), kScratchObject) && imported; },
      [&] { host.DeleteObject(kScratchObject); });
  if (!imported) state.SkipWithError("the import failed");
  Describe(state, model, model.bytes);
}

#ifdef KORVA_BENCH_PEER
void PeerImport(benchmark::State& state, const RealModel& model) {
  Assimp::Importer importer;
  std::string error;
  TimeAndCount(
      state, [&] { PeerRead(importer, model.path, error); }, [&] { importer.FreeScene(); });
  if (!error.empty()) state.SkipWithError(error.c_str());
  Describe(state, model, model.bytes);
}
#endif

void LoadDbo(benchmark::State& state, const RealModel& model) {
  const size_t dboBytes = SavedDbo(model);
  if (dboBytes == 0) return state.SkipWithError("the model does not import");
  std::string path = model.dboPath;
  sObject* object = nullptr;
  bool loaded = true;
  TimeAndCount(
      state, [&] { loaded = LoadDBOEx(&path[0], &object) == dbo::kLoadSucceeded && loaded; },
      [&] {
        standalone::StandaloneHost::ReleaseWholeObject(object);
        object = nullptr;
      });
  if (!loaded) state.SkipWithError("the load failed");
  Describe(state, model, dboBytes);
}

// The floor for loading: the DBO file's bytes copied into memory already in use.
void Memcpy(benchmark::State& state, const RealModel& model) {
  const size_t dboBytes = SavedDbo(model);
  if (dboBytes == 0) return state.SkipWithError("the model does not import");
  const std::vector<uint8_t> source = ReadWholeFile(model.dboPath);
  std::vector<uint8_t> target(source.size());
  TimeAndCount(
      state,
      [&] {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::ClobberMemory();
      },
      [] {});
  Describe(state, model, dboBytes);
}

// Copies the model beside the generated ones and reads what it holds; false with `error` set when
// the model cannot be used.
bool Prepare(const std::string& source, RealModel& model, std::string& error) {
  const std::vector<uint8_t> bytes = ReadWholeFile(source);
  if (bytes.empty()) {
    error = "cannot read " + source;
    return false;
  }
  // A folder of its own: a texture the model names is looked for there, among no other files.
  const std::string folder = ScratchPath("real-" + model.name);
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    error = "cannot create " + folder;
    return false;
  }
  model.path = folder + "/" + model.name + ".ms3d";
  // Outside the model's folder, which nothing changes once the model is there.
  model.dboPath = folder + ".dbo";
  model.bytes = bytes.size();
  if (!WriteWholeFile(model.path, bytes)) {
    error = "cannot write " + model.path;
    return false;
  }
  msModel read;
  if (!read.LoadFromMemory(bytes.data(), bytes.size())) {
    error = source + " is not a readable MS3D model";
    return false;
  }
  model.vertices = read.vertices.size();
  model.groups = read.groups.size();
  model.joints = read.joints.size();
  for (const msJoint& joint : read.joints) {
    model.keys += joint.rotationKeys.size() + joint.positionKeys.size();
  }
  return true;
}

// The imported object saved beside the model, made on first use so that the import benchmarks
// measure the only import of their run; its length, 0 when the model does not import.
size_t SavedDbo(const RealModel& model) {
  static std::map<std::string, size_t> saved;
  const auto found = saved.find(model.dboPath);
  if (found != saved.end()) return found->second;
  const int32_t number = 90000;
  sObject* object = ImportFile(model.path.c_str(), number);
  std::string path = model.dboPath;
  const bool written = object && SaveDBOEx(&path[0], object) == dbo::kSaveSucceeded;
  Host().DeleteObject(number);
  return saved[model.dboPath] = written ? ReadWholeFile(model.dboPath).size() : 0;
}

template <class Body>
void RegisterReal(const std::string& operation, const std::string& name, Body body) {
  benchmark::RegisterBenchmark((operation + "/" + name).c_str(), body)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond);
}

}  // namespace

std::vector<std::string> DefaultRealModels() {
  std::vector<std::string> paths;
  for (const char* folder : {KORVA_BENCH_SHARED_MODELS, KORVA_BENCH_EXAMPLES}) {
    std::vector<std::string> found;
    if (DIR* directory = opendir(folder)) {
      while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".ms3d") == 0) {
          found.push_back(std::string(folder) + "/" + name);
        }
      }
      closedir(directory);
    }
    std::sort(found.begin(), found.end());
    paths.insert(paths.end(), found.begin(), found.end());
  }
  return paths;
}

void RegisterRealModels(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    RealModel model;
    model.name = UniqueName(path);
    std::string error;
    if (!Prepare(path, model, error)) {
      RegisterReal("real_import", model.name,
                   [error](benchmark::State& state) { state.SkipWithError(error.c_str()); });
      continue;
    }
    RegisterReal("real_import", model.name,
                 [model](benchmark::State& state) { Import(state, model); });
#ifdef KORVA_BENCH_PEER
    RegisterReal("real_peer_import", model.name,
                 [model](benchmark::State& state) { PeerImport(state, model); });
#endif
    RegisterReal("real_load_dbo", model.name,
                 [model](benchmark::State& state) { LoadDbo(state, model); });
    RegisterReal("real_memcpy", model.name,
                 [model](benchmark::State& state) { Memcpy(state, model); });
  }
}

}  // namespace korva::bench

// DBO conversions both ways and the object files on a memory file system, for imported objects;
// memcpy of the same number of bytes is the floor the conversions are held against.
#include <cstring>
#include <string>
#include <vector>

#include "bench_host.h"
#include "bench_registry.h"
#include "dbo/result_codes.h"
#include "host/exports.h"
#include "model/host_heap.h"

namespace korva::bench {
namespace {

uint8_t* AsBytes(HostAddress address) {
  return FromHostAddress<uint8_t>(address);
}

// The block of the imported object, made once per model and kept for the run.
struct KeptBlock {
  HostAddress address = 0;
  uint32_t size = 0;
};

bool BlockOf(ModelKind kind, int size, KeptBlock* kept) {
  sObject* object = ImportedObject(kind, size);
  if (!object) return false;
  static std::vector<std::pair<const sObject*, KeptBlock>> blocks;
  for (const auto& entry : blocks) {
    if (entry.first == object) {
      *kept = entry.second;
      return true;
    }
  }
  KeptBlock block;
  if (!DBOConvertObjectToBlock(object, &block.address, &block.size)) return false;
  blocks.emplace_back(object, block);
  *kept = block;
  return true;
}

void ToBlock(benchmark::State& state, ModelKind kind, int size) {
  sObject* object = ImportedObject(kind, size);
  KeptBlock kept;
  if (!object || !BlockOf(kind, size, &kept)) {
    state.SkipWithError("no object to convert");
    return;
  }
  HostAddress block = 0;
  uint32_t length = 0;
  bool converted = true;
  TimeEach(
      state, [&] { converted = DBOConvertObjectToBlock(object, &block, &length) && converted; },
      [&] { HostFree(AsBytes(block)); });
  if (!converted) state.SkipWithError("the conversion failed");
  Report(state, Elements(kind, size), kept.size);
}

void ToObject(benchmark::State& state, ModelKind kind, int size) {
  KeptBlock kept;
  if (!BlockOf(kind, size, &kept)) {
    state.SkipWithError("no block to convert");
    return;
  }
  sObject* object = nullptr;
  bool converted = true;
  TimeEach(
      state,
      [&] { converted = DBOConvertBlockToObject(kept.address, kept.size, &object) && converted; },
      [&] {
        standalone::StandaloneHost::ReleaseWholeObject(object);
        object = nullptr;
      });
  if (!converted) state.SkipWithError("the conversion failed");
  Report(state, Elements(kind, size), kept.size);
}

void Memcpy(benchmark::State& state, ModelKind kind, int size) {
  KeptBlock kept;
  if (!BlockOf(kind, size, &kept)) {
    state.SkipWithError("no block to copy");
    return;
  }
  std::vector<uint8_t> target(kept.size);
  const uint8_t* source = AsBytes(kept.address);
  TimeEach(
      state,
      [&] {
        std::memcpy(target.data(), source, kept.size);
        benchmark::ClobberMemory();
      },
      [] {});
  Report(state, Elements(kind, size), kept.size);
}

// A fresh block of the same length from the host heap, filled by memcpy: the floor for anything
// that hands out a new block (its first touch of new pages included).
void AllocateAndMemcpy(benchmark::State& state, ModelKind kind, int size) {
  KeptBlock kept;
  if (!BlockOf(kind, size, &kept)) {
    state.SkipWithError("no block to copy");
    return;
  }
  const uint8_t* source = AsBytes(kept.address);
  void* target = nullptr;
  TimeEach(
      state,
      [&] {
        target = HostAllocate(kept.size);
        if (target) std::memcpy(target, source, kept.size);
        benchmark::ClobberMemory();
      },
      [&] { HostFree(target); });
  Report(state, Elements(kind, size), kept.size);
}

std::string FilePath(ModelKind kind, int size) {
  return ScratchPath(std::string(KindName(kind)) + "-" + std::to_string(size) + ".dbo");
}

void SaveFile(benchmark::State& state, ModelKind kind, int size) {
  sObject* object = ImportedObject(kind, size);
  KeptBlock kept;
  if (!object || !BlockOf(kind, size, &kept)) {
    state.SkipWithError("no object to save");
    return;
  }
  std::string path = FilePath(kind, size);
  bool saved = true;
  TimeEach(
      state, [&] { saved = SaveDBOEx(&path[0], object) == dbo::kSaveSucceeded && saved; }, [] {});
  if (!saved) state.SkipWithError("the save failed");
  Report(state, Elements(kind, size), kept.size);
}

void LoadFile(benchmark::State& state, ModelKind kind, int size) {
  sObject* saved = ImportedObject(kind, size);
  KeptBlock kept;
  std::string path = FilePath(kind, size);
  if (!saved || !BlockOf(kind, size, &kept) || SaveDBOEx(&path[0], saved) != dbo::kSaveSucceeded) {
    state.SkipWithError("no file to load");
    return;
  }
  sObject* object = nullptr;
  bool loaded = true;
  TimeEach(
      state, [&] { loaded = LoadDBOEx(&path[0], &object) == dbo::kLoadSucceeded && loaded; },
      [&] {
        standalone::StandaloneHost::ReleaseWholeObject(object);
        object = nullptr;
      });
  if (!loaded) state.SkipWithError("the load failed");
  Report(state, Elements(kind, size), kept.size);
}

const bool registered = [] {
  for (ModelKind kind : AllKinds()) {
    for (int size : Sizes(kind)) {
      const char* name = KindName(kind);
      Register("dbo_to_block", name, size,
               [kind, size](benchmark::State& state) { ToBlock(state, kind, size); });
      Register("dbo_to_object", name, size,
               [kind, size](benchmark::State& state) { ToObject(state, kind, size); });
      Register("peer_memcpy", name, size,
               [kind, size](benchmark::State& state) { Memcpy(state, kind, size); });
      Register("peer_alloc_memcpy", name, size,
               [kind, size](benchmark::State& state) { AllocateAndMemcpy(state, kind, size); });
      Register("save_dbo", name, size,
               [kind, size](benchmark::State& state) { SaveFile(state, kind, size); });
      Register("load_dbo", name, size,
               [kind, size](benchmark::State& state) { LoadFile(state, kind, size); });
    }
  }
  return true;
}();

}  // namespace
}  // namespace korva::bench

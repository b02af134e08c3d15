// Shared shape of every benchmark: sizes per model kind, names "<operation>/<kind>/<size>", manual
// timing of the measured call alone (set-up and release stay outside), and the counters the
// results script reads.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "bench_models.h"

namespace korva::bench {

// Sizes of each kind: vertices of the single group, joints, groups.
const std::vector<int>& Sizes(ModelKind kind);
const std::vector<ModelKind>& AllKinds();

// Elements a model of that kind and size holds, for the time per element.
int64_t Elements(ModelKind kind, int size);

// Registers `body` as "<operation>/<kind>/<size>" with manual time in microseconds.
template <class Body>
benchmark::internal::Benchmark* Register(const std::string& operation, const std::string& kind,
                                         int size, Body body) {
  const std::string name = operation + "/" + kind + "/" + std::to_string(size);
  return benchmark::RegisterBenchmark(name.c_str(), body)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond);
}

// Runs `work` once per iteration, timing only it; `after` (untimed) undoes what it made.
template <class Work, class After>
void TimeEach(benchmark::State& state, Work work, After after) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    after();
  }
}

// Throughput and the two counters the results script uses.
void Report(benchmark::State& state, int64_t elements, int64_t bytes);

}  // namespace korva::bench

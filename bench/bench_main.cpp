// korva_bench [Google Benchmark options] [MODEL.ms3d ...]: the generated models' benchmarks, and
// those of the real models: the shared test models, the bundled examples and every model named on the command line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "real_models_bench.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<std::string> models = korva::bench::DefaultRealModels();
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--", 0) == 0) {
      std::fprintf(stderr, "korva_bench: unknown option %s\n", argv[i]);
      return 2;
    }
    models.push_back(argument);
  }
  korva::bench::RegisterRealModels(models);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

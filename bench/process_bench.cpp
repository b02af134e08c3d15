// Whole processes, as a user runs them: `korva convert`, `korva info` and `korva check` of one
// model beside a small program importing it with the peer library. Each iteration runs the four
// in turn, so a change of load on the machine touches all of them alike. The iteration's time is
// that of `korva convert`; each program's own mean is a counter.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench_registry.h"

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

void WholeProcesses(benchmark::State& state, ModelKind kind, int size) {
  const ModelFile& file = GetModelFile(kind, size);
  const std::string output = ScratchPath("process.dbo");
  const std::vector<std::vector<std::string>> programs{
      {KORVA_BENCH_KORVA, "convert", "-q", file.path, "-o", output},
      {KORVA_BENCH_PEER_PROGRAM, file.path},
      {KORVA_BENCH_KORVA, "info", file.path},
      {KORVA_BENCH_KORVA, "check", file.path}};
  const char* names[] = {"convert_us", "peer_us", "info_us", "check_us"};
  double totals[4] = {};
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

// About 10 KB to 2 MB; joints/80 is a skinned, animated model of 80 joints with 100 keys a track.
const bool registered = [] {
  const std::pair<ModelKind, int> models[] = {{ModelKind::kMesh, 64},
                                              {ModelKind::kMesh, 1024},
                                              {ModelKind::kJoints, 80},
                                              {ModelKind::kGroups, 4},
                                              {ModelKind::kMesh, 16384}};
  for (const auto& [kind, size] : models) {
    Register("process", KindName(kind), size, [kind = kind, size = size](benchmark::State& state) {
      WholeProcesses(state, kind, size);
    })->Iterations(20);
  }
  return true;
}();

#endif

}  // namespace
}  // namespace korva::bench

// What `convert` and `export` share: one output per input, checked before anything is written,
// and a run over every input that goes on past a failure and reports as a batch.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/host_session.h"

namespace korva::cli {

// One input with `output` given: that file. Otherwise each input's path with `extension` (".dbo"),
// inside the folder `output` when several inputs name one (the folder must exist). Throws
// CliError when two inputs would be written to one file (usage) or the folder is missing.
std::vector<std::string> BatchOutputPaths(const std::vector<std::string>& inputs,
                                          const std::string& output, const std::string& extension);

struct BatchFileResult {
  uint64_t size = 0;                  // bytes written
  std::vector<std::string> warnings;  // printed as "korva: warning: <line>" after the notices
};

// Runs `each(i)` for every input in order, with progress on a terminal stderr unless `quiet`.
// After a file succeeds its notices and warnings print; after one fails (any exception, which
// becomes a CliError naming the input) they are
// dropped, every object of the session is released and the batch goes on. All succeeded: one
// "OUT written (N bytes) from IN" line each on stdout and kExitSuccess. Otherwise those lines go
// to stderr, every failure but the last is printed, and the last is thrown for main to print.
int RunBatch(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
             bool quiet, HostSession& session,
             const std::function<BatchFileResult(size_t index)>& each);

}  // namespace korva::cli

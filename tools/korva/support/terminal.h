// Whether a stream is an interactive terminal (progress is shown there, never in a pipe or a log).
#pragma once

#include <cstdio>

namespace korva::cli {

bool IsTerminal(FILE* stream);

}  // namespace korva::cli

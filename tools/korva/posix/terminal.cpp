#include "support/terminal.h"

#include <unistd.h>

namespace korva::cli {

bool IsTerminal(FILE* stream) {
  return stream && isatty(fileno(stream)) == 1;
}

}  // namespace korva::cli

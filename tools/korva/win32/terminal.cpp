#include "support/terminal.h"

#include <io.h>

namespace korva::cli {

bool IsTerminal(FILE* stream) {
  return stream && _isatty(_fileno(stream)) != 0;
}

}  // namespace korva::cli

// Binding the plug-in linked into the same program. Kept apart from the rest of the host so a
// program that loads the plug-in as a library (and binds it through the library's own export)
// links the host without a second copy of the plug-in.
#include "host/exports.h"
#include "standalone/host_state.h"
#include "standalone/standalone_host.h"

namespace korva::standalone {

void StandaloneHost::Bind() {
  ReceiveCoreDataPtr(state_->core);
}

}  // namespace korva::standalone

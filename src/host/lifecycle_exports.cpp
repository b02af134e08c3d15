#include "host/binding/plugin_state.h"
#include "host/export_guard.h"
#include "host/exports.h"

using korva::Guarded;

extern "C" {

void ReceiveCoreDataPtr(void* coreData) {
  Guarded([&] { korva::BindHost(static_cast<korva::CoreData*>(coreData)); });
}

void RefreshD3D(int32_t mode) {
  if (mode != 1) return;
  Guarded([] { korva::RebindHost(); });
}

int32_t GetAssociatedDLLs() {
  return 2;
}

void Destructor() {}

}  // extern "C"

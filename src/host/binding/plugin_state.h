// The plug-in's global state: one instance per loaded library, all zero at load. The host calls
// one export at a time, so it is unguarded.
#pragma once

#include "host/binding/core_data.h"
#include "host/binding/host_api.h"

namespace korva {

struct PluginState {
  CoreData* coreData = nullptr;  // null until ReceiveCoreDataPtr
  HostApi api{};                 // entries null until resolved
  void* device = nullptr;        // the host's IDirect3DDevice9; no reference taken
};

extern PluginState g_plugin;

// Stores the core data pointer, resolves the host functions and fetches the device.
void BindHost(CoreData* coreData);

// Resolves the host functions and fetches the device again from the stored core data pointer.
void RebindHost();

}  // namespace korva

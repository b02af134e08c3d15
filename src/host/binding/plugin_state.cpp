#include "host/binding/plugin_state.h"

namespace korva {

PluginState g_plugin;

void RebindHost() {
  if (!g_plugin.coreData) return;
  ResolveHostApi(*g_plugin.coreData, g_plugin.api);
  // An unresolved device function leaves the device null rather than calling through null.
  g_plugin.device = g_plugin.api.GetDirect3DDevice ? g_plugin.api.GetDirect3DDevice() : nullptr;
}

void BindHost(CoreData* coreData) {
  g_plugin.coreData = coreData;
  RebindHost();
}

}  // namespace korva

// One fixed run of every script command on an imported object, written down as text: each query
// over every limb, bone and track (and one past each end), then every setter followed by what it
// changed. Both builds run it on the same model; their texts must be identical.
#pragma once

#include <cstdint>
#include <string>

#include "plugin_commands.h"

namespace korva::crosscheck {

// Runs the script on object `object` (which must exist) and returns its text; changes the
// object's materials, vertex colours and parent links.
std::string RunCommandScript(const PluginCommands& commands, int32_t object);

}  // namespace korva::crosscheck

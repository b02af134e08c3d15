#include <algorithm>

#include "commands/subcommand.h"

namespace korva::cli {
namespace {

// A function-local static: registrations run during static initialisation of other files, so the
// list must exist before any of them, whatever the order of the files.
std::vector<SubcommandFactory>& Factories() {
  static std::vector<SubcommandFactory> factories;
  return factories;
}

}  // namespace

bool RegisterSubcommand(SubcommandFactory factory) {
  Factories().push_back(std::move(factory));
  return true;
}

std::vector<std::unique_ptr<Subcommand>> MakeAllSubcommands() {
  std::vector<std::unique_ptr<Subcommand>> all;
  for (const SubcommandFactory& factory : Factories()) all.push_back(factory());
  std::sort(all.begin(), all.end(),
            [](const auto& a, const auto& b) { return a->name() < b->name(); });
  return all;
}

}  // namespace korva::cli

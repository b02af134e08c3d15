// A subcommand of `korva`: one class in one file under tools/korva/commands/, registered from that
// file with KORVA_SUBCOMMAND. main.cpp knows none of them by name.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korva::cli {

class Subcommand {
 public:
  virtual ~Subcommand() = default;
  // The word on the command line, e.g. "convert".
  virtual std::string name() const = 0;
  // One line for `korva --help`.
  virtual std::string summary() const = 0;
  // Declares the subcommand's arguments on `app` (the CLI11 subcommand), bound to members.
  virtual void Configure(CLI::App& app) = 0;
  // Runs after a successful parse; returns the exit code (see exit_codes.h). May throw CliError.
  virtual int Run() = 0;
};

// For options naming a file: an empty name is bad usage, not a file that cannot be written.
inline CLI::Validator NonEmptyFileName() {
  return CLI::Validator(
      [](std::string& text) { return text.empty() ? std::string("an empty file name") : ""; },
      "FILE");
}

using SubcommandFactory = std::function<std::unique_ptr<Subcommand>()>;

// Every registered subcommand, made fresh, ordered by name so `--help` is stable.
std::vector<std::unique_ptr<Subcommand>> MakeAllSubcommands();

// Used by KORVA_SUBCOMMAND; returns true so it can initialise a static.
bool RegisterSubcommand(SubcommandFactory factory);

}  // namespace korva::cli

// In the subcommand's .cpp, at namespace scope: KORVA_SUBCOMMAND(MyCommand);
// The sources are compiled into the executable itself (not a static library), so the registering
// static is always linked.
#define KORVA_SUBCOMMAND_JOIN2(a, b) a##b
#define KORVA_SUBCOMMAND_JOIN(a, b) KORVA_SUBCOMMAND_JOIN2(a, b)
#define KORVA_SUBCOMMAND(Type)                                           \
  static const bool KORVA_SUBCOMMAND_JOIN(korva_registered_, __LINE__) = \
      ::korva::cli::RegisterSubcommand(                                  \
          [] { return std::unique_ptr<::korva::cli::Subcommand>(new Type()); })

// korva: runs the plug-in on the standalone host to convert and inspect MS3D and DBO files.
//
// Adding a subcommand: write tools/korva/commands/<name>_command.cpp with a class derived from
// korva::cli::Subcommand (commands/subcommand.h) and register it at namespace scope with
// KORVA_SUBCOMMAND(<Class>); that is all. The file joins the executable through the folder's glob
// (re-run the build), and main.cpp lists no subcommand by name. Fail with korva::cli::CliError
// (support/cli_error.h) to print one line on stderr and leave with its exit code.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "support/cli_error.h"
#include "support/process_heap.h"
#include "text/utf8_text.h"

#ifndef KORVA_VERSION
#define KORVA_VERSION "0.0.0"
#endif

namespace {

bool HasSubcommand(const std::vector<std::unique_ptr<korva::cli::Subcommand>>& subcommands,
                   const std::string& word) {
  for (const auto& subcommand : subcommands) {
    if (subcommand->name() == word) return true;
  }
  return false;
}

int RunKorva(int argc, char** argv) {
  using namespace korva::cli;
  KeepFreedMemoryForReuse();
  CLI::App app{
      "Converts and inspects MS3D models and DBO object files with the KORVA_Tools plug-in.",
      "korva"};
  app.set_version_flag("--version", std::string("korva ") + KORVA_VERSION);
  app.require_subcommand(1);

  auto subcommands = MakeAllSubcommands();
  // Setting up every subcommand's options (the renderer's alone are dozens) cost more than a small
  // conversion's own reading; only the one named first is parsed, unless no subcommand comes first
  // (the overview) or another one's name is among the words, where the parser could take it up.
  const std::string first = argc > 1 ? argv[1] : "";
  bool configureAll = !HasSubcommand(subcommands, first);
  for (int i = 2; i < argc && !configureAll; ++i) {
    configureAll = argv[i] != first && HasSubcommand(subcommands, argv[i]);
  }
  for (const auto& subcommand : subcommands) {
    CLI::App* sub = app.add_subcommand(subcommand->name(), subcommand->summary());
    if (configureAll || subcommand->name() == first) subcommand->Configure(*sub);
  }

  // CLI11 would call an unknown word only "a subcommand is required"; name the word instead.
  if (argc > 1 && argv[1][0] != '-' && !HasSubcommand(subcommands, argv[1])) {
    std::fprintf(stderr, "korva: %s: no such subcommand (see korva --help)\n",
                 korva::text::Utf8Text(argv[1]).c_str());
    return kExitUsage;
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "korva: %s (see korva --help)\n", korva::text::OneLine(e.what()).c_str());
    return kExitUsage;
  }

  for (const auto& subcommand : subcommands) {
    if (!app.got_subcommand(subcommand->name())) continue;
    try {
      return subcommand->Run();
    } catch (const CliError& e) {
      std::fflush(stdout);
      std::fprintf(stderr, "korva: %s\n", korva::text::OneLine(e.what()).c_str());
      return e.code();
    }
  }
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  int code = korva::cli::kExitFileFailure;
  try {
    code = RunKorva(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korva: %s\n", korva::text::OneLine(e.what()).c_str());
  } catch (...) {
    std::fprintf(stderr, "korva: unexpected failure\n");
  }
  // What korva prints is the result a script reads: output lost to a full disk must not pass as
  // success.
  const bool outputLost = std::fflush(stdout) != 0 || std::ferror(stdout);
  if (outputLost && code == korva::cli::kExitSuccess) {
    std::fprintf(stderr, "korva: standard output: cannot be written\n");
    code = korva::cli::kExitFileFailure;
  }
  return code;
}

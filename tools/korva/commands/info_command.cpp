// korva info: a short summary of each MS3D model or DBO file.
#include <string>
#include <vector>

#include "commands/subcommand.h"
#include "support/cli_error.h"
#include "support/document_text.h"
#include "support/file_document.h"

namespace korva::cli {
namespace {

class InfoCommand : public Subcommand {
 public:
  std::string name() const override { return "info"; }
  std::string summary() const override {
    return "Summarises MS3D models and DBO files: counts, names, textures, sections";
  }

  void Configure(CLI::App& app) override {
    app.add_option("FILE", files_, "MS3D models or DBO files, told apart by their content")
        ->required();
  }

  int Run() override {
    DocumentLoader loader;
    std::string text;
    for (const std::string& file : files_) text += SummaryText(loader.Load(file));
    std::fputs(text.c_str(), stdout);  // only once every file was read
    return kExitSuccess;
  }

 private:
  std::vector<std::string> files_;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::InfoCommand);

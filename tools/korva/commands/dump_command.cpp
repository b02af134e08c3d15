// korva dump: the whole content of one MS3D model or DBO file, as text or as one JSON document.
#include <string>

#include "commands/subcommand.h"
#include "support/cli_error.h"
#include "support/document_text.h"
#include "support/file_document.h"
#include "support/json_stream.h"

namespace korva::cli {
namespace {

class DumpCommand : public Subcommand {
 public:
  std::string name() const override { return "dump"; }
  std::string summary() const override {
    return "Prints the whole content of an MS3D model or DBO file (--json: one JSON document)";
  }

  void Configure(CLI::App& app) override {
    app.add_option("FILE", file_, "MS3D model or DBO file")->required();
    app.add_flag("--json", json_, "One JSON document, shaped as the README describes");
    app.add_flag("--imported", imported_,
                 "For an MS3D model: the object the plug-in's import builds, not the file's model");
  }

  int Run() override {
    return ForFile(file_, [&] {
      DocumentLoader loader(imported_);
      JsonStream json(stdout);
      TextStream text(stdout);
      loader.Write(file_, json_ ? static_cast<DocumentStream&>(json) : text);
      return kExitSuccess;
    });
  }

 private:
  std::string file_;
  bool json_ = false;
  bool imported_ = false;
};

}  // namespace
}  // namespace korva::cli

KORVA_SUBCOMMAND(korva::cli::DumpCommand);

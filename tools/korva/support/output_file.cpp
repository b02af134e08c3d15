#include "support/output_file.h"

#include "support/cli_error.h"

namespace korva::cli {

OutputFile::OutputFile(const std::string& path) : path_(path) {
  std::string problem;
  handle_ = os::OpenOutput(path, &problem);
  if (!handle_) throw FileError(path, problem);
}

OutputFile::~OutputFile() {
  if (handle_) handle_->Discard();
}

void OutputFile::Write(const void* data, size_t size) {
  if (!handle_) throw FileError(path_, "cannot be written (already closed)");
  const std::string problem = handle_->Write(data, size);
  if (!problem.empty()) {
    handle_->Discard();
    handle_.reset();
    throw FileError(path_, "cannot be written: " + problem);
  }
  written_ += size;
}

uint64_t OutputFile::Commit() {
  if (!handle_) throw FileError(path_, "cannot be written (already closed)");
  const std::string problem = handle_->Commit();
  if (!problem.empty()) {
    handle_->Discard();
    handle_.reset();
    throw FileError(path_, "cannot be written: " + problem);
  }
  handle_.reset();
  return written_;
}

uint64_t WriteOutputFile(const std::string& path, const uint8_t* data, size_t size) {
  OutputFile output(path);
  output.Write(data, size);
  return output.Commit();
}

}  // namespace korva::cli

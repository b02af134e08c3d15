// The document as JSON text, byte for byte what nlohmann's dump with an indent of 2 writes for the
// same document whole (`korva dump --json`).
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/document_stream.h"

namespace korva::cli {

class JsonStream : public DocumentStream {
 public:
  explicit JsonStream(std::FILE* out) : out_(out) {}

  void BeginObject() override;
  void EndObject() override;
  void BeginArray(size_t count) override;
  void EndArray() override;
  void Key(const std::string& name) override;
  void Value(const nlohmann::json& value) override;
  // The line end that ends a document printed whole.
  void End() override;

 private:
  struct Level {
    bool object;
    bool empty = true;
  };
  void BeforeValue();
  void Indent(size_t depth);
  void Put(const std::string& text) { std::fwrite(text.data(), 1, text.size(), out_); }

  std::FILE* out_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

}  // namespace korva::cli

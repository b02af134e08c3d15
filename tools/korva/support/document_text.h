// The documents of file_document.h as text for people (`korva dump` without --json): indented
// "key: value" lines; an array of numbers, names or small vectors on its member's line, an array
// of records as its count followed by each record under "[index]".
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/document_stream.h"

namespace korva::cli {

class TextStream : public DocumentStream {
 public:
  explicit TextStream(std::FILE* out) : out_(out) {}

  void BeginObject() override;
  void EndObject() override;
  void BeginArray(size_t count) override;
  void EndArray() override;
  void Key(const std::string& name) override;
  void Value(const nlohmann::json& value) override;
  void End() override {}

 private:
  enum class Form { kUndecided, kInline, kRecords };
  struct Level {
    bool object;
    size_t indent;    // of an object's members; of the line that holds an array
    std::string key;  // arrays: the member that holds it
    size_t count = 0;
    size_t index = 0;
    Form form = Form::kUndecided;
  };
  // Opens the next element of the array at the top: a record gets its "[index]" line (after the
  // count line, for the first), anything else joins the array's line. The indent of a record's
  // members.
  size_t NextElement(bool record);
  void Put(const std::string& text) { std::fwrite(text.data(), 1, text.size(), out_); }

  std::FILE* out_;
  std::vector<Level> levels_;
  std::string key_;
};

}  // namespace korva::cli

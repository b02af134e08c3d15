// A JSON document written as it is made, byte for byte as nlohmann's dump with an indent of 2
// writes the same document whole, so that a document of any length needs only the memory of its
// largest element. nlohmann orders an object's keys by name: the caller writes them in that order.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace korva::cli {

class JsonStream {
 public:
  explicit JsonStream(std::FILE* out) : out_(out) {}

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The next member's name, inside an object; its value follows.
  void Key(const std::string& name);
  // A whole value: an array element, a member's value or the document itself.
  void Value(const nlohmann::json& value);
  // After the document: the line end JsonText also ends with.
  void End();

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

// A document written as it is made, one element at a time, so that a document of any length
// needs only the memory of its largest element. Objects hold their members in name order (the
// order a whole JSON document prints them in); an array's elements share one shape.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

namespace korva::cli {

class DocumentStream {
 public:
  virtual ~DocumentStream() = default;

  virtual void BeginObject() = 0;
  virtual void EndObject() = 0;
  // `count`: the number of elements that follow before EndArray.
  virtual void BeginArray(size_t count) = 0;
  virtual void EndArray() = 0;
  // The next member's name, inside an object; its value follows.
  virtual void Key(const std::string& name) = 0;
  // A whole value: an array element, a member's value or the document itself.
  virtual void Value(const nlohmann::json& value) = 0;
  // After the document.
  virtual void End() = 0;
};

}  // namespace korva::cli

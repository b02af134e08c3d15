// Reading the members of a glTF document's JSON objects with their types checked, each fault
// one line naming where it lies.
#pragma once

#include <array>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "gltf/read/gltf_json_tape.h"

namespace korva::gltf::doc {

struct ParseError {
  std::string text;
};

[[noreturn]] inline void Fail(const std::string& text) {
  throw ParseError{text};
}

// Where a value lies in the document ("meshes[2].primitives[0].attributes.NORMAL"), spelt out
// only when a message needs it: most documents need none, and building it for every value read
// would cost more than reading them.
class Place {
 public:
  explicit Place(const char* name) : name_(name) {}
  Place(const Place* parent, const char* name, size_t index = kNoIndex)
      : parent_(parent), name_(name), index_(index) {}
  Place(const Place* parent, const std::string* name) : parent_(parent), key_(name) {}

  std::string Text() const {
    std::string text = parent_ ? parent_->Text() : std::string();
    if (!text.empty()) text += ".";
    text += key_ ? *key_ : name_;
    if (index_ != kNoIndex) text += "[" + std::to_string(index_) + "]";
    return text;
  }

 private:
  static constexpr size_t kNoIndex = ~size_t{0};
  const Place* parent_ = nullptr;
  const char* name_ = "";
  const std::string* key_ = nullptr;
  size_t index_ = kNoIndex;
};

// Members of one JSON object, each read with its type checked; its place names it in messages.
class Fields {
 public:
  Fields(const JsonValue& object, const Place& place) : object_(object), place_(place) {
    if (!object_.is_object()) Fail(place_.Text() + " is not a JSON object");
  }

  const Place& place() const { return place_; }
  // The member `key`, or false when the object has none.
  bool Find(const char* key, JsonValue* value) const { return object_.Find(key, value); }
  bool Has(const char* key) const {
    JsonValue value = object_;
    return object_.Find(key, &value);
  }
  std::string Where(const char* key) const { return Place(&place_, key).Text(); }
  // The object of extension `name` in the member "extensions", or false when there is none.
  bool Extension(const char* name, JsonValue* value) const {
    JsonValue extensions = object_;
    if (!Find("extensions", &extensions)) return false;
    if (!extensions.is_object()) Fail(Where("extensions") + " is not a JSON object");
    return extensions.Find(name, value);
  }

  int Index(const char* key) const {
    JsonValue value = object_;
    if (!Find(key, &value)) return -1;
    return IndexValue(value, Place(&place_, key));
  }
  static int IndexValue(const JsonValue& value, const Place& place) {
    if (!value.is_number_integer() || value.AsInt64() < 0 || value.AsInt64() > INT_MAX)
      Fail(place.Text() + " is not an index");
    return static_cast<int>(value.AsInt64());
  }
  uint64_t Unsigned(const char* key, uint64_t fallback, bool required = false) const {
    JsonValue value = object_;
    if (!Find(key, &value)) {
      if (required) Fail(Where(key) + " is missing");
      return fallback;
    }
    if (!value.is_number_unsigned() && !(value.is_number_integer() && value.AsInt64() >= 0))
      Fail(Where(key) + " is not a whole number of 0 or more");
    return value.AsUint64();
  }
  std::string String(const char* key) const {
    JsonValue value = object_;
    if (!Find(key, &value)) return {};
    if (!value.is_string()) Fail(Where(key) + " is not a string");
    return std::string(value.Text());
  }
  // A finite number, `fallback` when the member is absent.
  double Number(const char* key, double fallback) const {
    JsonValue value = object_;
    if (!Find(key, &value)) return fallback;
    if (!value.is_number() || !std::isfinite(value.AsDouble()))
      Fail(Where(key) + " is not a finite number");
    return value.AsDouble();
  }
  bool Bool(const char* key) const {
    JsonValue value = object_;
    if (!Find(key, &value)) return false;
    if (!value.is_boolean()) Fail(Where(key) + " is not true or false");
    return value.AsBool();
  }
  template <size_t N>
  bool Numbers(const char* key, std::array<double, N>* out) const {
    JsonValue value = object_;
    if (!Find(key, &value)) return false;
    if (!value.is_array() || value.size() != N) {
      Fail(Where(key) + " is not an array of " + std::to_string(N) + " numbers");
    }
    size_t i = 0;
    for (uint32_t at = value.First(); at < value.End(); at = value.Next(at), ++i) {
      const JsonValue element = value.At(at);
      if (!element.is_number() || !std::isfinite(element.AsDouble()))
        Fail(Where(key) + " holds a value that is not a finite number");
      (*out)[i] = element.AsDouble();
    }
    return true;
  }
  std::vector<int> Indices(const char* key) const {
    std::vector<int> out;
    JsonValue value = object_;
    if (!Find(key, &value)) return out;
    if (!value.is_array()) Fail(Where(key) + " is not an array");
    out.reserve(value.size());
    size_t i = 0;
    for (uint32_t at = value.First(); at < value.End(); at = value.Next(at), ++i) {
      out.push_back(IndexValue(value.At(at), Place(&place_, key, i)));
    }
    return out;
  }
  // The array member `key` (empty when absent), each element visited with its place.
  template <typename Visit>
  void Each(const char* key, Visit visit) const {
    JsonValue value = object_;
    if (!Find(key, &value)) return;
    if (!value.is_array()) Fail(Where(key) + " is not an array");
    size_t i = 0;
    for (uint32_t at = value.First(); at < value.End(); at = value.Next(at), ++i) {
      visit(value.At(at), Place(&place_, key, i));
    }
  }

 private:
  const JsonValue object_;
  const Place& place_;
};

}  // namespace korva::gltf::doc

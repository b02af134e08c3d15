// A JSON text as one flat array of values (a tape), made in one pass over its bytes: containers
// know where they end, strings point into the text (or into one buffer when they hold escapes) and
// numbers are converted once. No value is an allocation of its own, which building a tree of
// objects costs. It accepts exactly the texts nlohmann-json's strict parser accepts (a NUL byte
// ends the text, a UTF-8 byte order mark may start it) and reads each to the same values, the
// same three kinds of number included, so what the reader checks does not depend on the parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korva::gltf::doc {

class JsonTape;

// One value of a tape: a cheap handle, valid while its tape lives. The type tests and conversions
// are those of nlohmann-json's values (an integer is also `is_number_integer` when unsigned).
class JsonValue {
 public:
  JsonValue(const JsonTape* tape, uint32_t index) : tape_(tape), index_(index) {}

  bool is_null() const;
  bool is_boolean() const;
  bool is_number() const;
  bool is_number_integer() const;   // signed or unsigned, not a float
  bool is_number_unsigned() const;  // written without a sign, within 64 bits
  bool is_string() const;
  bool is_array() const;
  bool is_object() const;

  bool AsBool() const;
  int64_t AsInt64() const;    // a number converted as static_cast does
  uint64_t AsUint64() const;  // a number converted as static_cast does
  double AsDouble() const;
  std::string_view Text() const;  // a string's decoded bytes

  // As nlohmann's size(): elements of an array, distinct keys of an object, 0 for null, else 1.
  size_t size() const;
  // The value of an object's member `key` (its last one, as a parser that keeps one value per key
  // does), or false when it has none.
  bool Find(std::string_view key, JsonValue* value) const;

  // Walks an array's elements or an object's members in the text's order: `at` starts at First()
  // and each Next() steps over one element (for objects, over a key and its value).
  uint32_t First() const { return index_ + 1; }
  uint32_t End() const;
  uint32_t Next(uint32_t at) const;        // past the element at `at`
  uint32_t NextMember(uint32_t at) const;  // past the member whose key is at `at`
  JsonValue At(uint32_t at) const { return {tape_, at}; }

 private:
  const JsonTape* tape_;
  uint32_t index_;
};

class JsonTape {
 public:
  enum Kind : uint8_t {
    kNull,
    kFalse,
    kTrue,
    kInteger,
    kUnsigned,
    kFloat,
    kString,
    kArray,
    kObject
  };
  struct Entry {
    Kind kind;
    bool escaped;  // a string in the buffer of decoded strings, not in the text
    uint32_t end;  // containers: the index past their last value; strings: their length
    union {
      int64_t integer;
      uint64_t whole;
      double number;
      uint64_t offset;  // strings: where they start, in the text or the decoded buffer
    };
  };

  // Reads the text; false when it is not well formed. The tape keeps pointing into `text`.
  bool Parse(const char* text, size_t size);
  JsonValue Root() const { return {this, 0}; }

 private:
  friend class JsonValue;
  bool ParseString(const uint8_t*& at, const uint8_t* end);
  bool ParseNumber(const uint8_t*& at, const uint8_t* end);

  const char* text_ = nullptr;
  std::vector<Entry> entries_;
  std::string decoded_;
};

}  // namespace korva::gltf::doc

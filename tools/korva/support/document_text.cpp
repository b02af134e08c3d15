#include "support/document_text.h"

#include <stdexcept>

namespace korva::cli {
using nlohmann::json;

namespace {

std::string Scalar(const json& value) {
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

// An element that fits on its array's line: a scalar, or a small vector of them.
bool Inline(const json& element) {
  if (!element.is_structured()) return true;
  if (!element.is_array() || element.size() > 4) return false;
  for (const json& item : element) {
    if (!Inline(item)) return false;
  }
  return true;
}

bool AllInline(const json& array) {
  for (const json& element : array) {
    if (!Inline(element)) return false;
  }
  return true;
}

std::string InlineText(const json& element) {
  if (!element.is_array()) return Scalar(element);
  std::string text = "[";
  for (const json& item : element) {
    if (text.size() > 1) text += ", ";
    text += InlineText(item);
  }
  return text + "]";
}

void PutMembers(const json& object, size_t indent, std::string& out);

// One member with its value. The nesting of a value handed over whole is that of our own
// documents' records (a few levels), never the input's.
void PutMember(const std::string& key, const json& value, size_t indent, std::string& out) {
  const std::string pad(indent, ' ');
  if (value.is_object()) {
    out += pad + key + ":\n";
    PutMembers(value, indent + 2, out);
  } else if (value.is_array() && !AllInline(value)) {
    out += pad + key + ": " + std::to_string(value.size()) + "\n";
    size_t index = 0;
    for (const json& item : value) {
      out += pad + "  [" + std::to_string(index++) + "]\n";
      PutMembers(item, indent + 4, out);
    }
  } else if (value.is_array()) {
    out += pad + key + ": " + InlineText(value) + "\n";
  } else {
    out += pad + key + ": " + value.dump() + "\n";
  }
}

void PutMembers(const json& object, size_t indent, std::string& out) {
  for (const auto& [key, value] : object.items()) PutMember(key, value, indent, out);
}

}  // namespace

size_t TextStream::NextElement(bool record) {
  Level& array = levels_.back();
  const std::string pad(array.indent, ' ');
  if (array.form == Form::kUndecided) {
    array.form = record ? Form::kRecords : Form::kInline;
    Put(pad + array.key + ": " + (record ? std::to_string(array.count) + "\n" : "["));
  } else if ((array.form == Form::kRecords) != record) {
    throw std::logic_error("an array's elements differ in shape");
  } else if (!record) {
    Put(", ");
  }
  if (record) Put(pad + "  [" + std::to_string(array.index) + "]\n");
  ++array.index;
  return array.indent + 4;
}

void TextStream::BeginObject() {
  if (levels_.empty()) {
    levels_.push_back({true, 0, {}});
  } else if (levels_.back().object) {
    const size_t indent = levels_.back().indent;
    Put(std::string(indent, ' ') + key_ + ":\n");
    levels_.push_back({true, indent + 2, {}});
  } else {
    levels_.push_back({true, NextElement(true), {}});
  }
}

void TextStream::EndObject() {
  levels_.pop_back();
}

void TextStream::BeginArray(size_t count) {
  if (levels_.empty() || !levels_.back().object) {
    throw std::logic_error("an array streamed outside an object member");
  }
  levels_.push_back({false, levels_.back().indent, key_, count});
}

void TextStream::EndArray() {
  const Level array = levels_.back();
  levels_.pop_back();
  if (array.form == Form::kUndecided) {
    Put(std::string(array.indent, ' ') + array.key + ": []\n");
  } else if (array.form == Form::kInline) {
    Put("]\n");
  }
}

void TextStream::Key(const std::string& name) {
  key_ = name;
}

void TextStream::Value(const json& value) {
  std::string text;
  if (levels_.empty()) {
    PutMembers(value, 0, text);
  } else if (levels_.back().object) {
    PutMember(key_, value, levels_.back().indent, text);
  } else if (Inline(value)) {
    NextElement(false);
    text = InlineText(value);
  } else {
    PutMembers(value, NextElement(true), text);
  }
  Put(text);
}

}  // namespace korva::cli

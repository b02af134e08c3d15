#include "support/document_text.h"

#include <sstream>

namespace korva::cli {
using nlohmann::json;

namespace {

std::string Scalar(const json& value) {
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

std::string Quoted(const json& value) {
  return value.dump();
}

bool AllScalars(const json& array) {
  for (const json& element : array) {
    if (element.is_structured() &&
        !(element.is_array() && element.size() <= 4 && AllScalars(element))) {
      return false;
    }
  }
  return true;
}

std::string InlineArray(const json& array) {
  std::string text = "[";
  for (const json& element : array) {
    if (text.size() > 1) text += ", ";
    text += element.is_array() ? InlineArray(element) : Scalar(element);
  }
  return text + "]";
}

// The document's nesting is fixed by our own builders (a handful of levels), not by the input.
void DumpValue(const json& value, int indent, std::ostream& out) {
  const std::string pad(indent, ' ');
  for (const auto& [key, element] : value.items()) {
    if (element.is_object()) {
      out << pad << key << ":\n";
      DumpValue(element, indent + 2, out);
    } else if (element.is_array() && !AllScalars(element)) {
      out << pad << key << ": " << element.size() << "\n";
      size_t index = 0;
      for (const json& item : element) {
        out << pad << "  [" << index++ << "]\n";
        DumpValue(item, indent + 4, out);
      }
    } else if (element.is_array()) {
      out << pad << key << ": " << InlineArray(element) << "\n";
    } else {
      out << pad << key << ": " << (element.is_string() ? Quoted(element) : Scalar(element))
          << "\n";
    }
  }
}

}  // namespace

std::string DumpText(const json& document) {
  std::ostringstream out;
  DumpValue(document, 0, out);
  return out.str();
}

void WriteDumpText(const json& document, std::ostream& out) {
  DumpValue(document, 0, out);
}

std::string JsonText(const json& document) {
  return document.dump(2) + "\n";
}

}  // namespace korva::cli

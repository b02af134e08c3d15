// Text for people from the JSON documents of file_document.h.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace korva::cli {

// The whole document as indented "key: value" lines (`korva dump` without --json).
std::string DumpText(const nlohmann::json& document);

// The same, written to `out` as it is made (no copy of the whole text in memory).
void WriteDumpText(const nlohmann::json& document, std::ostream& out);

// One JSON document, pretty-printed. Its strings are UTF-8 text already (Utf8Text): the document
// builders convert every name, comment and path from the file's bytes.
std::string JsonText(const nlohmann::json& document);

}  // namespace korva::cli

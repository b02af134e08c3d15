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

// One JSON document, pretty-printed; bytes that are not UTF-8 (names are raw file bytes) are
// replaced rather than failing the dump.
std::string JsonText(const nlohmann::json& document);

}  // namespace korva::cli

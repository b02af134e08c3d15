// Text helpers of the import: copying the model's fixed-width name fields into host names, and
// showing the import's notices.
#pragma once

#include <cstddef>
#include <string>

namespace korva::import {

// Size of every name field of the host records.
constexpr size_t kHostNameSize = 256;

// Copies the text of a fixed-width field (up to its first zero, at most `width` bytes) into a host
// name, cut to 255 bytes and zero-terminated; the rest of the name is zeroed.
void CopyNameField(char* hostName, const char* field, size_t width);

// Copies `text` into a host name the same way (cut to 255 bytes, zero-terminated, zero-padded).
void CopyHostName(char* hostName, const std::string& text);

// The text of a fixed-width field as a string (up to its first zero, at most `width` bytes).
std::string FieldText(const char* field, size_t width);

// Notices of the import, through the platform notice (a text of its own, or a zero-terminated one
// as it stands, such as a literal).
void ShowInfo(const char* text);
void ShowInfo(const std::string& text);
void ShowError(const std::string& text);

}  // namespace korva::import

#include "import/import_text.h"

#include <cstring>

#include "platform/notice.h"

namespace korva::import {
namespace {
size_t FieldLength(const char* field, size_t width) {
  const void* zero = std::memchr(field, 0, width);
  return zero ? static_cast<size_t>(static_cast<const char*>(zero) - field) : width;
}

void CopyBounded(char* hostName, const char* text, size_t length) {
  if (length > kHostNameSize - 1) length = kHostNameSize - 1;
  std::memset(hostName, 0, kHostNameSize);
  std::memcpy(hostName, text, length);
}
}  // namespace

void CopyNameField(char* hostName, const char* field, size_t width) {
  CopyBounded(hostName, field, FieldLength(field, width));
}

void CopyHostName(char* hostName, const std::string& text) {
  CopyBounded(hostName, text.data(), text.size());
}

std::string FieldText(const char* field, size_t width) {
  return std::string(field, FieldLength(field, width));
}

void ShowInfo(const char* text) {
  platform::ShowNotice(text, "Info");
}

void ShowInfo(const std::string& text) {
  ShowInfo(text.c_str());
}

void ShowError(const std::string& text) {
  platform::ShowNotice(text.c_str(), "Error");
}

}  // namespace korva::import

#include "notice_lines.h"

namespace korva::crosscheck {

std::string NoticeLine(const std::string& caption, const std::string& text,
                       const std::string& modelsFolder) {
  std::string plain = text;
  for (size_t at = plain.find(modelsFolder); !modelsFolder.empty() && at != std::string::npos;
       at = plain.find(modelsFolder, at + 9)) {
    plain.replace(at, modelsFolder.size(), "<models>/");
  }
  std::string line = caption + "|";
  for (char c : plain) {
    if (c == '\r')
      line += "\\r";
    else if (c == '\n')
      line += "\\n";
    else if (c == '\\')
      line += "\\\\";
    else
      line += c;
  }
  return line + "\n";
}

}  // namespace korva::crosscheck

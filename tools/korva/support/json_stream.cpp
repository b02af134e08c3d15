#include "support/json_stream.h"

namespace korva::cli {
namespace {
constexpr int kIndent = 2;
}  // namespace

void JsonStream::Indent(size_t depth) {
  Put(std::string(depth * kIndent, ' '));
}

// An array element opens its array (written only now, since an empty one is "[]") or follows the
// one before it; a member's value follows its key on the same line.
void JsonStream::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  Put(level.empty ? "[\n" : ",\n");
  level.empty = false;
  Indent(levels_.size());
}

void JsonStream::BeginObject() {
  BeforeValue();
  levels_.push_back({true});
}

void JsonStream::BeginArray(size_t) {
  BeforeValue();
  levels_.push_back({false});
}

void JsonStream::EndObject() {
  const Level level = levels_.back();
  levels_.pop_back();
  if (level.empty) {
    Put("{}");
    return;
  }
  Put("\n");
  Indent(levels_.size());
  Put("}");
}

void JsonStream::EndArray() {
  const Level level = levels_.back();
  levels_.pop_back();
  if (level.empty) {
    Put("[]");
    return;
  }
  Put("\n");
  Indent(levels_.size());
  Put("]");
}

void JsonStream::Key(const std::string& name) {
  Level& level = levels_.back();
  Put(level.empty ? "{\n" : ",\n");
  level.empty = false;
  Indent(levels_.size());
  Put(nlohmann::json(name).dump());
  Put(": ");
  afterKey_ = true;
}

void JsonStream::Value(const nlohmann::json& value) {
  BeforeValue();
  const std::string text = value.dump(kIndent);
  // Strings in the text have their line breaks escaped: every raw one starts a line to indent.
  const std::string pad = "\n" + std::string(levels_.size() * kIndent, ' ');
  size_t start = 0;
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
    Put(text.substr(start, at - start));
    Put(pad);
    start = at + 1;
  }
  Put(text.substr(start));
}

void JsonStream::End() {
  Put("\n");
}

}  // namespace korva::cli

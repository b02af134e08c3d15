#include "gltf/read/gltf_json_tape.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

namespace korva::gltf::doc {
namespace {

// Bytes a string holds as they are: printable ASCII but the quote and the backslash.
struct PlainBytes {
  bool plain[256];
  constexpr PlainBytes() : plain() {
    for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
  }
};
constexpr PlainBytes kPlain;

bool IsSpace(uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(uint8_t c) {
  return c >= '0' && c <= '9';
}

// Steps over one well-formed UTF-8 sequence of two to four bytes at `at` (its lead byte at least
// 0x80); false when it is not one, the ranges being those of RFC 3629.
bool StepUtf8(const uint8_t*& at, const uint8_t* end) {
  const uint8_t lead = *at;
  int more = 0;
  uint8_t low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
  } else if (lead == 0xE0) {
    more = 2, low = 0xA0;
  } else if (lead == 0xED) {
    more = 2, high = 0x9F;
  } else if (lead >= 0xE1 && lead <= 0xEF) {
    more = 2;
  } else if (lead == 0xF0) {
    more = 3, low = 0x90;
  } else if (lead >= 0xF1 && lead <= 0xF3) {
    more = 3;
  } else if (lead == 0xF4) {
    more = 3, high = 0x8F;
  } else {
    return false;
  }
  if (end - at <= more) return false;
  if (at[1] < low || at[1] > high) return false;
  for (int i = 2; i <= more; ++i) {
    if (at[i] < 0x80 || at[i] > 0xBF) return false;
  }
  at += more + 1;
  return true;
}

// Four hex digits after "\u"; -1 when they are not.
int HexQuad(const uint8_t* at, const uint8_t* end) {
  if (end - at < 4) return -1;
  int value = 0;
  for (int i = 0; i < 4; ++i) {
    const uint8_t c = at[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return -1;
    value = value * 16 + digit;
  }
  return value;
}

void AppendUtf8(std::string* out, uint32_t code) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | code >> 6));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | code >> 12));
    out->push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | code >> 18));
    out->push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

// The string whose opening quote `at` has passed; `at` ends past its closing quote. Strings
// without escapes stay where the text holds them; the others are decoded into one buffer.
bool JsonTape::ParseString(const uint8_t*& at, const uint8_t* end) {
  const uint8_t* const begin = at;
  for (;;) {
    while (at < end && kPlain.plain[*at]) ++at;
    if (at == end) return false;
    if (*at == '"') {
      Entry entry{};
      entry.kind = kString;
      entry.end = static_cast<uint32_t>(at - begin);
      entry.offset = static_cast<uint64_t>(reinterpret_cast<const char*>(begin) - text_);
      entries_.push_back(entry);
      ++at;
      return true;
    }
    if (*at == '\\') break;
    if (*at < 0x80 || !StepUtf8(at, end)) return false;  // a control character or bad UTF-8
  }
  // Escapes: the bytes so far, then everything decoded.
  const size_t start = decoded_.size();
  decoded_.append(reinterpret_cast<const char*>(begin), static_cast<size_t>(at - begin));
  for (;;) {
    const uint8_t* run = at;
    while (at < end && kPlain.plain[*at]) ++at;
    decoded_.append(reinterpret_cast<const char*>(run), static_cast<size_t>(at - run));
    if (at == end) return false;
    const uint8_t c = *at;
    if (c == '"') break;
    if (c >= 0x80) {
      run = at;
      if (!StepUtf8(at, end)) return false;
      decoded_.append(reinterpret_cast<const char*>(run), static_cast<size_t>(at - run));
      continue;
    }
    if (c != '\\' || end - at < 2) return false;
    const uint8_t escape = at[1];
    at += 2;
    switch (escape) {
      case '"':
      case '\\':
      case '/':
        decoded_.push_back(static_cast<char>(escape));
        break;
      case 'b':
        decoded_.push_back('\b');
        break;
      case 'f':
        decoded_.push_back('\f');
        break;
      case 'n':
        decoded_.push_back('\n');
        break;
      case 'r':
        decoded_.push_back('\r');
        break;
      case 't':
        decoded_.push_back('\t');
        break;
      case 'u': {
        int code = HexQuad(at, end);
        if (code < 0) return false;
        at += 4;
        if (code >= 0xDC00 && code <= 0xDFFF) return false;  // a low surrogate alone
        if (code >= 0xD800 && code <= 0xDBFF) {
          if (end - at < 2 || at[0] != '\\' || at[1] != 'u') return false;
          const int low = HexQuad(at + 2, end);
          if (low < 0xDC00 || low > 0xDFFF) return false;
          at += 6;
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(&decoded_, static_cast<uint32_t>(code));
        break;
      }
      default:
        return false;
    }
  }
  Entry entry{};
  entry.kind = kString;
  entry.escaped = true;
  entry.end = static_cast<uint32_t>(decoded_.size() - start);
  entry.offset = start;
  entries_.push_back(entry);
  ++at;
  return true;
}

// A number as nlohmann-json reads it: without fraction or exponent an unsigned integer, or with a
// minus sign a signed one, while it fits in 64 bits; otherwise a double as strtod converts it,
// which must be finite.
bool JsonTape::ParseNumber(const uint8_t*& at, const uint8_t* end) {
  const uint8_t* const begin = at;
  const bool negative = *at == '-';
  if (negative) ++at;
  if (at == end || !IsDigit(*at)) return false;
  uint64_t magnitude = 0;
  bool overflow = false;
  if (*at == '0') {
    ++at;
  } else {
    while (at < end && IsDigit(*at)) {
      overflow = overflow || __builtin_mul_overflow(magnitude, 10u, &magnitude) ||
                 __builtin_add_overflow(magnitude, uint64_t(*at - '0'), &magnitude);
      ++at;
    }
  }
  bool whole = true;
  if (at < end && *at == '.') {
    whole = false;
    ++at;
    if (at == end || !IsDigit(*at)) return false;
    while (at < end && IsDigit(*at)) ++at;
  }
  if (at < end && (*at == 'e' || *at == 'E')) {
    whole = false;
    ++at;
    if (at < end && (*at == '+' || *at == '-')) ++at;
    if (at == end || !IsDigit(*at)) return false;
    while (at < end && IsDigit(*at)) ++at;
  }
  Entry entry{};
  if (whole && !overflow && !negative) {
    entry.kind = kUnsigned;
    entry.whole = magnitude;
  } else if (whole && !overflow && magnitude <= uint64_t{1} << 63) {
    entry.kind = kInteger;
    entry.integer = static_cast<int64_t>(0 - magnitude);
  } else {
    entry.kind = kFloat;
    const char* first = reinterpret_cast<const char*>(begin);
    const char* last = reinterpret_cast<const char*>(at);
    const auto result = std::from_chars(first, last, entry.number);
    if (result.ec != std::errc() || result.ptr != last) {
      // Out of range: strtod's own answer (a subnormal, zero or infinity).
      const std::string copy(first, last);
      entry.number = std::strtod(copy.c_str(), nullptr);
    }
    if (!std::isfinite(entry.number)) return false;
  }
  entries_.push_back(entry);
  return true;
}

bool JsonTape::Parse(const char* text, size_t size) {
  text_ = text;
  entries_.clear();
  decoded_.clear();
  // Offsets and lengths are kept in 32 bits.
  if (size > UINT32_MAX) return false;
  const auto* at = reinterpret_cast<const uint8_t*>(text);
  const uint8_t* end = at + size;
  // A NUL byte ends the text, as it ends nlohmann-json's input: what follows it is not read.
  if (const void* nul = std::memchr(at, 0, size)) end = static_cast<const uint8_t*>(nul);
  if (end - at >= 1 && *at == 0xEF) {
    if (end - at < 3 || at[1] != 0xBB || at[2] != 0xBF) return false;
    at += 3;
  }
  entries_.reserve(std::min<size_t>(size / 4 + 16, size_t{1} << 20));
  std::vector<uint32_t> open;  // the containers being filled, innermost last
  const auto skipSpace = [&] {
    while (at < end && IsSpace(*at)) ++at;
  };
  const auto openContainer = [&](Kind kind) {
    Entry entry{};
    entry.kind = kind;
    open.push_back(static_cast<uint32_t>(entries_.size()));
    entries_.push_back(entry);
    ++at;
  };
  const auto closeContainer = [&] {
    entries_[open.back()].end = static_cast<uint32_t>(entries_.size());
    open.pop_back();
    ++at;
  };
  // An object's key and its colon, `at` on the key's opening quote.
  const auto key = [&] {
    if (at == end || *at != '"') return false;
    ++at;
    if (!ParseString(at, end)) return false;
    skipSpace();
    if (at == end || *at != ':') return false;
    ++at;
    return true;
  };

  for (;;) {
    // A value is due.
    skipSpace();
    if (at == end) return false;
    switch (*at) {
      case '{':
        openContainer(kObject);
        skipSpace();
        if (at < end && *at == '}') {
          closeContainer();
          break;
        }
        if (!key()) return false;
        continue;
      case '[':
        openContainer(kArray);
        skipSpace();
        if (at < end && *at == ']') {
          closeContainer();
          break;
        }
        continue;
      case '"':
        ++at;
        if (!ParseString(at, end)) return false;
        break;
      case 't':
      case 'f':
      case 'n': {
        static const char* const kLiterals[] = {"true", "false", "null"};
        const int which = *at == 't' ? 0 : *at == 'f' ? 1 : 2;
        const size_t length = std::strlen(kLiterals[which]);
        if (static_cast<size_t>(end - at) < length || std::memcmp(at, kLiterals[which], length))
          return false;
        at += length;
        Entry entry{};
        entry.kind = which == 0 ? kTrue : which == 1 ? kFalse : kNull;
        entries_.push_back(entry);
        break;
      }
      default:
        if (*at != '-' && !IsDigit(*at)) return false;
        if (!ParseNumber(at, end)) return false;
        break;
    }
    // A value is complete: close what it completes, until a comma asks for another.
    for (;;) {
      skipSpace();
      if (open.empty()) return at == end;
      if (at == end) return false;
      const bool object = entries_[open.back()].kind == kObject;
      if (*at == (object ? '}' : ']')) {
        closeContainer();
        continue;
      }
      if (*at != ',') return false;
      ++at;
      if (object) {
        skipSpace();
        if (!key()) return false;
      }
      break;
    }
  }
}

bool JsonValue::is_null() const {
  return tape_->entries_[index_].kind == JsonTape::kNull;
}
bool JsonValue::is_boolean() const {
  const auto kind = tape_->entries_[index_].kind;
  return kind == JsonTape::kTrue || kind == JsonTape::kFalse;
}
bool JsonValue::is_number() const {
  const auto kind = tape_->entries_[index_].kind;
  return kind == JsonTape::kInteger || kind == JsonTape::kUnsigned || kind == JsonTape::kFloat;
}
bool JsonValue::is_number_integer() const {
  const auto kind = tape_->entries_[index_].kind;
  return kind == JsonTape::kInteger || kind == JsonTape::kUnsigned;
}
bool JsonValue::is_number_unsigned() const {
  return tape_->entries_[index_].kind == JsonTape::kUnsigned;
}
bool JsonValue::is_string() const {
  return tape_->entries_[index_].kind == JsonTape::kString;
}
bool JsonValue::is_array() const {
  return tape_->entries_[index_].kind == JsonTape::kArray;
}
bool JsonValue::is_object() const {
  return tape_->entries_[index_].kind == JsonTape::kObject;
}

bool JsonValue::AsBool() const {
  return tape_->entries_[index_].kind == JsonTape::kTrue;
}

int64_t JsonValue::AsInt64() const {
  const JsonTape::Entry& e = tape_->entries_[index_];
  if (e.kind == JsonTape::kUnsigned) return static_cast<int64_t>(e.whole);
  if (e.kind == JsonTape::kFloat) return static_cast<int64_t>(e.number);
  return e.integer;
}

uint64_t JsonValue::AsUint64() const {
  const JsonTape::Entry& e = tape_->entries_[index_];
  if (e.kind == JsonTape::kInteger) return static_cast<uint64_t>(e.integer);
  if (e.kind == JsonTape::kFloat) return static_cast<uint64_t>(e.number);
  return e.whole;
}

double JsonValue::AsDouble() const {
  const JsonTape::Entry& e = tape_->entries_[index_];
  if (e.kind == JsonTape::kUnsigned) return static_cast<double>(e.whole);
  if (e.kind == JsonTape::kInteger) return static_cast<double>(e.integer);
  return e.number;
}

std::string_view JsonValue::Text() const {
  const JsonTape::Entry& e = tape_->entries_[index_];
  const char* base = e.escaped ? tape_->decoded_.data() : tape_->text_;
  return {base + e.offset, e.end};
}

uint32_t JsonValue::End() const {
  return tape_->entries_[index_].end;
}

uint32_t JsonValue::Next(uint32_t at) const {
  const JsonTape::Entry& e = tape_->entries_[at];
  return e.kind == JsonTape::kArray || e.kind == JsonTape::kObject ? e.end : at + 1;
}

uint32_t JsonValue::NextMember(uint32_t at) const {
  return Next(at + 1);
}

size_t JsonValue::size() const {
  const JsonTape::Entry& e = tape_->entries_[index_];
  if (e.kind == JsonTape::kNull) return 0;
  if (e.kind == JsonTape::kArray) {
    size_t count = 0;
    for (uint32_t at = First(); at < e.end; at = Next(at)) ++count;
    return count;
  }
  if (e.kind == JsonTape::kObject) {
    std::set<std::string_view> keys;
    for (uint32_t at = First(); at < e.end; at = NextMember(at)) keys.insert(At(at).Text());
    return keys.size();
  }
  return 1;
}

bool JsonValue::Find(std::string_view key, JsonValue* value) const {
  bool found = false;
  const uint32_t end = End();
  for (uint32_t at = First(); at < end; at = NextMember(at)) {
    // A key's entry holds its length: most keys are told apart by it without their bytes.
    if (tape_->entries_[at].end == key.size() && At(at).Text() == key) {
      *value = At(at + 1);
      found = true;
    }
  }
  return found;
}

}  // namespace korva::gltf::doc

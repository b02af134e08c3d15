// Text as korva prints and writes it. Names, texture paths and comments in model and object files
// are bytes in whatever code page their author's Windows used, and so are paths on some systems:
// every text that leaves korva (JSON, glTF, info, dump, messages) passes through Utf8Text first.
#pragma once

#include <string>
#include <string_view>

namespace korva::text {

// `bytes` unchanged when they are valid UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF); otherwise every byte read as Windows-1252, the five bytes that code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) becoming the C1 controls of the same value. The
// result is always valid UTF-8, so applying it twice changes nothing.
std::string Utf8Text(std::string_view bytes);

// Whether `bytes` are valid UTF-8 in the sense above.
bool IsUtf8(std::string_view bytes);

// `message` as one line of UTF-8 (Utf8Text, each line break a space, no trailing spaces): a
// message may quote text from a file, and a file's text may hold line breaks.
std::string OneLine(std::string_view message);

}  // namespace korva::text

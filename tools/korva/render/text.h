// A tiny built-in bitmap font (3 x 5 pixel glyphs: digits, capital letters, '.', '-', ':' and
// space) for frame numbers and captions in pictures, with no font file to find.
#pragma once

#include <string>

#include "render/image.h"

namespace korva::render {

// Width and height in pixels of `text` at `scale` (each glyph pixel a scale x scale square).
int TextWidth(const std::string& text, int scale);
int TextHeight(int scale);

// Draws `text` with its top-left corner at (x, y), clipped to the picture. Lower-case letters are
// drawn as capitals; other characters as a blank.
void DrawText(Image* image, int x, int y, const std::string& text, int scale, Color color);

}  // namespace korva::render

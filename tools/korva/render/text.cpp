#include "render/text.h"

#include <cctype>

namespace korva::render {
namespace {
constexpr int kGlyphWidth = 3, kGlyphHeight = 5;

// Five rows of three pixels per glyph, '#' set.
const char* GlyphRows(char c) {
  switch (std::toupper(static_cast<unsigned char>(c))) {
    case '0':
      return "####.##.##.####";
    case '1':
      return ".#.##..#..#.###";
    case '2':
      return "###..#####..###";
    case '3':
      return "###..####..####";
    case '4':
      return "#.##.####..#..#";
    case '5':
      return "####..###..####";
    case '6':
      return "####..####.####";
    case '7':
      return "###..#..#..#..#";
    case '8':
      return "####.#####.####";
    case '9':
      return "####.####..####";
    case '.':
      return ".............#.";
    case '-':
      return "......###......";
    case ':':
      return "....#.....#....";
    case 'A':
      return ".#.#.#####.##.#";
    case 'B':
      return "##.#.###.#.###.";
    case 'C':
      return ".###..#..#...##";
    case 'D':
      return "##.#.##.##.###.";
    case 'E':
      return "####..##.#..###";
    case 'F':
      return "####..##.#..#..";
    case 'G':
      return ".###..#.##.#.##";
    case 'H':
      return "#.##.#####.##.#";
    case 'I':
      return "###.#..#..#.###";
    case 'J':
      return "..#..#..##.#.#.";
    case 'K':
      return "#.##.###.#.##.#";
    case 'L':
      return "#..#..#..#..###";
    case 'M':
      return "#.########.##.#";
    case 'N':
      return "##.#.##.##.##.#";
    case 'O':
      return ".#.#.##.##.#.#.";
    case 'P':
      return "##.#.###.#..#..";
    case 'Q':
      return ".#.#.##.###..##";
    case 'R':
      return "##.#.###.#.##.#";
    case 'S':
      return ".###...#...###.";
    case 'T':
      return "###.#..#..#..#.";
    case 'U':
      return "#.##.##.##.####";
    case 'V':
      return "#.##.##.##.#.#.";
    case 'W':
      return "#.##.########.#";
    case 'X':
      return "#.##.#.#.#.##.#";
    case 'Y':
      return "#.##.#.#..#..#.";
    case 'Z':
      return "###..#.#.#..###";
    default:
      return "...............";
  }
}
}  // namespace

int TextWidth(const std::string& text, int scale) {
  if (text.empty()) return 0;
  return static_cast<int>(text.size()) * (kGlyphWidth + 1) * scale - scale;
}

int TextHeight(int scale) {
  return kGlyphHeight * scale;
}

void DrawText(Image* image, int x, int y, const std::string& text, int scale, Color color) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char* rows = GlyphRows(text[i]);
    const int left = x + static_cast<int>(i) * (kGlyphWidth + 1) * scale;
    for (int p = 0; p < kGlyphWidth * kGlyphHeight && rows[p] != '\0'; ++p) {
      if (rows[p] != '#') continue;
      const int gx = left + (p % kGlyphWidth) * scale, gy = y + (p / kGlyphWidth) * scale;
      for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
          const int px = gx + dx, py = gy + dy;
          if (px >= 0 && py >= 0 && px < image->width() && py < image->height()) {
            image->set(px, py, color);
          }
        }
      }
    }
  }
}

}  // namespace korva::render

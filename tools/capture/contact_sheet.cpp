#include "contact_sheet.h"

#include <algorithm>
#include <string>

#include "capture_options.h"

namespace {

constexpr int kGap = 8;
constexpr std::uint8_t kBackground = 24;
constexpr int kGlyphScale = 4;  // the font's 3x5 cells drawn as 12x20 pixels
constexpr int kLabelPadding = 6;

// A 3x5 font for the labels: one row per string, '1' is lit.
const char* glyphRows(char c) {
  switch (c) {
    case '0': return "111101101101111";
    case '1': return "010110010010111";
    case '2': return "111001111100111";
    case '3': return "111001111001111";
    case '4': return "101101111001001";
    case '5': return "111100111001111";
    case '6': return "111100111101111";
    case '7': return "111001001001001";
    case '8': return "111101111101111";
    case '9': return "111101111001111";
    case '.': return "000000000000010";
    case 's': return "000011100001110";
    default: return "000000000000000";
  }
}

void fill(Image& image, int x0, int y0, int width, int height, std::uint8_t value) {
  for (int y = y0; y < y0 + height; ++y)
    for (int x = x0; x < x0 + width; ++x)
      for (int channel = 0; channel < 3; ++channel) image.pixel(x, y)[channel] = value;
}

// Draws white text on a dark box whose lower left corner is at (x0, bottom).
void drawLabel(Image& image, int x0, int bottom, const std::string& text) {
  const int advance = 4 * kGlyphScale;
  const int width = static_cast<int>(text.size()) * advance - kGlyphScale + 2 * kLabelPadding;
  const int height = 5 * kGlyphScale + 2 * kLabelPadding;
  fill(image, x0, bottom - height, width, height, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* rows = glyphRows(text[i]);
    for (int row = 0; row < 5; ++row)
      for (int column = 0; column < 3; ++column)
        if (rows[row * 3 + column] == '1')
          fill(image, x0 + kLabelPadding + static_cast<int>(i) * advance + column * kGlyphScale,
               bottom - height + kLabelPadding + row * kGlyphScale, kGlyphScale, kGlyphScale, 255);
  }
}

}  // namespace

Image composeContactSheet(const std::vector<SheetCell>& cells) {
  const int count = static_cast<int>(cells.size());
  const int columns = std::min(count, kSheetColumns);
  const int rows = (count + kSheetColumns - 1) / kSheetColumns;
  const int cellWidth = cells.empty() ? 0 : cells[0].small.width;
  const int cellHeight = cells.empty() ? 0 : cells[0].small.height;
  Image sheet = makeImage(columns * (cellWidth + kGap) + kGap, rows * (cellHeight + kGap) + kGap);
  fill(sheet, 0, 0, sheet.width, sheet.height, kBackground);
  for (int i = 0; i < count; ++i) {
    const Image& small = cells[static_cast<std::size_t>(i)].small;
    const int x0 = kGap + (i % kSheetColumns) * (cellWidth + kGap);
    const int y0 = kGap + (i / kSheetColumns) * (cellHeight + kGap);
    for (int y = 0; y < cellHeight; ++y)
      std::copy_n(small.pixel(0, y), static_cast<std::size_t>(cellWidth) * 3, sheet.pixel(x0, y0 + y));
    drawLabel(sheet, x0, y0 + cellHeight, formatSeconds(cells[static_cast<std::size_t>(i)].us) + "s");
  }
  return sheet;
}

// The contact sheet: quarter-size frames in a grid of up to four columns, each labelled with its
// time in seconds in its lower left corner.
#pragma once

#include <cstdint>
#include <vector>

#include "frame_image.h"

inline constexpr int kSheetScale = 4;  // each cell is a 480x270 frame
inline constexpr int kSheetColumns = 4;

struct SheetCell {
  Image small;  // the frame downscaled by kSheetScale
  std::int64_t us = 0;
};

Image composeContactSheet(const std::vector<SheetCell>& cells);

// A probe image for the cross kernels of the gather and post passes: full size, black and opaque,
// with one white column or row, stored in 8 bits like the pipeline's targets.
#pragma once

#include <vector>

#include "gl/gl_test_support.h"
#include "pipeline.h"

inline GLuint brightLineImage(bool column, int at) {
  std::vector<float> texels(static_cast<std::size_t>(kWidth) * kHeight * 4, 0.0f);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::size_t texel = (static_cast<std::size_t>(y) * kWidth + x) * 4;
      texels[texel + 3] = 1.0f;
      if ((column ? x : y) == at) texels[texel] = texels[texel + 1] = texels[texel + 2] = 1.0f;
    }
  }
  return makeTexture(kWidth, kHeight, texels);
}

// Frame images for the capture tool: read back from the window, downscaled and written as
// PNG. Pixels are 8-bit RGB, rows top-down (the order of image files, not of GL).
//
// Depends on libpng and a current GL context for readWindowFrame().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, top row first

  std::uint8_t* pixel(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
  const std::uint8_t* pixel(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

Image makeImage(int width, int height);

// Reads the window's frame (framebuffer 0, 1920x1080) as it stands after the post pass.
Image readWindowFrame();

// Each output pixel is the rounded mean of a factor x factor block. The size must divide evenly.
Image downscale(const Image& image, int factor);

// Writes the image as an RGB PNG. The file appears whole or not at all: it is written under a
// temporary name beside the target and renamed. Returns false when it cannot be written.
bool writePng(const std::string& path, const Image& image);

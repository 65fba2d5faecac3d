#include "frame_image.h"

#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "pipeline.h"

Image makeImage(int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
  return image;
}

Image readWindowFrame() {
  // GL hands rows back bottom-up; image files want them top-down.
  Image bottomUp = makeImage(kWidth, kHeight);
  gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer")(GL_FRAMEBUFFER, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.rgb.data());
  Image image = makeImage(kWidth, kHeight);
  const std::size_t rowBytes = static_cast<std::size_t>(kWidth) * 3;
  for (int y = 0; y < kHeight; ++y)
    std::copy_n(bottomUp.pixel(0, kHeight - 1 - y), rowBytes, image.pixel(0, y));
  return image;
}

Image downscale(const Image& image, int factor) {
  Image small = makeImage(image.width / factor, image.height / factor);
  const int area = factor * factor;
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x)
      for (int channel = 0; channel < 3; ++channel) {
        int sum = 0;
        for (int dy = 0; dy < factor; ++dy)
          for (int dx = 0; dx < factor; ++dx) sum += image.pixel(x * factor + dx, y * factor + dy)[channel];
        small.pixel(x, y)[channel] = static_cast<std::uint8_t>((sum + area / 2) / area);
      }
  return small;
}

bool writePng(const std::string& path, const Image& image) {
  png_image png = {};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  // A device or pipe named as the output (/dev/stdout, /dev/full) is written through as it is: a
  // scratch file renamed over it would replace the device node, and libpng's own file writer
  // removes its file when a write fails.
  struct stat target = {};
  if (stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = png_image_write_to_stdio(&png, file, 0, image.rgb.data(), image.width * 3, nullptr) != 0 &&
                         std::fflush(file) == 0 && !std::ferror(file);
    return std::fclose(file) == 0 && written;
  }
  const std::string partial = path + ".part";
  if (!png_image_write_to_file(&png, partial.c_str(), 0, image.rgb.data(), image.width * 3, nullptr)) {
    std::remove(partial.c_str());
    return false;
  }
  if (std::rename(partial.c_str(), path.c_str()) == 0) return true;
  std::remove(partial.c_str());
  return false;
}

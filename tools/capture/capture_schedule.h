// Which frames a capture renders and the frame time each one sees. Times are whole microseconds
// from the start of the soundtrack; frame n of a capture at fps frames per second is the one
// shown from n / fps seconds on. Everything is integer arithmetic, so a time such as 0.1 s at
// 30 fps lands on exactly the frame it names.
#pragma once

#include <algorithm>
#include <cstdint>

inline constexpr std::int64_t kMicrosecondsPerSecond = 1000000;

// trunc(n * 1000 / fps) milliseconds: the demo's frame time for a position of n / fps seconds.
inline std::int32_t captureFrameMs(std::int64_t frame, int fps) {
  return static_cast<std::int32_t>(frame * 1000 / fps);
}

// The first frame n with n / fps >= us.
inline std::int64_t firstFrameFrom(std::int64_t us, int fps) {
  return (us * fps + kMicrosecondsPerSecond - 1) / kMicrosecondsPerSecond;
}

// The frame on screen at us: the last n with n / fps <= us.
inline std::int64_t frameShownAt(std::int64_t us, int fps) { return us * fps / kMicrosecondsPerSecond; }

struct FrameSpan {
  std::int64_t first = 0;
  std::int64_t count = 0;
};

// The frames n with from <= n / fps < to.
inline FrameSpan framesBetween(std::int64_t fromUs, std::int64_t toUs, int fps) {
  const std::int64_t first = firstFrameFrom(fromUs, fps);
  return {first, std::max<std::int64_t>(0, firstFrameFrom(toUs, fps) - first)};
}

// The part-th of `parts` contiguous slices of the span (part from 1 to parts), as even as whole
// frames allow: the slices follow each other without a gap and together are the span.
inline FrameSpan partOf(FrameSpan span, int part, int parts) {
  const std::int64_t first = span.first + span.count * (part - 1) / parts;
  return {first, span.first + span.count * part / parts - first};
}

// The frame rendered `before` frames ahead of frame n to warm the echo up. There is nothing
// before the soundtrack's start, so frames that would fall before it repeat frame 0.
inline std::int64_t warmupFrame(std::int64_t frame, std::int64_t before) {
  return std::max<std::int64_t>(0, frame - before);
}

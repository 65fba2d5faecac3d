// Writes captured frames on a thread of its own, so that encoding a frame (PNG compression, or
// the pipe to ffmpeg) overlaps the rendering of the next one. At most one frame waits besides the
// one being written: memory stays bounded, and a writer slower than the renderer slows the
// capture down instead of piling frames up.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "frame_image.h"

class FrameWriter {
 public:
  // write(n, image) writes frame n and returns false when it could not.
  using Write = std::function<bool(std::int64_t, const Image&)>;

  explicit FrameWriter(Write write);
  ~FrameWriter();
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  // Hands frame n over, waiting while another frame is still waiting. False once a write has
  // failed: the frame is then dropped and the capture should stop.
  bool push(std::int64_t frame, Image image);

  // Writes what is waiting and ends the thread. Frames are written in the order pushed, and
  // none after a failed one.
  void finish();

  std::int64_t written() const { return written_; }
  bool failed() const { return failed_; }

 private:
  void run();

  Write write_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::pair<std::int64_t, Image>> waiting_;
  bool finishing_ = false;
  bool failed_ = false;
  std::int64_t written_ = 0;
  std::thread thread_;
};

#include "frame_writer.h"

#include <utility>

FrameWriter::FrameWriter(Write write) : write_(std::move(write)), thread_([this] { run(); }) {}

FrameWriter::~FrameWriter() { finish(); }

bool FrameWriter::push(std::int64_t frame, Image image) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !waiting_ || failed_; });
  if (failed_) return false;
  waiting_.emplace(frame, std::move(image));
  changed_.notify_all();
  return true;
}

void FrameWriter::finish() {
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void FrameWriter::run() {
  for (;;) {
    std::pair<std::int64_t, Image> frame;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return waiting_ || finishing_; });
      if (!waiting_) return;
      frame = std::move(*waiting_);
      waiting_.reset();
    }
    // The slot is free again: the renderer may hand over the next frame while this one is written.
    changed_.notify_all();
    const bool ok = write_(frame.first, frame.second);
    std::lock_guard lock(mutex_);
    if (!ok) {
      failed_ = true;
      waiting_.reset();
      changed_.notify_all();
      return;
    }
    ++written_;
  }
}

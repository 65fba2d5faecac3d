// The MP4 output: the ffmpeg program, started with raw RGB frames on its standard input and the
// soundtrack's audio cut to the captured span, encoding H.264 and AAC into one file; and the
// join of such files, captured in parts, into one.
#pragma once

#include <sys/types.h>

#include <cstdint>

#include <string>
#include <vector>

#include "frame_image.h"

// True when the program can be started, looked up on PATH as posix_spawnp does: it is run once
// with -version, its output dropped.
bool programStarts(const std::string& program);

struct VideoPipeSettings {
  std::string ffmpeg;      // the program, found on PATH unless it holds a slash
  std::string output;      // the .mp4 file
  std::string soundtrack;  // audio source; none: a video without sound
  int fps = 60;
  int width = 0;
  int height = 0;
  std::string audioStart;     // seconds, as ffmpeg reads them
  std::string audioDuration;  // seconds
};

struct VideoPipe {
  pid_t pid = -1;
  int input = -1;  // ffmpeg's standard input
};

// Starts ffmpeg. It runs in a process group of its own, so a Ctrl+C meant for the capture does
// not cut the encoder off before the frames already sent are written. Returns false on failure.
bool startVideoPipe(VideoPipe& pipe, const VideoPipeSettings& settings);
// Sends one frame; false when ffmpeg is no longer reading.
bool writeVideoFrame(VideoPipe& pipe, const Image& frame);
// Closes the input so that ffmpeg finishes the file, and waits for it. True when it succeeded.
bool finishVideoPipe(VideoPipe& pipe);

struct VideoJoinSettings {
  std::string ffmpeg;
  std::string output;                 // the joined .mp4 file
  std::string list;                   // a scratch file for ffmpeg's list of the segments
  std::vector<std::string> segments;  // MP4 files with the same encoding, in order
  std::string soundtrack;
  std::string audioStart;     // seconds
  std::string audioDuration;  // seconds
};

// Joins the segments' video into one stream, unchanged, with the soundtrack's audio from
// audioStart for audioDuration. ffmpeg reports its own errors on standard error. True on success.
bool joinVideoSegments(const VideoJoinSettings& settings);

// The number of frames in the file's first video stream, counted by the ffprobe program; -1 when
// it cannot be read.
std::int64_t countVideoFrames(const std::string& ffprobe, const std::string& file);

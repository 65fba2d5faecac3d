// The demo's run: display, pipeline, soundtrack, then frames until Escape or the soundtrack's end.
// Shared by the demo and the editing build, which adds its own work before each frame.
#pragma once

#include "frame_time.h"
#include "pipeline.h"
#include "shader_sources.h"
#include "platform/platform.h"
#include "soundtrack_player.h"

// The display mode the demo asks for, kept in the data section ".screens".
extern DisplayMode displayMode;

// Opens the soundtrack (a UTF-8 name). On failure, after the player's own line, says why, naming
// the file: on standard error, and on Windows, where the demo has no console, in a message box
// too. Returns false then.
bool openSoundtrack(SoundtrackPlayer& player, const char* fileName);

// The steps of the demo's start-up, in order, as startDemo reports them.
enum class StartStep { DisplayOpen, PipelineReady, SoundtrackOpen };

// Start-up as the demo does it: the display, the pipeline from the embedded shaders, then the
// soundtrack, which it starts playing. after(step) runs after each step that succeeded. Returns
// false, having said why, when the display or the soundtrack cannot be had.
template <typename AfterStep>
bool startDemo(Pipeline& pipeline, SoundtrackPlayer& player, const char* soundtrackFile, AfterStep&& after) {
  if (!platformOpenDisplay(displayMode)) return false;
  after(StartStep::DisplayOpen);
  setUpPipeline(pipeline, shaderSources);
  after(StartStep::PipelineReady);
  if (!openSoundtrack(player, soundtrackFile)) return false;
  after(StartStep::SoundtrackOpen);
  player.play();
  return true;
}

// One frame of the loop: the three passes at the player's position, read once, then the swap.
// Returns that position in seconds.
inline double drawAndPresentFrame(Pipeline& pipeline, SoundtrackPlayer& player) {
  double t = 0;
  drawFrame(pipeline, [&] {
    t = player.position();
    return frameMilliseconds(t);
  });
  presentFrame(pipeline);
  return t;
}

// What the loop does once the position read for a frame has reached the soundtrack's length.
enum class AtSoundtrackEnd { Exit, KeepRunning };

// Runs frames until Escape is down or the position read for a frame has reached the length. That
// last frame is still drawn and presented. beforeFrame(pipeline, player) runs after the event poll.
// With AtSoundtrackEnd::KeepRunning only Escape ends the loop (the editing build).
template <typename BeforeFrame>
void runFrameLoop(Pipeline& pipeline, SoundtrackPlayer& player, BeforeFrame&& beforeFrame,
                  AtSoundtrackEnd atEnd = AtSoundtrackEnd::Exit) {
  for (;;) {
    platformPollEvent();
    beforeFrame(pipeline, player);
    const double t = drawAndPresentFrame(pipeline, player);
    if (platformKeyDown(Key::Escape)) return;
    if (atEnd == AtSoundtrackEnd::Exit && !(player.lengthSeconds() > t)) return;
  }
}

// The whole run, start-up to exit. Exits with status 1 when the display or the soundtrack cannot
// be had, else 0.
template <typename BeforeFrame>
[[noreturn]] void runDemo(BeforeFrame&& beforeFrame, AtSoundtrackEnd atEnd = AtSoundtrackEnd::Exit) {
  static Pipeline pipeline;
  static SoundtrackPlayer player;
  if (!startDemo(pipeline, player, kSoundtrackFile, [](StartStep) {})) platformExit(1);
  runFrameLoop(pipeline, player, beforeFrame, atEnd);
  platformExit(0);
}

// The demo's run: display, pipeline, soundtrack, then frames until Escape or the soundtrack's end.
// Shared by the demo and the editing build, which adds its own work before each frame.
#pragma once

#include "frame_time.h"
#include "pipeline.h"
#include "shader_sources.h"
#include "platform/platform.h"
#include "soundtrack_player.h"

inline constexpr wchar_t kSoundtrackFile[] = L"brimvale-tarnel.wav";

// The display mode the demo asks for, kept in the data section ".screens".
extern DisplayMode displayMode;

// Opens the soundtrack. On failure, after the player's own line, prints the reason to standard
// error naming the file, and returns false.
bool openSoundtrack(SoundtrackPlayer& player, const wchar_t* fileName);

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
    double t = 0;
    drawFrame(pipeline, [&] {
      t = player.position();
      return frameMilliseconds(t);
    });
    presentFrame(pipeline);
    if (platformKeyDown(Key::Escape)) return;
    if (atEnd == AtSoundtrackEnd::Exit && !(player.lengthSeconds() > t)) return;
  }
}

// The whole run, start-up to exit. Exits with status 1 when the display or the soundtrack cannot
// be had, else 0.
template <typename BeforeFrame>
[[noreturn]] void runDemo(BeforeFrame&& beforeFrame, AtSoundtrackEnd atEnd = AtSoundtrackEnd::Exit) {
  if (!platformOpenDisplay(displayMode)) platformExit(1);
  static Pipeline pipeline;
  setUpPipeline(pipeline, shaderSources);
  static SoundtrackPlayer player;
  if (!openSoundtrack(player, kSoundtrackFile)) platformExit(1);
  player.play();
  runFrameLoop(pipeline, player, beforeFrame, atEnd);
  platformExit(0);
}

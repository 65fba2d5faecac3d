#include "edit_frame.h"

#include "platform/platform.h"
#include "shader_reload.h"

namespace {
constexpr Key kTransportKeys[4] = {Key::Space, Key::Left, Key::Right, Key::Home};
}

void applyTransport(Transport& transport, SoundtrackPlayer& player) {
  bool pressed[4] = {};
  for (int key = 0; key < 4; ++key) {
    const bool down = platformKeyDown(kTransportKeys[key]);
    // A key reads down for every frame it is held; only the first of them is a press.
    pressed[key] = down && !transport.wasDown[key];
    transport.wasDown[key] = down;
  }
  if (pressed[0]) player.toggle();
  if (pressed[1]) player.seek(player.position() - kSeekStepSeconds);
  if (pressed[2]) player.seek(player.position() + kSeekStepSeconds);
  if (pressed[3]) player.seek(0);

  const bool atEnd = !(player.lengthSeconds() > player.position());
  if (atEnd && !transport.wasAtEnd) player.stop();
  transport.wasAtEnd = atEnd;
}

void editFrame(Transport& transport, Pipeline& pipeline, SoundtrackPlayer& player) {
  reloadShaders(pipeline.scene, pipeline.post, pipeline.gather);
  applyTransport(transport, player);
}

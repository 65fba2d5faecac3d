// kyla-edit: the demo as an editing tool. It runs the demo's display, pipeline and frame loop, and
// before each frame reloads the shaders on Ctrl+S and acts on the transport keys. It does not end
// at the soundtrack's end (it pauses there); Escape ends it.
#include <getopt.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "demo.h"
#include "edit_frame.h"
#include "options.h"
#include "shader_reload.h"

namespace {

constexpr char kUsage[] =
    "usage: kyla-edit [--help]\n"
    "\n"
    "Runs the demo for editing its shaders. Run it from a folder beside src/ (such as build/) that\n"
    "holds brimvale-tarnel.wav: Ctrl+S rebuilds the programs from ../src/shaders/fragment.frag,\n"
    "post.frag and gather.frag. A file that is missing or does not compile is reported and the\n"
    "running program is kept.\n"
    "\n"
    "  Ctrl+S   reload the shaders\n"
    "  Space    play / pause\n"
    "  Left     5 s back\n"
    "  Right    5 s forward\n"
    "  Home     back to the start\n"
    "  Escape   quit\n"
    "\n"
    "At the end of the soundtrack playback pauses on the last frame.\n";

// The reload reads through a path relative to the working directory; say so at once when it
// leads nowhere, rather than on the first Ctrl+S.
void reportMissingShaderFolder() {
  std::error_code error;
  if (std::filesystem::is_directory(kShaderFolder, error)) return;
  const auto here = std::filesystem::current_path(error);
  std::fprintf(stderr,
               "kyla-edit: no shader folder at '%s' from '%s'; Ctrl+S cannot reload until it runs from a "
               "folder beside src/ (such as build/); running the embedded shaders\n",
               kShaderFolder, here.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const option options[] = {{"help", no_argument, nullptr, 'h'}, {}};
  for (int code; (code = getopt_long(argc, argv, ":h", options, nullptr)) != -1;) {
    if (code != 'h') {
      reportBadOption("kyla-edit", code, argv);
      return kExitBadOption;
    }
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!noArgumentsLeft("kyla-edit", argc, argv)) return kExitBadOption;
  reportMissingShaderFolder();
  static Transport transport;
  runDemo([](Pipeline& pipeline, SoundtrackPlayer& player) { editFrame(transport, pipeline, player); },
          AtSoundtrackEnd::KeepRunning);
}

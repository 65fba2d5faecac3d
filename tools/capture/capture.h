// kyla-capture's run: the checks, then the frames through the demo's own pipeline and embedded
// shaders on the headless backend, then the chosen output. Returns the process's exit status:
// 0 on success, 2 for bad input, 1 for a failure while working, 130 when stopped by Ctrl+C.
#pragma once

int runCapture(int argc, char* argv[]);

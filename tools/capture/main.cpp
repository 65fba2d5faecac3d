// kyla-capture: renders the demo's frames offline to PNG stills, a contact sheet or an MP4.
#include "capture.h"

int main(int argc, char** argv) { return runCapture(argc, argv); }

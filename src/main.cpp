// kyla: the demo. Takes no arguments and ignores any.
#include "demo.h"

#ifdef _WIN32
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#else
int main() {
#endif
  runDemo([](Pipeline&, SoundtrackPlayer&) {});
}

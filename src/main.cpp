// kyla: the demo. Takes no arguments and ignores any.
#include "demo.h"

int main() {
  runDemo([](Pipeline&, SoundtrackPlayer&) {});
}

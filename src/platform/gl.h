// GL access for the demo. Version 1.1 functions come from <GL/gl.h> and are called directly;
// every later entry point is looked up by name through the platform at each use:
//   gl<PFNGLUSEPROGRAMPROC>("glUseProgram")(program);
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/platform.h"

template <typename Entry>
inline Entry gl(const char* name) {
  return reinterpret_cast<Entry>(platformGLProc(name));
}

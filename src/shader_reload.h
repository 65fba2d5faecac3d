// Shader reload for editing: Ctrl+S rebuilds the three programs from the source tree.
#pragma once

#include "platform/gl.h"

// Reads a whole text file into a NUL-terminated heap buffer (CR LF read as LF). The caller frees
// it with std::free. Returns nullptr when the file cannot be opened.
char* readTextFile(const char* path);

// When Ctrl+S is held and was not seen in the last 500 ms, rebuilds the programs from
// "../src/shaders/" (fragment, post, gather).
void reloadShaders(GLuint& scene, GLuint& post, GLuint& gather);

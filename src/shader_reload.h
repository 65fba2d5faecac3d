// Shader reload for editing: Ctrl+S rebuilds the three programs from the source tree.
//
// The files are read through kShaderFolder, relative to the working directory, so the program
// must run from a folder beside src/ (the build folder is one). Used by the editing build only;
// the demo never polls it. Depends on the platform layer (keys, clock, sleep, message box) and
// GL 4.3 separable programs.
#pragma once

#include "platform/gl.h"

inline constexpr char kShaderFolder[] = "../src/shaders/";

// The largest shader file read, about a hundred times the largest of the demo's: anything bigger
// is a mistake (a log or a video saved under the shader's name), not worth a long compile.
inline constexpr long kShaderFileLimit = 1 << 20;

// Reads a whole text file into a NUL-terminated heap buffer, CR LF read as LF. The caller frees it
// with std::free. Returns nullptr, with errno saying why, when the file cannot be opened or read:
// EISDIR for a folder and EINVAL for anything else that is not a regular file (a pipe, a device),
// which is refused without being opened; EFBIG for a file over kShaderFileLimit bytes, and
// EILSEQ for one holding a NUL byte, which is not text and would cut the source short unseen.
char* readTextFile(const char* path);

// When Ctrl+S is held and was last seen more than 500 ms ago, waits 200 ms (the editor may still
// be writing), then rebuilds the programs from fragment.frag, post.frag and gather.frag in
// kShaderFolder. A file that is missing, unreadable, empty or fails to build is reported in a message
// box and its program is kept; a program that is replaced is deleted.
void reloadShaders(GLuint& scene, GLuint& post, GLuint& gather);

// Forgets when Ctrl+S was last seen, as at process start. For tests that need a fresh debounce.
void resetShaderReload();

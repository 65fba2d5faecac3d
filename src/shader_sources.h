// The three GLSL programs, embedded at build time from src/shaders/.
#pragma once

enum ShaderSlot { kSceneSource = 0, kPostSource = 1, kGatherSource = 2, kShaderSourceCount = 3 };

// fragment.frag, post.frag, gather.frag: NUL-terminated texts, in the data section ".shader".
extern const char* shaderSources[kShaderSourceCount];

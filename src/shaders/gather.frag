#version 430
layout(location = 0) uniform int m;
layout(location = 1) uniform sampler2D i;
layout(location = 2) uniform sampler2D o;
out vec4 u;
float time = float(m) / 1000.0;
const vec2 R = vec2(1920, 1080);

void main() {
  vec2 uv = gl_FragCoord.xy / R;
  u = 2.0 * texture(i, uv) + texture(o, uv);
  u.rgb *= 0.25;
}

#version 430
layout(location = 0) uniform int m;
layout(location = 1) uniform sampler2D u;
layout(location = 2) uniform sampler2D uu;
out vec4 o;
float time = float(m) / 1000.0;
const vec2 R = vec2(1920, 1080);

void main() {
  vec2 uv = gl_FragCoord.xy / R;
  vec3 color = 0.5 + 0.5 * cos(time + uv.xyx + vec3(0, 2, 4));
  vec3 fa = 0.25 * texture(u, uv).rgb + 0.25 * texture(uu, uv).rgb;
  o = vec4(color * 0.5 + fa, 1);
}

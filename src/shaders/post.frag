#version 430
layout(location = 0) uniform int m;
layout(location = 1) uniform sampler2D o;
layout(location = 2) uniform sampler2D oo;
out vec4 i;
float time = float(m) / 1000.0;
const vec2 R = vec2(1920, 1080);

void main() {
  vec2 uv = gl_FragCoord.xy / R;
  i = texture(oo, uv) + texture(o, uv);
  i.rgb *= smoothstep(0.0, 14.0, time);
  i.rgb = sqrt(clamp(i.rgb, 0.0, 1.0));
}

#version 430
layout(location = 0) uniform int m;
layout(location = 1) uniform sampler2D o;
layout(location = 2) uniform sampler2D oo;
out vec4 i;
float time = float(m) / 1000.0;
const vec2 R = vec2(1920, 1080);

const float kertoimet[4] = float[4](0.1531, 0.12245, 0.0918, 0.051);

// Chromatic aberration: 22 samples of the gather image along the ray from the screen centre
// through u (in [-1, 1]), each channel zooming in at its own rate, so blue smears furthest.
// The strength canim grows from 40 s to 60 s.
vec3 ca(vec2 u) {
  vec3 c = vec3(0.0);
  float rf = 1.0;
  float gf = 1.0;
  float bf = 1.0;
  float canim = 4.0 + 20.0 * smoothstep(40.0, 60.0, time);
  for (int j = 0; j < 22; j++) {
    c.r += texture(o, 0.5 + 0.5 * u * rf).r;
    c.g += texture(o, 0.5 + 0.5 * u * gf).g;
    c.b += texture(o, 0.5 + 0.5 * u * bf).b;
    rf *= 0.9988 / (1.0 + 0.0002 * canim);
    gf *= 0.9982 / (1.0 + 0.0002 * canim);
    bf *= 0.996 / (1.0 + 0.0002 * canim);
  }
  return c / 25.5;
}

void main() {
  vec2 uv = gl_FragCoord.xy / R;
  // Crossed like the gather kernel, but twice as wide: horizontal taps about 14.2 pixels apart,
  // vertical ones about 1.1.
  vec2 s = vec2(2.0, 8.0) / R;
  // The centre reads the scene image, the rings read the gather image.
  i = 0.1633 * texture(oo, uv) + 0.1633 * texture(oo, uv);
  for (int r = 1; r <= 4; r++) {
    float w = kertoimet[r - 1];
    i += w * (texture(o, vec2(uv.x - float(r) * s.y, uv.y)) + texture(o, vec2(uv.x, uv.y - float(r) * s.x)) +
              texture(o, vec2(uv.x + float(r) * s.y, uv.y)) + texture(o, vec2(uv.x, uv.y + float(r) * s.x)));
  }
  i += texture(oo, uv);
  i += vec4(ca(-1.0 + 2.0 * uv), 1.0);

  i.rgb *= smoothstep(0.0, 14.0, time);
  if (time >= 50.0) {
    i.rgb *= 1.0 - smoothstep(50.0, 58.0, time);
  }

  // Vignette: 1 at the centre, falling towards 0 at x = 0.8 (never reached on screen). This is
  // smoothstep with reversed edges written out, since the built-in leaves that case undefined.
  float x = 0.9 * distance(uv, vec2(0.5));
  float v = clamp((x - 0.8) / (0.0799 - 0.8), 0.0, 1.0);
  i *= v * v * (3.0 - 2.0 * v);

  // Soft tone curve on all four channels, then a square-root gamma on the colour. The curve
  // lifts 0 slightly, so black shows as about 0.0143.
  i = smoothstep(-0.01, 1.2, i);
  i.rgb = pow(i.rgb, vec3(0.5));
}

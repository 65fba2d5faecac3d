#version 430
layout(location = 0) uniform int m;
layout(location = 1) uniform sampler2D i;
layout(location = 2) uniform sampler2D o;
out vec4 u;
float time = float(m) / 1000.0;
const vec2 R = vec2(1920, 1080);

// Ring weights of the cross kernel; with the doubled centre they sum to 2.
const float kertoimet[4] = float[4](0.1531, 0.12245, 0.0918, 0.051);

void main() {
  vec2 uv = gl_FragCoord.xy / R;
  // The components are crossed on purpose: horizontal taps step by 4/1080 of the width (about
  // 7.1 pixels), vertical ones by 2/1920 of the height (about 1.1 pixels), which stretches the
  // glow sideways.
  vec2 s = vec2(2.0, 4.0) / R;
  u = 0.1633 * texture(i, uv) + 0.1633 * texture(i, uv);
  for (int r = 1; r <= 4; r++) {
    float w = kertoimet[r - 1];
    u += w * (texture(i, vec2(uv.x - float(r) * s.y, uv.y)) + texture(i, vec2(uv.x, uv.y - float(r) * s.x)) +
              texture(i, vec2(uv.x + float(r) * s.y, uv.y)) + texture(i, vec2(uv.x, uv.y + float(r) * s.x)));
  }
  u += texture(o, uv);
  // Alpha stays the sum of the inputs' alphas; the 8-bit target clamps it to 1.
  u.rgb *= 0.25;
}

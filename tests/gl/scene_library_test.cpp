// The distance-field library of the scene source, run on the driver exactly as it ships.
#include <cmath>

#include "gl/scene_cases.h"

namespace {

// The hash of the value noise at a lattice point whose dot product with (7, 157, 113) is x.
float latticeHash(double x) {
  const double h = std::sin(x) * 43758.5;
  return static_cast<float>(h - std::floor(h));
}

// One component of palette(t, A, B, C, D) with the house constants.
float housePalette(double t, double a, double b, double c, double d) {
  return static_cast<float>(a + b * std::cos(6.28318 * (c * t + d)));
}

TEST(SceneLibrary, HelpersFoldsAndPrimitives) {
  const float root3 = std::sqrt(3.0f);
  const float roofT = std::sqrt(2.0f);
  expectCases(shaderSourceFile("fragment.frag"), {
      {"sgn counts zero and minus zero as positive, unlike sign",
       "r = vec4(sgn(zero), sgn(-zero), sgn(zero - 2.0), sign(zero));", {1, 1, -1, 0}, 0},
      {"pMod1 at +halfsize gives cell 1 and -halfsize; at -halfsize cell 0 and -halfsize",
       "float p = 2.0 + zero; float c = pMod1(p, 4.0); float q = -2.0 + zero; float d = pMod1(q, 4.0);"
       "r = vec4(c, p, d, q);", {1, -2, 0, -2}, 0},
      {"pMod1 in the middle of a far cell; mod takes the sign of the size",
       "float p = -9.0 + zero; float c = pMod1(p, 4.0); float q = 13.0 + zero; float d = pMod1(q, 4.0);"
       "r = vec4(c, p, d, q);", {-2, -1, 3, 1}, 0},
      {"pMod2 works per component, in place on a swizzle",
       "vec3 p = vec3(2, 7, -4) + zero; vec2 c = pMod2(p.xz, vec2(4, 8)); r = vec4(c, p.x, p.z + p.y);",
       {1, 0, -2, 3}, 0},
      {"pMirror at 0 returns 1 and leaves -dist; below 0 returns -1",
       "float p = zero; float s = pMirror(p, 1.0); float q = zero - 3.0; float t = pMirror(q, 1.0);"
       "r = vec4(s, p, t, q);", {1, -1, -1, 2}, 0},
      {"pMirrorOctant swaps when y > x and returns the built-in signs",
       "vec2 p = vec2(3, 5) + zero; vec2 s = pMirrorOctant(p, vec2(1)); r = vec4(s, p);", {1, 1, 4, 2}, 0},
      {"pMirrorOctant keeps x >= y, and a zero component's sign is 0",
       "vec2 p = vec2(-5, 0) + zero; vec2 s = pMirrorOctant(p, vec2(1, 2)); r = vec4(s, p);", {-1, 0, 4, -2}, 0},
      {"pMirrorOctant on a swizzle leaves the other component alone",
       "vec3 p = vec3(3, 9, 5) + zero; pMirrorOctant(p.xz, vec2(1)); r = vec4(p, 0);", {4, 9, 2, 0}, 0},
      {"pR by 90 degrees takes (1, 0) to (0, -1); pR45 takes (1, 1) onto the x axis",
       "vec2 p = vec2(1, 0) + zero; pR(p, radians(90.0)); vec2 q = vec2(1, 1) + zero; pR45(q); r = vec4(p, q);",
       {0, -1, std::sqrt(2.0f), 0}, 1e-6f},
      {"fBox: centre, outside along an axis, past a corner, inside off centre",
       "vec3 b = vec3(1, 2, 3); r = vec4(fBox(vec3(zero), b), fBox(vec3(4, 0, 0) + zero, b),"
       " fBox(vec3(2, 3, 4) + zero, b), fBox(vec3(0.5, 0, 0) + zero, b));",
       {-1, 3, root3, -0.5f}, 1e-6f},
      {"fBoxCheap, fPlane, vmax, vmax2",
       "r = vec4(fBoxCheap(vec3(2, 3, 4) + zero, vec3(1, 2, 3)), fPlane(vec3(1, 2, 3) + zero, vec3(0, 1, 0), 1.0),"
       " vmax(vec3(1, 5, 2) + zero), vmax2(vec2(-1, -3) + zero));",
       {1, 3, 5, -1}, 0},
      {"fOpUnionStairs is never above min(a, b), cuts below it near a = b, and is min far from it",
       "float worst = -1e9; float best = 1e9;"
       "for (int i = 0; i < 40; ++i) for (int j = 0; j < 40; ++j) {"
       "  float a = -2.0 + 0.1 * float(i) + zero; float b = -2.0 + 0.1 * float(j) + 0.013;"
       "  float e = fOpUnionStairs(a, b, 0.5, 4.0) - min(a, b); worst = max(worst, e); best = min(best, e); }"
       "r = vec4(worst <= 0.0 ? 1.0 : 0.0, best < -0.05 ? 1.0 : 0.0,"
       " fOpUnionStairs(5.0 + zero, 7.0, 0.5, 4.0), fOpUnionStairs(7.0 + zero, 5.0, 0.5, 8.0));",
       {1, 1, 5, 5}, 0},
      {"noise at lattice points is the hash of dot(ip, (7, 157, 113))",
       "float diff = 0.0; vec3 ips[5] = vec3[](vec3(0), vec3(1, 0, 0), vec3(-2, 1, 0), vec3(0, -1, 1), vec3(3, 1, 1));"
       "for (int i = 0; i < 5; ++i) { vec3 ip = ips[i] + zero;"
       "  diff = max(diff, abs(noise(ip) - fract(sin(dot(ip, vec3(7, 157, 113))) * 43758.5))); }"
       "r = vec4(diff, noise(vec3(zero)), noise(vec3(1, 0, 0) + zero), noise(vec3(-1, 0, 0) + zero));",
       {0, 0, latticeHash(7), latticeHash(-7)}, 0.01f},
      {"noise halfway between corners: +7 steps x, +157 y, +113 z",
       "vec4 hh = fract(sin(vec4(0, 7, 157, 113) + zero) * 43758.5);"
       "r = abs(vec4(noise(vec3(0.5, 0, 0) + zero) - 0.5 * (hh.x + hh.y),"
       "             noise(vec3(0, 0.5, 0) + zero) - 0.5 * (hh.x + hh.z),"
       "             noise(vec3(0, 0, 0.5) + zero) - 0.5 * (hh.x + hh.w), 0));",
       {0, 0, 0, 0}, 1e-5f},
      {"palette with the house constants at the roof's sqrt(2)",
       "r = vec4(palette(sqrt(2.0) + zero, A, B, C, D), 0);",
       {housePalette(roofT, 0.2, 0.5, 1, 0.25), housePalette(roofT, 0.1, 0.5, 1, 0.5),
        housePalette(roofT, 0.25, 0.5, 0, 0.8), 0},
       1e-5f},
  });
}

}  // namespace

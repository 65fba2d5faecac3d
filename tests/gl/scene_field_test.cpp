// The scene's distance field, its materials, the marcher and the normal, run on the driver
// exactly as they ship. Expected distances come from the geometry worked out by hand through the
// fold, the cell and the mirrors: (13.5, 3, 20) lies inside a house body, half a unit from its
// faces at x = 13 and z = 20.5.
#include <cmath>

#include "gl/scene_cases.h"

namespace {

// What a case writes for a material: reflective, shininess and the first two diffuse components.
enum class Kind { Base, Ground, Roof, Wall };

float paletteComponent(double t, double a, double c, double d) {
  return static_cast<float>(a + 0.5 * std::cos(6.28318 * (c * t + d)));
}

std::array<float, 4> material(Kind kind) {
  switch (kind) {
    case Kind::Base:  // the checker at (0.25, 0.25): both levels lit, (1, 1.3, 1.8) times 0.8
      return {1, 5, 0.8f, 1.04f};
    case Kind::Ground:
      return {0, 50, 0.275f, 0.25f};
    case Kind::Roof:  // the index (±1, ±1) always has length sqrt(2)
      return {0, 10, paletteComponent(std::sqrt(2.0), 0.2, 1, 0.25), paletteComponent(std::sqrt(2.0), 0.1, 1, 0.5)};
    case Kind::Wall:  // cell (1, 0): palette(1.75)
      return {1, 5, paletteComponent(1.75, 0.2, 1, 0.25), paletteComponent(1.75, 0.1, 1, 0.5)};
  }
  return {};
}

const char* const kMaterialOut = "r = vec4(float(mm.reflective), mm.shininess, mm.lambertian.xy);";

// nearestMaterial(maa, laatikko, pohja, katto, ...) for the four raw distances.
ShaderCase tie(const char* name, const char* distances, Kind kind) {
  return {name,
          std::string("float d[4] = float[](") + distances + "); Material mm = nearestMaterial(d[0] + zero, d[1], d[2],"
              " d[3], vec3(0.25, 0, 0.25), vec2(1, 0), 1.0, -1.0);" + kMaterialOut,
          material(kind), 1e-6f};
}

TEST(SceneField, MaterialChoiceBreaksTiesBaseGroundRoofWall) {
  //                                           maa  laatikko pohja katto
  expectCases(shaderSourceFile("fragment.frag"), {
      tie("all four equal: base", "1, 1, 1, 1", Kind::Base),
      tie("base ties ground: base", "0.5, 1, 0.5, 1", Kind::Base),
      tie("base ties body: base", "1, 0.5, 0.5, 1", Kind::Base),
      tie("ground ties roof and body: ground", "0.5, 0.5, 1, 0.5", Kind::Ground),
      tie("roof ties body: roof", "1, 0.5, 1, 0.5", Kind::Roof),
      tie("body strictly nearest: wall", "1, 0.49, 0.5, 0.5", Kind::Wall),
      tie("roof strictly nearest", "2, 3, 4, -1", Kind::Roof),
      tie("ground strictly nearest, all negative", "-3, -2, -1, -2.5", Kind::Ground),
  });
}

TEST(SceneField, SceneDistancesAndMaterials) {
  auto at = [](const char* point) {
    return std::string("float s = scene(vec3(") + point + ") + zero); Material mm = activeMaterial;"
           " r = vec4(s, float(mm.reflective), mm.shininess, mm.lambertian.x);";
  };
  const std::array<float, 4> roof = material(Kind::Roof);
  const std::array<float, 4> wall = material(Kind::Wall);
  expectCases(shaderSourceFile("fragment.frag"), {
      // Inside a house body, half a unit from its x faces.
      {"inside a body", at("13.5, 3, 20"), {-0.5f, 1, 5, wall[2]}, 1e-5f},
      // On a face of the guard box the distance is capped at 0.6 although the nearest part, the
      // roof, is 1.66 away; half a unit off that face the cap is 1.1. The roof is still chosen.
      {"on the guard box's face", at("14.5, 7.04, 16.25"), {0.6f, 0, 10, roof[2]}, 1e-4f},
      {"half a unit off the guard box's face", at("14.5, 7.04, 15.75"), {1.1f, 0, 10, roof[2]}, 1e-4f},
      // Far above, the guard (about 0.86 of the height) is returned, and the material is the
      // nearest raw part's: the tilted roof plates reach highest.
      {"far above the houses", at("0, 1000, 0"), {859.093f, 0, 10, roof[2]}, 0.02f},
      {"high above another cell", at("3, 100, 40"), {80.384f, 0, 10, roof[2]}, 0.01f},
  });
}

TEST(SceneField, EveryRoofHasTheSameColour) {
  // Sweeps the band of heights where the roofs are, over many cells in every quadrant.
  expectCases(shaderSourceFile("fragment.frag"), {
      {"roof colour over 36 cells",
       "vec3 expected = palette(sqrt(2.0), A, B, C, D); float roofs = 0.0; float deviation = 0.0;"
       "for (int i = 0; i < 48; ++i) for (int j = 0; j < 48; ++j) for (int k = 0; k < 6; ++k) {"
       "  scene(vec3(-60.0 + 2.5 * float(i) + zero, 4.0 + float(k), -70.0 + 2.9 * float(j)));"
       "  if (activeMaterial.shininess == 10.0) {"
       "    roofs += 1.0; deviation = max(deviation, length(activeMaterial.lambertian - expected)); } }"
       "r = vec4(roofs > 100.0 ? 1.0 : 0.0, deviation, 0, 0);",
       {1, 0, 0, 0}, 0},
  });
}

TEST(SceneField, MarchAndNormals) {
  const std::array<float, 4> wall = material(Kind::Wall);
  const std::array<float, 4> ground = material(Kind::Ground);
  expectCases(shaderSourceFile("fragment.frag"), {
      // Straight down between houses: the ground there is at y = 1.06898, solved from
      // y = noise(p * 0.1207107 + 2) + sin(x / 2) sin(y) sin(z / 2) along the vertical; the hit
      // lies on that surface to within the marcher's half-pixel acceptance.
      {"down onto the ground between houses",
       "vec3 ro = vec3(55, 3, 5) + zero; float t = march(ro, vec3(0, -1, 0)); Material mm = activeMaterial;"
       "vec3 p = ro - vec3(0, t, 0);"
       "float surface = noise(p * (sqrt(2.0) * 0.5 + 0.5) * 0.1 + 2.0) + sin(0.5 * p.x) * sin(p.y) * sin(0.5 * p.z);"
       "r = vec4(t, p.y - surface, mm.shininess, mm.lambertian.x);",
       {3.0f - 1.06898f, 0, ground[1], ground[2]}, 1e-3f},
      // Straight up nothing is met: the ray runs past FAR and the refined t comes back unchanged.
      {"up into the sky: a miss beyond FAR",
       "float t = march(vec3(0, 20, 0) + zero, vec3(0, 1, 0)); r = vec4(t > FAR ? 1.0 : 0.0, t < 1e6 ? 1.0 : 0.0, 0, 0);",
       {1, 1, 0, 0}, 0},
      // From inside a body the march uses negated distances and stops at the faces it leaves by.
      {"from inside a body to its x face",
       "float t = march(vec3(13.5, 3, 20) + zero, vec3(-1, 0, 0)); Material mm = activeMaterial;"
       "r = vec4(t, float(mm.reflective), mm.shininess, mm.lambertian.x);",
       {0.5f, 1, 5, wall[2]}, 2e-4f},
      {"from inside a body to its z face",
       "float t = march(vec3(13.5, 3, 20) + zero, vec3(0, 0, 1)); r = vec4(t, 0, 0, 0);", {0.5f, 0, 0, 0}, 2e-4f},
      {"normals on the flat x and z faces of a body",
       "vec3 nx = normals(vec3(12.99, 3, 20) + zero); vec3 nz = normals(vec3(13.5, 3, 20.51) + zero);"
       "r = vec4(nx.x, length(nx.yz), nz.z, length(nz.xy));",
       {-1, 0, 1, 0}, 1e-3f},
  });
}

}  // namespace

#version 430
// The scene pass: a ray-marched field of mirrored houses on rolling ground, lit, reflected and
// fogged, seen from the moving camera, with a quarter each of the previous scene and gather
// images added as an echo.
layout(location = 0) uniform int m;
layout(location = 1) uniform sampler2D u;
layout(location = 2) uniform sampler2D uu;
out vec4 o;
float time = float(m) / 1000.0;
const vec2 R = vec2(1920, 1080);

struct Material {
  bool reflective;
  vec3 lambertian;
  vec3 specular;
  float l_intensity;
  float shininess;
};
// Written by every call of scene(): the material of the nearest part of the world. Copy it
// straight after a march, before anything else calls scene() again.
Material activeMaterial;

// Accepted distance per travelled length (half a pixel), also the gradient step.
const float PIXELR = 0.5 / 1920.0;
const int STEPS = 60;
const float FAR = 50.0;
const float EPSILON = 0.001;
const vec3 LC = vec3(0.2, 0.2, 0.3);
const vec3 LC2 = vec3(0.3, 0.35, 0.32);
const vec3 FOG = vec3(0.1, 0.25, 0.3) * 0.25;

vec3 palette(float t, vec3 a, vec3 b, vec3 c, vec3 d) {
  return a + b * cos(6.28318 * (c * t + d));
}

// The palette shared by the house materials.
const vec3 A = vec3(0.2, 0.1, 0.25);
const vec3 B = vec3(0.5, 0.5, 0.5);
const vec3 C = vec3(1, 1, 0);
const vec3 D = vec3(0.25, 0.5, 0.8);

Material getWallMaterial(vec2 ids) {
  vec3 col = palette(length(ids) * 1.75, A, B, C, D);
  return Material(true, col, col.zxy, 0.8, 5.0);
}

Material getRoofMaterial(vec2 index) {
  vec3 col = palette(length(index), A, B, C, D);
  return Material(false, col, col.zxy, 0.8, 10.0);
}

// A two-level checker over x and z.
Material getBaseMaterial(vec3 pp) {
  vec3 color = vec3(0.1, 0.1, 0.1);
  vec2 m = mod(pp.xz, 2.0) - vec2(0.5, 1.5);
  if (m.x * m.y > 0.0) color = vec3(0.8, 0.8, 0.8);
  m = mod(pp.xz, 4.0) - vec2(1, 2);
  if (m.x * m.y > 0.0) color += vec3(0.2, 0.5, 1);
  return Material(true, 0.8 * color, color, 0.8, 5.0);
}

Material getGroundMaterial() {
  return Material(false, 0.5 * vec3(0.55, 0.5, 0.4), 0.8 * vec3(0.55, 0.5, 0.4), 0.8, 50.0);
}

// Unlike the built-in sign, zero counts as positive.
float sgn(float x) {
  return x < 0.0 ? -1.0 : 1.0;
}

float vmax(vec3 v) {
  return max(max(v.x, v.y), v.z);
}

float vmax2(vec2 v) {
  return max(v.x, v.y);
}

// Exact distance to a box of half-extents b; negative inside.
float fBox(vec3 p, vec3 b) {
  vec3 d = abs(p) - b;
  return length(max(d, vec3(0))) + vmax(min(d, vec3(0)));
}

float fBoxCheap(vec3 p, vec3 b) {
  return vmax(abs(p) - b);
}

float fPlane(vec3 p, vec3 n, float distanceFromOrigin) {
  return dot(p, n) + distanceFromOrigin;
}

// The domain operators change the caller's point in place (swizzles included) and return the
// cell or side the point fell in.
void pR(inout vec2 p, float a) {
  p = cos(a) * p + sin(a) * vec2(p.y, -p.x);
}

void pR45(inout vec2 p) {
  p = (p + vec2(p.y, -p.x)) * sqrt(0.5);
}

float pMod1(inout float p, float size) {
  float halfsize = size * 0.5;
  float c = floor((p + halfsize) / size);
  p = mod(p + halfsize, size) - halfsize;
  return c;
}

vec2 pMod2(inout vec2 p, vec2 size) {
  vec2 c = floor((p + size * 0.5) / size);
  p = mod(p + size * 0.5, size) - size * 0.5;
  return c;
}

float pMirror(inout float p, float dist) {
  float s = sgn(p);
  p = abs(p) - dist;
  return s;
}

vec2 pMirrorOctant(inout vec2 p, vec2 dist) {
  vec2 s = sign(p);
  pMirror(p.x, dist.x);
  pMirror(p.y, dist.y);
  if (p.y > p.x) p.xy = p.yx;
  return s;
}

// A union of a and b joined by a staircase of n steps of size r.
float fOpUnionStairs(float a, float b, float r, float n) {
  float d = min(a, b);
  vec2 q = vec2(a, b);
  pR45(q);
  q = q.yx - vec2((r - r / n) * 0.5 * sqrt(2.0));
  q.x += 0.5 * sqrt(2.0) * r / n;
  float x = r * sqrt(2.0) / n;
  pMod1(q.x, x);
  d = min(d, q.y);
  pR45(q);
  return min(d, vmax2(q - vec2(0.5 * r / n)));
}

// Value noise on the integer lattice, smoothly interpolated; in [0, 1).
float noise(vec3 p) {
  vec3 ip = floor(p);
  vec3 f = p - ip;
  vec3 s = vec3(7, 157, 113);
  // The corners with (y, z) offsets (0, 0), (1, 0), (0, 1), (1, 1); +7 steps x by one.
  vec4 h = vec4(0, 157, 113, 270) + dot(ip, s);
  f = f * f * (3.0 - 2.0 * f);
  h = mix(fract(sin(h) * 43758.5), fract(sin(h + 7.0) * 43758.5), f.x);
  h.xy = mix(h.xz, h.yw, f.y);
  return mix(h.x, h.y, f.z);
}

// The material of the nearest raw part; ties go to the base, then the ground, then the roof.
Material nearestMaterial(float maa, float laatikko, float pohja, float katto, vec3 pp, vec2 ids, float idx,
                         float idz) {
  if (pohja <= laatikko && pohja <= maa && pohja <= katto) return getBaseMaterial(pp);
  if (maa <= laatikko && maa <= pohja && maa <= katto) return getGroundMaterial();
  if (katto <= laatikko && katto <= pohja && katto <= maa) return getRoofMaterial(vec2(idx, idz));
  return getWallMaterial(ids);
}

// The whole world as one signed distance; also sets activeMaterial.
float scene(vec3 p) {
  vec3 pp = p;
  float maa = fPlane(p, vec3(0, 1, 0), 1.0) -
              (noise(p * (sqrt(2.0) * 0.5 + 0.5) * 0.1 + 2.0) + sin(0.5 * p.x) * sin(p.y) * sin(0.5 * p.z) + 1.0);

  pMirrorOctant(pp.xz, vec2(10, 12));
  vec2 ids = pMod2(pp.xz, vec2(10, 14.5));
  float idx = pMirror(pp.x, 1.0);
  float idz = pMirror(pp.z, 3.0);
  float height = 2.0 + cos(length(ids) + idz);

  float laatikko = fBox(pp - vec3(1, 1.5, 1), vec3(0.5, 3.0 + height, 1));
  float pohja = fBox(pp, vec3(2.2, 0.5, 3.5));

  // The roof plate is tilted by 60 degrees about its own line; the turn stays in pp for what follows.
  pp -= vec3(0.1, 4.5 + height, 0);
  pR(pp.xy, radians(60.0));
  float katto = fBox(pp, vec3(0.1, 2.5, 3));
  pp += vec3(0.1, 4.5 + height, 0);

  // Never below 0.6: keeps steps short near the house's box, looser away from it.
  float guard = abs(-fBoxCheap(pp - vec3(1, 0, 3), vec3(2.2, 10, 3.5) * 0.5)) + 0.6;

  activeMaterial = nearestMaterial(maa, laatikko, pohja, katto, pp, ids, idx, idz);

  laatikko = fOpUnionStairs(laatikko, pohja, 0.5, 4.0);
  laatikko = fOpUnionStairs(laatikko, katto, 0.5, 8.0);
  return min(guard, min(laatikko, maa));
}

// Sphere tracing that keeps the step with the smallest distance per travelled length, then six
// fixed refinement steps from where the loop stopped.
float march(vec3 ro, vec3 rd) {
  float t = EPSILON;
  float candidate_t = t;
  float candidate_error = 1000.0;
  // -1 when the ray starts inside: distances are negated so that it marches out.
  float sg = sgn(scene(ro));
  vec3 p = vec3(0);

  for (int i = 0; i < STEPS; ++i) {
    p = ro + rd * t;
    float sg_radius = sg * scene(p);
    float radius = abs(sg_radius);
    float error = radius / t;
    if (error < candidate_error) {
      candidate_t = t;
      candidate_error = error;
    }
    if (error < PIXELR || t > FAR) break;
    t += sg_radius;
  }

  float er = candidate_error;
  for (int i = 0; i < 6; ++i) {
    float radius = abs(sg * scene(p));
    p += rd * (radius - er);
    t = length(p - ro);
    er = radius / t;
    if (er < candidate_error) {
      candidate_t = t;
      candidate_error = er;
    }
  }

  if (t <= FAR || candidate_error <= PIXELR) t = candidate_t;
  return t;
}

// The normalised gradient of scene() by central differences.
vec3 normals(vec3 p) {
  vec3 e = vec3(PIXELR, 0, 0);
  return normalize(vec3(scene(p + e.xyy) - scene(p - e.xyy), scene(p + e.yxy) - scene(p - e.yxy),
                        scene(p + e.yyx) - scene(p - e.yyx)));
}

// Six probes along n, k apart; each probe's weight halves.
float ambientOcclusion(vec3 p, vec3 n, float k) {
  float s = sgn(k);
  float occ = 0.5 * s + 0.5;
  for (int i = 0; i < 6; ++i) {
    float fi = float(i);
    occ -= (fi * k - scene(p + n * (fi * k * s))) / exp2(fi);
  }
  return clamp(occ, 0.0, 1.0);
}

vec3 fog(vec3 col, vec3 p, vec3 ro, vec3 rd, vec3 ld, vec3 lc, float fd, float scatter) {
  float dist = length(p - ro);
  float sa = max(dot(rd, -ld), 0.0);
  float fa = 1.0 - exp(-dist * fd);
  vec3 fc = mix(FOG, lc, pow(sa, scatter));
  return mix(col, fc, fa);
}

vec3 shade(vec3 p, vec3 dir, vec3 ld, Material mat) {
  vec3 n = normals(p);
  float lamb = max(dot(n, -ld), 0.0);
  // The normal mirrored about the light direction.
  vec3 angle = reflect(n, -ld);
  float spec = pow(max(dot(dir, angle), 0.0), mat.shininess);
  return lamb * mat.lambertian * mat.l_intensity + spec * mat.specular * 0.5;
}

vec3 render(vec3 o, vec3 d, vec3 rt) {
  vec3 ro = o;
  vec3 rd = d;
  vec3 col = vec3(0);
  vec3 colr = vec3(0);

  float t = march(ro, rd);
  vec3 p = ro + rd * t;
  Material mat = activeMaterial;

  // The lights move with the camera.
  vec3 ld = normalize((o - vec3(0, 0, 80)) - (rt - vec3(0, 80, 0)));
  vec3 ld2 = normalize((o - vec3(0, 0.1, 0.1)) - (rt - vec3(0, 1.4, 4.5)));

  if (t < FAR) {
    col = shade(p, rd, ld, mat) + shade(p, rd, ld2, mat) + shade(p, rd, -ld, mat) + shade(p, rd, -ld2, mat);
    col *= 0.25;
    vec3 n = normals(p);
    col *= ambientOcclusion(p, n, 0.4);
    col *= ambientOcclusion(p, ld, 0.5);
    col *= ambientOcclusion(p, ld2, 0.5);

    // Up to two mirror bounces; the chain ends at the first non-reflective material, and colr
    // carries the first bounce's light into the second.
    vec3 pp = p;
    for (int bounce = 0; bounce < 2; ++bounce) {
      if (mat.reflective) {
        ro = pp + n * (2.0 * EPSILON);
        rd = reflect(rd, n);
        t = march(ro, rd);
        pp = ro + rd * t;
        mat = activeMaterial;
        n = normals(pp);
        if (t < FAR) {
          colr += shade(pp, rd, ld, mat);
          colr += shade(pp, rd, ld2, mat);
          colr *= 0.5;
          colr *= ambientOcclusion(pp, n, 0.4);
        }
      }
    }
  }
  colr *= 0.5;
  col += colr;
  col *= 0.25;

  // Four fog layers over the camera ray's length, hit or miss.
  col = fog(col, p, o, d, ld, LC, 0.02, 10.0);
  col = fog(col, p, o, d, ld2, LC2, 0.001, 6.0);
  col = fog(col, p, o, d, -ld, LC, 0.01, 8.0);
  col = fog(col, p, o, d, -ld2, LC2, 0.02, 4.0);
  return col;
}

void main() {
  vec2 uv = gl_FragCoord.xy / R;
  vec2 v = -1.0 + 2.0 * uv;
  v.x *= 1920.0 / 1080.0;

  // The camera glides over the houses for 60 s, then rests.
  vec3 ro = vec3(3.0 * smoothstep(10.0, 30.0, time), 20.0 - 16.0 * smoothstep(0.0, 60.0, time),
                 -10.0 + 30.0 * smoothstep(0.0, 60.0, time));
  vec3 rt = vec3(3.0 - 3.0 * smoothstep(0.0, 30.0, time), 10.0 - 6.0 * smoothstep(0.0, 60.0, time), 0);
  rt.z = 15.0 + ro.z;

  vec3 z = normalize(rt - ro);
  vec3 x = normalize(cross(z, vec3(0, 1, 0)));
  vec3 y = normalize(cross(x, z));
  vec3 rd = normalize(x * v.x + y * v.y + z * radians(60.0));

  vec3 color = render(ro, rd, rt);
  // A decaying echo of the previous frame's scene and gather images.
  vec3 fa = 0.25 * texture(u, uv).rgb + 0.25 * texture(uu, uv).rgb;
  o = vec4(color + fa, 1);
}

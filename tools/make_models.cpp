// Writes data/models.dat and the five model files it lists: the brick in three levels of
// detail and the two glass frames around the well.
//
// usage: zolvane_make_models <run folder>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/image.h"
#include "tools/common/mesh.h"

namespace zolvane::gen {
namespace {

constexpr double Pi = 3.14159265358979323846;

// Slightly under one cell, so neighbouring bricks show a seam.
constexpr double BrickHalf = 0.48;

struct FaceFrame {
  Vec3 n, right, up;  // right x up x n as the viewer outside the face sees them
};

// The six faces of a cube; "right" and "up" are what a viewer in front of the face sees,
// so the brick picture lies upright and unmirrored on the four sides.
std::vector<FaceFrame> CubeFaces() {
  const Vec3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};
  const Vec3 faceNormals[6] = {Z * -1, Z, X, X * -1, Y, Y * -1};
  const Vec3 faceUps[6] = {Y, Y, Y, Y, Z, Z * -1};
  std::vector<FaceFrame> faces;
  for (int i = 0; i < 6; ++i) faces.push_back({faceNormals[i], Cross(faceNormals[i], faceUps[i]), faceUps[i]});
  return faces;
}

// Texture coordinates of a point on a face: the picture's top row at the face's top edge.
// The game loads brick.bmp upside down into the texture, so v = 0 is the picture's bottom.
Vec2 FaceUv(const FaceFrame& f, Vec3 p, double extent) {
  return {0.5 + 0.5 * Dot(p, f.right) / extent, 0.5 + 0.5 * Dot(p, f.up) / extent};
}

// Low detail: a cube with flat 45-degree bevels: 6 faces, 12 bevel strips, 8 corners.
Mesh ChamferedBrick(double bevel) {
  Mesh mesh;
  const double h = BrickHalf, i = BrickHalf - bevel;
  const auto faces = CubeFaces();
  auto uvOn = [&](const FaceFrame& f, Vec3 p) { return FaceUv(f, p, h); };

  for (const FaceFrame& f : faces) {
    const Vec3 c = f.n * h;
    const Vec3 p0 = c - f.right * i - f.up * i, p1 = c + f.right * i - f.up * i;
    const Vec3 p2 = c + f.right * i + f.up * i, p3 = c - f.right * i + f.up * i;
    mesh.Quad(p0, p1, p2, p3, uvOn(f, p0), uvOn(f, p1), uvOn(f, p2), uvOn(f, p3), f.n);
  }
  // Each bevel strip takes the border band of one of its two faces' pictures.
  for (size_t a = 0; a < faces.size(); ++a)
    for (size_t b = a + 1; b < faces.size(); ++b) {
      const Vec3 na = faces[a].n, nb = faces[b].n;
      if (std::fabs(Dot(na, nb)) > 0.5) continue;
      const Vec3 e = Cross(na, nb);
      const Vec3 p0 = na * h + nb * i - e * i, p1 = na * h + nb * i + e * i;
      const Vec3 p2 = na * i + nb * h + e * i, p3 = na * i + nb * h - e * i;
      const FaceFrame& f = faces[a];
      mesh.Quad(p0, p1, p2, p3, uvOn(f, p0), uvOn(f, p1), uvOn(f, p2), uvOn(f, p3), na + nb);
    }
  for (int sx = -1; sx <= 1; sx += 2)
    for (int sy = -1; sy <= 1; sy += 2)
      for (int sz = -1; sz <= 1; sz += 2) {
        const Vec3 p0{sx * h, sy * i, sz * i}, p1{sx * i, sy * h, sz * i}, p2{sx * i, sy * i, sz * h};
        const FaceFrame& f = faces[sz < 0 ? 0 : 1];
        mesh.Triangle(p0, p1, p2, uvOn(f, p0), uvOn(f, p1), uvOn(f, p2), Vec3{1.0 * sx, 1.0 * sy, 1.0 * sz});
      }
  return mesh;
}

// Medium and high detail: every edge rounded with radius r in 2 x segments steps. Each face
// owns a patch reaching halfway (45 degrees) round its edges and corners; the patches meet
// exactly, and each carries the whole picture.
Mesh RoundedBrick(double r, int segments) {
  Mesh mesh;
  const double h = BrickHalf, inner = h - r;
  const double extent = inner + r * std::sin(Pi / 4);

  // Samples across a face: (offset of the inner box, tangent of the bend angle).
  struct Sample {
    double offset, tangent, position;
  };
  std::vector<Sample> samples;
  for (int k = 0; k <= segments; ++k) {
    const double phi = (Pi / 4) * (1.0 - static_cast<double>(k) / segments);
    samples.push_back({-inner, -std::tan(phi), -inner - r * std::sin(phi)});
  }
  for (int k = 0; k <= segments; ++k) {
    const double phi = (Pi / 4) * static_cast<double>(k) / segments;
    samples.push_back({inner, std::tan(phi), inner + r * std::sin(phi)});
  }
  const int n = static_cast<int>(samples.size());

  for (const FaceFrame& f : CubeFaces()) {
    auto point = [&](int i, int j) {
      const Vec3 dir = Normalize(f.right * samples[i].tangent + f.up * samples[j].tangent + f.n);
      return f.right * samples[i].offset + f.up * samples[j].offset + f.n * inner + dir * r;
    };
    auto uv = [&](int i, int j) {
      return Vec2{0.5 + 0.5 * samples[i].position / extent, 0.5 + 0.5 * samples[j].position / extent};
    };
    for (int i = 0; i + 1 < n; ++i)
      for (int j = 0; j + 1 < n; ++j) {
        const Vec3 p0 = point(i, j), p1 = point(i + 1, j), p2 = point(i + 1, j + 1), p3 = point(i, j + 1);
        // The brick is convex around its centre, so the patch's middle shows outward.
        const Vec3 outward = p0 + p1 + p2 + p3;
        mesh.Quad(p0, p1, p2, p3, uv(i, j), uv(i + 1, j), uv(i + 1, j + 1), uv(i, j + 1), outward);
      }
  }
  return mesh;
}

// ---------------------------------------------------------------------------------------
// Frames. Model space is centred on the well: cells of the ten columns lie at x -4.5..4.5,
// rows at y -9.5..9.5. The game scales the frame by (1.03, 0.98, 1) and moves it 0.3
// towards the viewer, so the opening is a little taller than the well to keep the top and
// bottom rails off the bricks of rows 1 and 20.

constexpr double OpeningHalfWidth = 5.0;
constexpr double OpeningHalfHeight = 10.25;
// The glass behind the well stays behind every brick, even a flipping one.
constexpr double BackZ = 1.0;
constexpr double PanelFrontZ = 0.95;

struct ProfilePoint {
  double d, z;      // distance outward from the opening's edge, depth (negative: to the viewer)
  int material;     // of the profile edge that starts at this point
  bool smoothNext;  // shares normals with the next edge (a rounded stretch)
};

// Sweeps a closed cross-section once round the opening; the corners are mitred.
void SweepRing(Mesh& mesh, std::vector<ProfilePoint> profile, int groupBase) {
  double area = 0;
  for (size_t k = 0; k < profile.size(); ++k) {
    const ProfilePoint &a = profile[k], &b = profile[(k + 1) % profile.size()];
    area += a.d * b.z - b.d * a.z;
  }
  const bool ccw = area > 0;

  const double W = OpeningHalfWidth, H = OpeningHalfHeight;
  // Sides: direction outward, and the two corner signs along the side.
  struct Side {
    Vec3 out;
    double ax, ay, bx, by;
  };
  const Side sides[4] = {{{1, 0, 0}, 1, -1, 1, 1},
                         {{-1, 0, 0}, -1, -1, -1, 1},
                         {{0, 1, 0}, -1, 1, 1, 1},
                         {{0, -1, 0}, -1, -1, 1, -1}};

  int group = groupBase;
  for (size_t k = 0; k < profile.size(); ++k) {
    const ProfilePoint &p = profile[k], &q = profile[(k + 1) % profile.size()];
    // Outward normal of the profile edge in the (d, z) plane.
    double nd = q.z - p.z, nz = -(q.d - p.d);
    if (!ccw) {
      nd = -nd;
      nz = -nz;
    }
    for (int s = 0; s < 4; ++s) {
      const Side& side = sides[s];
      auto corner = [&](double sx, double sy, const ProfilePoint& pp) {
        return Vec3{sx * (W + pp.d), sy * (H + pp.d), pp.z};
      };
      const Vec3 outward = side.out * nd + Vec3{0, 0, nz};
      mesh.Quad(corner(side.ax, side.ay, p), corner(side.bx, side.by, p), corner(side.bx, side.by, q),
                corner(side.ax, side.ay, q), outward, p.material, group * 4 + s);
    }
    if (!p.smoothNext) ++group;
  }
}

void Box(Mesh& mesh, Vec3 lo, Vec3 hi, int material, int group) {
  const Vec3 c = (lo + hi) * 0.5;
  const Vec3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};
  const Vec3 axes[3] = {X, Y, Z};
  const Vec3 half = (hi - lo) * 0.5;
  const double halves[3] = {half.x, half.y, half.z};
  for (int a = 0; a < 3; ++a)
    for (int s = -1; s <= 1; s += 2) {
      const Vec3 n = axes[a] * s;
      const Vec3 u = axes[(a + 1) % 3] * halves[(a + 1) % 3], v = axes[(a + 2) % 3] * halves[(a + 2) % 3];
      const Vec3 fc = c + n * halves[a];
      mesh.Quad(fc - u - v, fc + u - v, fc + u + v, fc - u + v, n, material, group * 8 + a * 2 + (s + 1) / 2);
    }
}

// A round rivet standing on a plane z = baseZ facing the viewer: a short collar and a dome.
void Rivet(Mesh& mesh, double cx, double cy, double baseZ, double radius, double collar,
           double domeHeight, int sides, int rings, int collarMaterial, int domeMaterial, int group) {
  auto ringPoint = [&](int s, double rad, double z) {
    const double a = 2 * Pi * s / sides;
    return Vec3{cx + rad * std::cos(a), cy + rad * std::sin(a), z};
  };
  const double topZ = baseZ - collar;
  for (int s = 0; s < sides; ++s) {
    const Vec3 mid = Normalize(Vec3{std::cos(2 * Pi * (s + 0.5) / sides), std::sin(2 * Pi * (s + 0.5) / sides), 0});
    // Collar wall, smooth round the rivet.
    mesh.Quad(ringPoint(s, radius, baseZ), ringPoint(s + 1, radius, baseZ), ringPoint(s + 1, radius, topZ),
              ringPoint(s, radius, topZ), mid, collarMaterial, group);
    // Hidden base, closing the solid.
    mesh.Triangle(Vec3{cx, cy, baseZ}, ringPoint(s, radius, baseZ), ringPoint(s + 1, radius, baseZ),
                  Vec3{0, 0, 1}, collarMaterial, group + 1);
  }
  // Dome: a flattened half sphere on the collar, rings from its rim to the pole.
  for (int k = 0; k < rings; ++k) {
    const double a0 = (Pi / 2) * k / rings, a1 = (Pi / 2) * (k + 1) / rings;
    const double r0 = radius * std::cos(a0), r1 = radius * std::cos(a1);
    const double z0 = topZ - domeHeight * std::sin(a0), z1 = topZ - domeHeight * std::sin(a1);
    for (int s = 0; s < sides; ++s) {
      const double am = 2 * Pi * (s + 0.5) / sides, ar = (a0 + a1) / 2;
      const Vec3 outward{std::cos(am) * std::cos(ar), std::sin(am) * std::cos(ar), -std::sin(ar)};
      if (k + 1 == rings)
        mesh.Triangle(ringPoint(s, r0, z0), ringPoint(s + 1, r0, z0), Vec3{cx, cy, z1}, outward, domeMaterial, group + 2);
      else
        mesh.Quad(ringPoint(s, r0, z0), ringPoint(s + 1, r0, z0), ringPoint(s + 1, r1, z1), ringPoint(s, r1, z1),
                  outward, domeMaterial, group + 2);
    }
  }
}

// A cut gem standing on a plane z = baseZ: a square plinth turned 45 degrees and a
// pyramid on it.
void Gem(Mesh& mesh, double cx, double cy, double baseZ, double radius, double plinth, double height,
         int plinthMaterial, int gemMaterial, int group) {
  auto corner = [&](int s, double z) {
    const double a = Pi / 2 * s;
    return Vec3{cx + radius * std::cos(a), cy + radius * std::sin(a), z};
  };
  const double topZ = baseZ - plinth;
  const Vec3 apex{cx, cy, topZ - height};
  for (int s = 0; s < 4; ++s) {
    const double am = Pi / 2 * (s + 0.5);
    const Vec3 side{std::cos(am), std::sin(am), 0};
    mesh.Quad(corner(s, baseZ), corner(s + 1, baseZ), corner(s + 1, topZ), corner(s, topZ), side, plinthMaterial,
              group + s);
    mesh.Triangle(corner(s, topZ), corner(s + 1, topZ), apex, side + Vec3{0, 0, -radius / height}, gemMaterial,
                  group + 4 + s);
  }
  mesh.Quad(corner(0, baseZ), corner(1, baseZ), corner(2, baseZ), corner(3, baseZ), Vec3{0, 0, 1}, plinthMaterial,
            group + 8);
}

// The frame for "Classic" and "Special": a rounded rail of blue glass with a cyan lip,
// rivets down the sides and faint column guides on the glass behind the well.
Mesh OddFrame(std::vector<MaterialColour>& materials) {
  enum { Front, Lip, Outer, RivetCap, RivetCollar, Panel, Guide };
  materials = {
      {0.10, 0.24, 0.52, 1},  // front
      {0.10, 0.55, 0.70, 1},  // inner lip
      {0.05, 0.12, 0.30, 1},  // outer side and back
      {0.35, 0.62, 0.80, 1},  // rivet dome
      {0.12, 0.30, 0.50, 1},  // rivet collar
      {0.02, 0.04, 0.09, 1},  // glass behind the well
      {0.05, 0.11, 0.20, 1},  // column guides
  };
  Mesh mesh;
  std::vector<ProfilePoint> profile;
  // Inner lip from the back up to the viewer, a small bevel, the front face, a rounded
  // outer edge, the outer side and the back.
  profile.push_back({0.0, BackZ, Lip, false});
  profile.push_back({0.0, -0.20, Front, false});
  profile.push_back({0.10, -0.26, Front, false});
  profile.push_back({0.58, -0.26, Front, true});
  const int arcSteps = 5;
  for (int k = 1; k < arcSteps; ++k) {
    const double a = (Pi / 2) * k / arcSteps;
    profile.push_back({0.58 + 0.2 * std::sin(a), -0.16 - 0.1 * std::cos(a), Front, true});
  }
  profile.push_back({0.78, -0.16, Outer, false});
  profile.push_back({0.78, BackZ, Outer, false});
  SweepRing(mesh, profile, 0);

  // Rivets on the side rails, one every two rows, and on the top and bottom rails.
  int group = 1000;
  for (int side = -1; side <= 1; side += 2)
    for (int k = 0; k < 10; ++k) {
      Rivet(mesh, side * (OpeningHalfWidth + 0.34), -9.0 + 2.0 * k, -0.26, 0.14, 0.03, 0.07, 10, 2, RivetCollar,
            RivetCap, group);
      group += 4;
    }
  for (int side = -1; side <= 1; side += 2)
    for (int k = 0; k < 4; ++k) {
      Rivet(mesh, -3.0 + 2.0 * k, side * (OpeningHalfHeight + 0.34), -0.26, 0.14, 0.03, 0.07, 10, 2, RivetCollar,
            RivetCap, group);
      group += 4;
    }

  // The glass behind the well, and a thin raised guide between neighbouring columns.
  Box(mesh, {-OpeningHalfWidth, -OpeningHalfHeight, PanelFrontZ}, {OpeningHalfWidth, OpeningHalfHeight, BackZ},
      Panel, 2000);
  for (int k = 1; k < 10; ++k) {
    const double x = -OpeningHalfWidth + k;
    Box(mesh, {x - 0.015, -OpeningHalfHeight, PanelFrontZ - 0.03}, {x + 0.015, OpeningHalfHeight, PanelFrontZ},
        Guide, 2100 + k);
  }
  return mesh;
}

// The frame for "Advanced" and "Crazy": a stepped, sharply chamfered rail of purple glass
// with amber edges, amber gems down the sides, and row marks every five rows.
Mesh EvenFrame(std::vector<MaterialColour>& materials) {
  enum { Front, Lip, Edge, Outer, GemCut, Plinth, Panel, Mark };
  materials = {
      {0.30, 0.08, 0.42, 1},  // front steps
      {0.50, 0.30, 0.06, 1},  // inner lip
      {0.60, 0.36, 0.08, 1},  // step riser and chamfers
      {0.14, 0.04, 0.22, 1},  // outer side and back
      {0.75, 0.48, 0.12, 1},  // gem facets
      {0.28, 0.10, 0.30, 1},  // gem plinth
      {0.05, 0.02, 0.07, 1},  // glass behind the well
      {0.16, 0.09, 0.04, 1},  // row marks
  };
  Mesh mesh;
  // Inner lip, a chamfer to the low inner step, a riser to the high outer step, a wide
  // chamfer down the outside, the outer side and the back.
  std::vector<ProfilePoint> profile = {
      {0.00, BackZ, Lip, false},   {0.00, -0.16, Edge, false}, {0.12, -0.22, Front, false},
      {0.30, -0.22, Edge, false},  {0.38, -0.33, Front, false}, {0.70, -0.33, Edge, false},
      {0.86, -0.21, Outer, false}, {0.86, BackZ, Outer, false},
  };
  SweepRing(mesh, profile, 0);

  int group = 1000;
  for (int side = -1; side <= 1; side += 2)
    for (int k = 0; k < 10; ++k) {
      Gem(mesh, side * (OpeningHalfWidth + 0.54), -8.5 + 2.0 * k, -0.33, 0.12, 0.02, 0.05, Plinth, GemCut, group);
      group += 10;
    }
  for (int side = -1; side <= 1; side += 2)
    for (int k = 0; k < 5; ++k) {
      Gem(mesh, -4.0 + 2.0 * k, side * (OpeningHalfHeight + 0.54), -0.33, 0.12, 0.02, 0.05, Plinth, GemCut, group);
      group += 10;
    }

  // Glass behind the well; a mark across it every five rows, and short ticks on every row
  // boundary at both sides.
  Box(mesh, {-OpeningHalfWidth, -OpeningHalfHeight, PanelFrontZ}, {OpeningHalfWidth, OpeningHalfHeight, BackZ},
      Panel, 2000);
  int markGroup = 2100;
  for (int k = 1; k < 20; ++k) {
    const double y = -10.0 + k;
    if (k % 5 == 0) {
      Box(mesh, {-OpeningHalfWidth, y - 0.02, PanelFrontZ - 0.03}, {OpeningHalfWidth, y + 0.02, PanelFrontZ}, Mark,
          markGroup++);
    } else {
      for (int side = -1; side <= 1; side += 2) {
        const double x0 = side * OpeningHalfWidth, x1 = side * (OpeningHalfWidth - 0.35);
        Box(mesh, {std::min(x0, x1), y - 0.015, PanelFrontZ - 0.03}, {std::max(x0, x1), y + 0.015, PanelFrontZ},
            Mark, markGroup++);
      }
    }
  }
  return mesh;
}

void Write(const std::string& runDir, const std::string& name, const Mesh& mesh,
           const std::vector<MaterialColour>& materials, const std::string& textureFile) {
  WriteFile(runDir + "/" + name, mesh.ModelText(materials, textureFile));
  std::printf("%s: %d triangles\n", name.c_str(), mesh.TriangleCount());
}

}  // namespace
}  // namespace zolvane::gen

int main(int argc, char** argv) {
  using namespace zolvane::gen;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <run folder>\n", argv[0]);
    return 2;
  }
  const std::string run = argv[1];
  const std::vector<std::string> names = {"data/models/brick_low.txt", "data/models/brick_medium.txt",
                                          "data/models/brick_high.txt", "data/models/frame_odd.txt",
                                          "data/models/frame_even.txt"};
  Write(run, names[0], ChamferedBrick(0.07), {}, "brick.bmp");
  // Software renderers draw a full well of the high brick 60 times a second only while it
  // stays at a few hundred triangles; at 26 pixels a brick, more would not show anyway.
  Write(run, names[1], RoundedBrick(0.09, 1), {}, "brick.bmp");
  Write(run, names[2], RoundedBrick(0.11, 2), {}, "brick.bmp");
  std::vector<MaterialColour> materials;
  const Mesh odd = OddFrame(materials);
  Write(run, names[3], odd, materials, "");
  const Mesh even = EvenFrame(materials);
  Write(run, names[4], even, materials, "");

  std::string list;
  for (const std::string& n : names) list += n + "\r\n";
  WriteFile(run + "/data/models.dat", list);
  return 0;
}

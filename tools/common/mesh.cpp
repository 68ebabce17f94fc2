#include "tools/common/mesh.h"

#include <cmath>
#include <cstdio>

namespace zolvane::gen {

Vec3 Normalize(Vec3 v) {
  const double l = std::sqrt(Dot(v, v));
  return l > 0 ? v * (1.0 / l) : v;
}

namespace {

long long Key(double v) { return std::llround(v * 1e6); }

// The face normal exactly as the game's loader computes it.
Vec3 LoaderNormal(Vec3 a, Vec3 b, Vec3 c) { return Cross(a - b, b - c); }

}  // namespace

std::string FormatReal(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6f", v);
  std::string s = buffer;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

int Mesh::Vertex(Vec3 p, int group) {
  const auto key = std::make_tuple(group, Key(p.x), Key(p.y), Key(p.z));
  const auto it = vertexIndex_.find(key);
  if (it != vertexIndex_.end()) return it->second;
  const int index = static_cast<int>(vertices_.size());
  vertices_.push_back(p);
  vertexIndex_.emplace(key, index);
  return index;
}

int Mesh::TexCoord(Vec2 t) {
  const auto key = std::make_pair(Key(t.u), Key(t.v));
  const auto it = texIndex_.find(key);
  if (it != texIndex_.end()) return it->second;
  const int index = static_cast<int>(texCoords_.size());
  texCoords_.push_back(t);
  texIndex_.emplace(key, index);
  return index;
}

void Mesh::Triangle(Vec3 a, Vec3 b, Vec3 c, Vec3 outward, int material, int group) {
  const Vec3 n = LoaderNormal(a, b, c);
  if (Dot(n, n) < 1e-14) return;
  if (Dot(n, outward) < 0) std::swap(b, c);
  triangles_.push_back({Vertex(a, group), Vertex(b, group), Vertex(c, group)});
  materials_.push_back(material);
}

void Mesh::Quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 outward, int material, int group) {
  Triangle(a, b, c, outward, material, group);
  Triangle(a, c, d, outward, material, group);
}

void Mesh::Triangle(Vec3 a, Vec3 b, Vec3 c, Vec2 ta, Vec2 tb, Vec2 tc, Vec3 outward) {
  const Vec3 n = LoaderNormal(a, b, c);
  if (Dot(n, n) < 1e-14) return;
  if (Dot(n, outward) < 0) {
    std::swap(b, c);
    std::swap(tb, tc);
  }
  triangles_.push_back({Vertex(a, 0), Vertex(b, 0), Vertex(c, 0)});
  texTriangles_.push_back({TexCoord(ta), TexCoord(tb), TexCoord(tc)});
  materials_.push_back(0);
}

void Mesh::Quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec2 ta, Vec2 tb, Vec2 tc, Vec2 td,
                Vec3 outward) {
  Triangle(a, b, c, ta, tb, tc, outward);
  Triangle(a, c, d, ta, tc, td, outward);
}

std::string Mesh::ModelText(const std::vector<MaterialColour>& materials,
                            const std::string& textureFile) const {
  std::string out;
  auto line = [&out](const std::string& s) { out += s + "\r\n"; };

  line("Vertices");
  line(std::to_string(vertices_.size()));
  for (const Vec3& v : vertices_) line(FormatReal(v.x) + " " + FormatReal(v.y) + " " + FormatReal(v.z));
  line("");
  line("Triangles");
  line(std::to_string(triangles_.size()));
  for (const auto& t : triangles_)
    line(std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]));
  line("");

  if (materials.size() >= 2) {
    line("MaterialList");
    line(std::to_string(materials.size()));
    line(std::to_string(materials_.size()));
    for (int m : materials_) line(std::to_string(m));
    for (const MaterialColour& m : materials) {
      line("");
      line("Material");
      line(FormatReal(m.r) + " " + FormatReal(m.g) + " " + FormatReal(m.b) + " " + FormatReal(m.a));
      // Specular, emissive and power: the loader skips these three lines.
      line("0 0 0 0");
      line("0 0 0 0");
      line("0");
    }
  } else {
    line("Texture");
    line(std::to_string(texCoords_.size()));
    for (const Vec2& t : texCoords_) line(FormatReal(t.u) + " " + FormatReal(t.v));
    line("");
    line("TrianglesTex");
    line(std::to_string(texTriangles_.size()));
    for (const auto& t : texTriangles_)
      line(std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]));
    if (!textureFile.empty()) {
      line("");
      line("TextureFileName");
      line(textureFile);
    }
  }
  return out;
}

}  // namespace zolvane::gen

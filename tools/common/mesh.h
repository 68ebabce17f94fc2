// Triangle meshes built up face by face, and their text model files.
#pragma once
#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace zolvane::gen {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalize(Vec3 v);

struct Vec2 {
  double u = 0, v = 0;
};

struct MaterialColour {
  double r, g, b, a;
};

// Vertices are shared only inside one smoothing group: the loader smooths the normals of
// untextured models over every triangle that names a vertex, so a sharp edge needs its own
// vertices on either side.
class Mesh {
 public:
  // Adds triangle a, b, c wound so that the loader's face normal (A - B) x (B - C), which
  // the game also culls by (clockwise front faces), points along outward. Degenerate
  // triangles are dropped.
  void Triangle(Vec3 a, Vec3 b, Vec3 c, Vec3 outward, int material, int group);
  void Quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 outward, int material, int group);
  // Textured variant; the texture coordinates follow their corners when the winding flips.
  void Triangle(Vec3 a, Vec3 b, Vec3 c, Vec2 ta, Vec2 tb, Vec2 tc, Vec3 outward);
  void Quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec2 ta, Vec2 tb, Vec2 tc, Vec2 td, Vec3 outward);

  int TriangleCount() const { return static_cast<int>(triangles_.size()); }

  // The text model: untextured with the material list when materials has two or more
  // entries, textured with textureFile otherwise. Lines end CR LF.
  std::string ModelText(const std::vector<MaterialColour>& materials,
                        const std::string& textureFile) const;

 private:
  int Vertex(Vec3 p, int group);
  int TexCoord(Vec2 t);

  std::vector<Vec3> vertices_;
  std::map<std::tuple<int, long long, long long, long long>, int> vertexIndex_;
  std::vector<Vec2> texCoords_;
  std::map<std::pair<long long, long long>, int> texIndex_;
  std::vector<std::array<int, 3>> triangles_;
  std::vector<std::array<int, 3>> texTriangles_;
  std::vector<int> materials_;
};

// A real as the model file wants it: fixed point, at most six decimals, no "-0".
std::string FormatReal(double v);

}  // namespace zolvane::gen

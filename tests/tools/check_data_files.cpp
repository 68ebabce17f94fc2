// Reads the generated data files of a run folder back, the way the game will, and checks
// what the game relies on: the model list and model syntax, closed outward-facing meshes,
// a well opening that no frame part blocks, and picture headers, sizes and content.
//
// usage: zolvane_check_data <run folder>; prints one line per failed check, exit 1 if any.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <locale>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/data_files.h"
#include "tests/tools/data_check.h"

namespace zolvane {
int Failures = 0;
std::string Where;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    std::printf("FAIL %s: %s\n", Where.c_str(), what.c_str());
    ++Failures;
  }
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

Rgb ReadBmp(const std::string& run, const std::string& name) {
  Where = name;
  Rgb out;
  const std::vector<uint8_t> b = ReadBytes(run + "/" + name);
  Check(b.size() > 54 && b[0] == 'B' && b[1] == 'M', "not a bitmap");
  if (b.size() <= 54) return out;
  const int w = static_cast<int>(U32(b, 18)), h = static_cast<int>(U32(b, 22));
  Check(U32(b, 2) == b.size(), "size field differs from the file size");
  Check(U32(b, 14) == 40, "not a BITMAPINFOHEADER");
  Check(U16(b, 28) == 24, "not 24 bits per pixel");
  Check(U32(b, 30) == 0, "compressed");
  Check(w > 0 && w <= 2051 && h > 0, "bad size");
  const size_t row = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  const size_t offset = U32(b, 10);
  Check(offset + row * h == b.size(), "pixel data size wrong");
  if (offset + row * h != b.size() || w <= 0 || h <= 0) return out;
  out.width = w;
  out.height = h;
  out.lightness.resize(static_cast<size_t>(w) * h);
  out.colour.resize(out.lightness.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &b[offset + (h - 1 - y) * row + x * 3];
      out.lightness[static_cast<size_t>(y) * w + x] = (p[0] + p[1] + p[2]) / (3 * 255.0f);
      out.colour[static_cast<size_t>(y) * w + x] = {p[2], p[1], p[0]};
    }
  return out;
}

// Break pictures and menu labels are drawn opaque: a dark plaque from edge to edge with
// bright lettering, in the 5.4 : 1 shape of their quads.
void CheckPlaque(const std::string& run, const std::string& name) {
  const Rgb p = ReadBmp(run, name);
  if (p.lightness.empty()) return;
  Check(std::fabs(static_cast<double>(p.width) / p.height - 5.4) < 0.1, "not the 5.4:1 shape");
  int bright = 0;
  double sum = 0;
  for (float v : p.lightness) {
    if (v > 0.75f) ++bright;
    sum += v;
  }
  Check(sum / p.lightness.size() < 0.35, "panel not dark");
  Check(bright > static_cast<int>(p.lightness.size() / 50), "no bright lettering");
  bool cornersDark = true;
  for (int x : {0, p.width - 1})
    for (int y : {0, p.height - 1}) cornersDark = cornersDark && p.lightness[static_cast<size_t>(y) * p.width + x] < 0.3f;
  Check(cornersDark, "corners not dark: the plaque does not fill the picture");
}

namespace {

// Splits text into lines ended by CR LF; reports any other line end.
std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t lf = text.find('\n', start);
    if (lf == std::string::npos) {
      Check(false, "last line has no CR LF");
      lines.push_back(text.substr(start));
      break;
    }
    Check(lf > start && text[lf - 1] == '\r', "line " + std::to_string(lines.size() + 1) + " ends without CR");
    const size_t end = (lf > start && text[lf - 1] == '\r') ? lf - 1 : lf;
    lines.push_back(text.substr(start, end - start));
    start = lf + 1;
  }
  return lines;
}

// ---------------------------------------------------------------------------------------
// Models

struct V3 {
  double x, y, z;
};
V3 Sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 CrossP(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double DotP(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct Model {
  std::vector<V3> vertices;
  std::vector<std::array<int, 3>> triangles, texTriangles;
  std::vector<std::pair<double, double>> texCoords;
  int materialCount = 0;
  std::vector<int> materialIndex;
  std::vector<std::array<double, 4>> materials;
  bool textured = false;
  std::string textureFile;
};

// Strict reading: a count alone on its line, an item's numbers alone on theirs.
bool Numbers(const std::string& line, size_t n, std::vector<double>& out) {
  std::istringstream in(line);
  in.imbue(std::locale::classic());
  out.clear();
  double v;
  while (in >> v) out.push_back(v);
  return in.eof() && out.size() == n;
}

Model ParseModel(const std::vector<std::string>& lines) {
  Model m;
  size_t i = 0;
  std::vector<double> nums;
  auto next = [&]() -> std::string {
    if (i >= lines.size()) {
      Check(false, "file ends inside a section");
      return "";
    }
    return lines[i++];
  };
  auto count = [&]() {
    const std::string l = next();
    Check(Numbers(l, 1, nums) && nums[0] >= 0 && nums[0] == std::floor(nums[0]), "bad count line '" + l + "'");
    return nums.empty() ? 0 : static_cast<int>(nums[0]);
  };
  auto triples = [&](std::vector<std::array<int, 3>>& out) {
    const int n = count();
    for (int k = 0; k < n; ++k) {
      const std::string l = next();
      Check(Numbers(l, 3, nums), "bad index line '" + l + "'");
      if (nums.size() == 3)
        out.push_back({static_cast<int>(nums[0]), static_cast<int>(nums[1]), static_cast<int>(nums[2])});
    }
  };
  while (i < lines.size()) {
    const std::string key = lines[i++];
    if (key.empty()) continue;
    if (key == "Vertices") {
      const int n = count();
      for (int k = 0; k < n; ++k) {
        const std::string l = next();
        Check(Numbers(l, 3, nums), "bad vertex line '" + l + "'");
        if (nums.size() == 3) m.vertices.push_back({nums[0], nums[1], nums[2]});
      }
    } else if (key == "Triangles") {
      triples(m.triangles);
    } else if (key == "TrianglesTex") {
      triples(m.texTriangles);
    } else if (key == "Texture") {
      const int n = count();
      for (int k = 0; k < n; ++k) {
        const std::string l = next();
        Check(Numbers(l, 2, nums), "bad texture line '" + l + "'");
        if (nums.size() == 2) m.texCoords.push_back({nums[0], nums[1]});
      }
      m.textured = true;
    } else if (key == "MaterialList") {
      m.materialCount = count();
      if (m.materialCount >= 2) {
        const int f = count();
        for (int k = 0; k < f; ++k) {
          const std::string l = next();
          Check(Numbers(l, 1, nums), "bad material number '" + l + "'");
          if (nums.size() == 1) m.materialIndex.push_back(static_cast<int>(nums[0]));
        }
      }
      m.textured = false;
    } else if (key == "Material") {
      const std::string l = next();
      Check(Numbers(l, 4, nums), "bad material line '" + l + "'");
      if (nums.size() == 4) m.materials.push_back({nums[0], nums[1], nums[2], nums[3]});
      for (int k = 0; k < 3; ++k) next();
    } else if (key == "TextureFileName") {
      m.textureFile = next();
    } else {
      Check(false, "line '" + key + "' is no keyword");
    }
  }
  return m;
}

// Directed edges by position must pair up with their reverses, so every connected part is
// closed and consistently wound; each part's signed volume must then be positive, which
// with the loader's normal (A - B) x (B - C) means the normals point outward.
void CheckClosedOutward(const Model& m) {
  auto key = [&](int v) {
    const V3 p = m.vertices[v];
    return std::make_tuple(std::llround(p.x * 1e5), std::llround(p.y * 1e5), std::llround(p.z * 1e5));
  };
  using Key = std::tuple<long long, long long, long long>;
  std::map<std::pair<Key, Key>, std::vector<int>> edges;
  for (size_t t = 0; t < m.triangles.size(); ++t)
    for (int k = 0; k < 3; ++k)
      edges[{key(m.triangles[t][k]), key(m.triangles[t][(k + 1) % 3])}].push_back(static_cast<int>(t));

  std::vector<int> parent(m.triangles.size());
  for (size_t t = 0; t < parent.size(); ++t) parent[t] = static_cast<int>(t);
  auto find = [&](int t) {
    while (parent[t] != t) t = parent[t] = parent[parent[t]];
    return t;
  };
  int unpaired = 0;
  for (const auto& [edge, tris] : edges) {
    const auto reverse = edges.find({edge.second, edge.first});
    if (reverse == edges.end() || reverse->second.size() != tris.size()) {
      ++unpaired;
      continue;
    }
    for (int a : tris)
      for (int b : reverse->second) parent[find(a)] = find(b);
  }
  Check(unpaired == 0, std::to_string(unpaired) + " edges without a matching reverse edge (open or misturned)");

  std::map<int, double> volume;
  for (size_t t = 0; t < m.triangles.size(); ++t) {
    const V3 a = m.vertices[m.triangles[t][0]], b = m.vertices[m.triangles[t][1]], c = m.vertices[m.triangles[t][2]];
    volume[find(static_cast<int>(t))] += DotP(a, CrossP(b, c)) / 6.0;
  }
  int inward = 0;
  for (const auto& [part, v] : volume)
    if (v <= 0) ++inward;
  Check(inward == 0, std::to_string(inward) + " of " + std::to_string(volume.size()) + " parts face inward");
}

void CheckIndices(const Model& m) {
  bool ok = true;
  for (const auto& t : m.triangles)
    for (int v : t) ok = ok && v >= 0 && v < static_cast<int>(m.vertices.size());
  Check(ok, "triangle names a missing vertex");
  int degenerate = 0;
  for (const auto& t : m.triangles) {
    const V3 n = CrossP(Sub(m.vertices[t[0]], m.vertices[t[1]]), Sub(m.vertices[t[1]], m.vertices[t[2]]));
    if (DotP(n, n) < 1e-16) ++degenerate;
  }
  Check(degenerate == 0, std::to_string(degenerate) + " degenerate triangles");
}

void CheckBrick(const Model& m, int minTriangles, int maxTriangles) {
  Check(m.textured, "brick is not textured");
  Check(m.materialCount == 0, "brick has a material list");
  const int count = static_cast<int>(m.triangles.size());
  Check(count >= minTriangles && count <= maxTriangles,
        std::to_string(count) + " triangles, expected " + std::to_string(minTriangles) + ".." +
            std::to_string(maxTriangles));
  Check(m.texTriangles.size() == m.triangles.size(), "TrianglesTex count differs from Triangles");
  bool ok = true;
  for (const auto& t : m.texTriangles)
    for (int v : t) ok = ok && v >= 0 && v < static_cast<int>(m.texCoords.size());
  Check(ok, "texture triangle names a missing coordinate");
  for (const auto& [u, v] : m.texCoords) ok = ok && u >= 0 && u <= 1 && v >= 0 && v <= 1;
  Check(ok, "texture coordinate outside 0..1");
  CheckIndices(m);

  V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
  for (const V3& p : m.vertices) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  for (double e : {hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}) Check(e > 0.9 && e < 0.99, "brick size not just under 1");
  for (double c : {hi.x + lo.x, hi.y + lo.y, hi.z + lo.z}) Check(std::fabs(c) < 1e-4, "brick not centred");

  // Convex round its centre: every loader normal points away from it.
  int inward = 0;
  for (const auto& t : m.triangles) {
    const V3 a = m.vertices[t[0]], b = m.vertices[t[1]], c = m.vertices[t[2]];
    const V3 n = CrossP(Sub(a, b), Sub(b, c));
    const V3 centre{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
    if (DotP(n, centre) <= 0) ++inward;
  }
  Check(inward == 0, std::to_string(inward) + " brick triangles face inward");
  CheckClosedOutward(m);

  // The face towards the viewer (-z) shows the picture upright and unmirrored: across
  // each triangle u grows to the right and v upwards.
  int upright = 0, mirrored = 0;
  for (size_t t = 0; t < m.triangles.size(); ++t) {
    const V3 a = m.vertices[m.triangles[t][0]], b = m.vertices[m.triangles[t][1]], c = m.vertices[m.triangles[t][2]];
    if (a.z > -0.47 || b.z > -0.47 || c.z > -0.47) continue;
    const auto ta = m.texCoords[m.texTriangles[t][0]], tb = m.texCoords[m.texTriangles[t][1]],
               tc = m.texCoords[m.texTriangles[t][2]];
    const double dx = b.x - a.x, dy = b.y - a.y, ex = c.x - a.x, ey = c.y - a.y;
    const double det = dx * ey - dy * ex;
    if (std::fabs(det) < 1e-9) continue;
    const double dudx = ((tb.first - ta.first) * ey - (tc.first - ta.first) * dy) / det;
    const double dvdy = ((tc.second - ta.second) * dx - (tb.second - ta.second) * ex) / det;
    (dudx > 0 && dvdy > 0 ? upright : mirrored)++;
  }
  Check(upright > 0 && mirrored == 0, "front face picture not upright");
}

void CheckFrame(const Model& m) {
  Check(!m.textured, "frame is textured");
  Check(m.materialCount >= 2, "frame has fewer than two materials");
  Check(static_cast<int>(m.materials.size()) == m.materialCount, "Material sections differ from the list's count");
  Check(m.materialIndex.size() == m.triangles.size(), "material numbers differ from the triangle count");
  std::set<int> used;
  bool ok = true;
  for (int k : m.materialIndex) {
    ok = ok && k >= 0 && k < m.materialCount;
    used.insert(k);
  }
  Check(ok, "material number out of range");
  Check(static_cast<int>(used.size()) == m.materialCount, "a material is never used");
  for (const auto& c : m.materials)
    for (double v : c) Check(v >= 0 && v <= 1, "material colour outside 0..1");
  const int count = static_cast<int>(m.triangles.size());
  Check(count >= 300 && count <= 4000, std::to_string(count) + " triangles, expected 300..4000");
  CheckIndices(m);
  CheckClosedOutward(m);

  // Placed as the game places it: scaled (1.03, 0.98, 1), moved to the well centre and 0.3
  // towards the viewer. No triangle may reach into the space of the well's bricks.
  int blocking = 0;
  double minX = 1e9, maxX = -1e9, minZ = 1e9;
  for (const auto& t : m.triangles) {
    V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (int v : t) {
      const V3 p = m.vertices[v];
      const V3 w{p.x * 1.03 + 5.5, p.y * 0.98 + 10.5, p.z - 0.3};
      lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
      hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
    }
    minX = std::min(minX, lo.x);
    maxX = std::max(maxX, hi.x);
    minZ = std::min(minZ, lo.z);
    const bool overlaps = lo.x < 10.48 && hi.x > 0.52 && lo.y < 20.48 && hi.y > 0.52 && lo.z < 0.48 && hi.z > -0.48;
    if (overlaps) ++blocking;
  }
  Check(blocking == 0, std::to_string(blocking) + " frame triangles reach into the well");
  Check(minX < 0.3 && maxX > 10.7, "frame does not surround the well");
  Check(minX > -2.0 && maxX < 13.0, "frame reaches into the text columns");
  // The break banners swing 3 degrees about their centre one unit in front of the well;
  // at the frame's posts their near edge comes to about z -0.72.
  Check(minZ > -0.72, "frame stands in front of the break banners (z " + std::to_string(minZ) + ")");
}

void CheckModels(const std::string& run) {
  Where = "data/models.dat";
  const std::vector<uint8_t> bytes = ReadBytes(run + "/data/models.dat");
  Check(!bytes.empty(), "missing");
  const std::vector<std::string> names = CrLfLines(std::string(bytes.begin(), bytes.end()));
  Check(names.size() == 5, "lists " + std::to_string(names.size()) + " models, not 5");
  std::vector<std::string> texts;
  for (size_t slot = 0; slot < names.size() && slot < 5; ++slot) {
    Where = names[slot];
    const std::vector<uint8_t> b = ReadBytes(run + "/" + names[slot]);
    Check(!b.empty(), "missing");
    texts.emplace_back(b.begin(), b.end());
    const Model m = ParseModel(CrLfLines(texts.back()));
    if (m.triangles.empty()) {
      Check(false, "no triangles");
      continue;
    }
    if (slot == 0) CheckBrick(m, 12, 100);
    if (slot == 1) CheckBrick(m, 80, 200);
    if (slot == 2) CheckBrick(m, 250, 700);
    if (slot >= 3) CheckFrame(m);
  }
  Where = "data/models";
  if (texts.size() == 5) Check(texts[3] != texts[4], "the two frames are the same");
}

// ---------------------------------------------------------------------------------------
// Pictures

void CheckBrickPicture(const std::string& run) {
  const Rgb p = ReadBmp(run, "data/models/brick.bmp");
  if (p.lightness.empty()) return;
  double sum = 0, sq = 0, lo = 1;
  for (float v : p.lightness) {
    sum += v;
    sq += v * v;
    lo = std::min<double>(lo, v);
  }
  const double mean = sum / p.lightness.size(), sd = std::sqrt(sq / p.lightness.size() - mean * mean);
  Check(mean > 0.8, "not light enough for tinting");
  Check(lo > 0.4, "has dark pixels");
  Check(sd > 0.02, "flat, no shading");
}

void CheckSpark(const std::string& run, const std::string& name) {
  Where = name;
  const std::vector<uint8_t> b = ReadBytes(run + "/" + name);
  Check(b.size() > 18, "missing");
  if (b.size() <= 18) return;
  const int w = static_cast<int>(U16(b, 12)), h = static_cast<int>(U16(b, 14));
  Check(b[2] == 2, "not uncompressed true colour");
  Check(b[16] == 32 && (b[17] & 0x0F) == 8, "no 8-bit alpha");
  Check(b.size() == 18 + b[0] + static_cast<size_t>(w) * h * 4, "size wrong");
  if (b.size() != 18 + b[0] + static_cast<size_t>(w) * h * 4 || w < 8 || h < 8) return;
  auto alpha = [&](int x, int y) { return b[18 + b[0] + (static_cast<size_t>(y) * w + x) * 4 + 3]; };
  int edge = 0;
  for (int k = 0; k < w; ++k) edge = std::max({edge, int{alpha(k, 0)}, int{alpha(k, h - 1)}});
  for (int k = 0; k < h; ++k) edge = std::max({edge, int{alpha(0, k)}, int{alpha(w - 1, k)}});
  Check(edge == 0, "alpha not clear at the border");
  Check(alpha(w / 2, h / 2) > 200, "centre not opaque");
}

void CheckJpeg(const std::string& run, const std::string& name) {
  Where = name;
  const std::vector<uint8_t> b = ReadBytes(run + "/" + name);
  Check(b.size() > 4 && b[0] == 0xFF && b[1] == 0xD8 && b[b.size() - 2] == 0xFF && b[b.size() - 1] == 0xD9,
        "not a complete JPEG");
  if (b.size() < 4) return;
  // Walk the segments to the frame header.
  size_t at = 2;
  bool found = false;
  while (at + 9 < b.size() && b[at] == 0xFF) {
    const uint8_t marker = b[at + 1];
    const size_t length = static_cast<size_t>(b[at + 2]) << 8 | b[at + 3];
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      const int h = b[at + 5] << 8 | b[at + 6], w = b[at + 7] << 8 | b[at + 8];
      Check(w >= 800 && h >= 600 && std::fabs(static_cast<double>(w) / h - 4.0 / 3.0) < 0.1, "size not 4:3");
      Check(b[at + 9] == 3, "not a colour picture");
      found = true;
      break;
    }
    at += 2 + length;
  }
  Check(found, "no frame header");
  Check(b.size() > 30000, "suspiciously small: no detail");
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) {
  using namespace zolvane;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <run folder>\n", argv[0]);
    return 2;
  }
  const std::string run = argv[1];
  CheckModels(run);
  CheckBrickPicture(run);
  for (const char* n : {"textures/gameover.bmp", "textures/pause.bmp", "textures/abortgame.bmp"})
    CheckPlaque(run, n);
  for (const char* n : {"textures/effect.tga", "textures/effect2.tga", "textures/effect3.tga", "textures/effect4.tga"})
    CheckSpark(run, n);
  for (const char* n : BackgroundNames) CheckJpeg(run, std::string("textures/") + n + ".jpg");
  CheckFonts(run);
  CheckMenuPictures(run);
  CheckSounds(run);
  CheckMusic(run);
  std::printf(Failures ? "%d checks failed\n" : "all data file checks passed\n", Failures);
  return Failures ? 1 : 0;
}

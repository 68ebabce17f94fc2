#include "render/models.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/logs.h"
#include "platform/math3d.h"
#include "render/device_objects.h"
#include "render/scene_setup.h"

namespace zolvane {

TModelData ModelTable[ModelSlotCount];
uint8_t ModelSlotIndex = 0;
int32_t ModelVertexFill = 0;
int32_t TexModelVertexFill = 0;

namespace {

// Copies of what has been written into the two buffers, so that new buffers after a
// device rebuild can be given the same bytes at the same places.
std::vector<uint8_t> ModelBytesWritten;
std::vector<uint8_t> TexModelBytesWritten;

// No real model comes near this; a larger count only asks for memory.
constexpr int32_t MaxMaterials = 65536;

using Triple = std::array<int32_t, 3>;

std::vector<std::string> ReadLines(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw ModelLoadError(fileName, "the file cannot be opened");
  std::string text;
  try {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    // The stream buffer throws on a read error (a folder opens, but cannot be read).
    throw ModelLoadError(fileName, "the file cannot be read");
  }
  if (in.bad()) throw ModelLoadError(fileName, "the file cannot be read");
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    begin = end + 1;
  }
  return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal with optional sign, point and exponent: "1", "-0.5", "2.5E-1". Checked here
// because from_chars alone would also take "inf", "nan" and reject a leading "+".
bool IsRealText(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == t.size();
}

// The model text as a stream of numbers and lines, read the same way in every locale.
class ModelReader {
 public:
  ModelReader(std::string fileName, std::vector<std::string> lines)
      : File(std::move(fileName)), Lines(std::move(lines)) {}

  // The next non-empty line, whole; false at the end of the file.
  bool NextKeywordLine(std::string& out) {
    Column = 0;
    while (Line < Lines.size() && Lines[Line].empty()) ++Line;
    if (Line >= Lines.size()) return false;
    out = Lines[Line++];
    return true;
  }

  std::string TakeLine() {
    Column = 0;
    if (Line >= Lines.size()) return {};
    return Lines[Line++];
  }

  void SkipRestOfLine() {
    Column = 0;
    if (Line < Lines.size()) ++Line;
  }

  int32_t ReadInt() {
    const std::string_view t = Token();
    std::string_view digits = t;
    const bool negative = !digits.empty() && digits[0] == '-';
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) digits.remove_prefix(1);
    bool valid = !digits.empty();
    for (char c : digits) valid = valid && IsDigit(c);
    int64_t value = 0;
    if (valid) {
      const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (negative) value = -value;
      valid = r.ec == std::errc() && value >= INT32_MIN && value <= INT32_MAX;
    }
    if (!valid) Fail("\"" + std::string(t) + "\" is not a valid integer");
    return static_cast<int32_t>(value);
  }

  float ReadReal() {
    const std::string_view t = Token();
    std::string_view digits = t;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
    float value = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (!IsRealText(t) || r.ec != std::errc() || r.ptr != digits.data() + digits.size())
      Fail("\"" + std::string(t) + "\" is not a valid number");
    return value;
  }

 private:
  // Skips blanks, tabs and line ends, then takes everything up to the next blank.
  std::string_view Token() {
    for (;;) {
      if (Line >= Lines.size()) {
        Line = Lines.size();
        Fail("a number is missing at the end of the file");
      }
      const std::string& s = Lines[Line];
      while (Column < s.size() && IsBlank(s[Column])) ++Column;
      if (Column < s.size()) break;
      ++Line;
      Column = 0;
    }
    const std::string& s = Lines[Line];
    const size_t begin = Column;
    while (Column < s.size() && !IsBlank(s[Column])) ++Column;
    return std::string_view(s).substr(begin, Column - begin);
  }

  [[noreturn]] void Fail(const std::string& what) const {
    const size_t shown = Line < Lines.size() ? Line + 1 : Lines.size();
    throw ModelLoadError(File, shown, what);
  }

  std::string File;
  std::vector<std::string> Lines;
  size_t Line = 0, Column = 0;
};

// Everything one file gives, before it is checked and written.
struct ParsedModel {
  TModelData Slot;
  std::vector<D3DVECTOR> Vertices;
  std::vector<Triple> Triangles;
  std::vector<Triple> TexTriangles;
  std::vector<std::array<float, 2>> TexCoords;
  int32_t MaterialCount = 0;
  size_t MaterialCounter = 0;
  std::string Problem;  // the first reason to reject the model

  void Reject(std::string why) {
    if (Problem.empty()) Problem = std::move(why);
  }
};

int32_t ReadCount(ModelReader& reader, ParsedModel& model, const char* keyword) {
  const int32_t n = reader.ReadInt();
  reader.SkipRestOfLine();
  if (n < 0) {
    model.Reject(std::string("negative count ") + std::to_string(n) + " in " + keyword);
    return 0;
  }
  return n;
}

Triple ReadTriple(ModelReader& reader) {
  Triple t;
  for (int32_t& v : t) v = reader.ReadInt();
  reader.SkipRestOfLine();
  return t;
}

// Returns false for a line that is no section keyword.
bool ReadSection(const std::string& keyword, ModelReader& reader, ParsedModel& m) {
  if (keyword == "Vertices") {
    const int32_t n = ReadCount(reader, m, "Vertices");
    m.Vertices.clear();
    for (int32_t i = 0; i < n; ++i) {
      D3DVECTOR v;
      v.x = reader.ReadReal();
      v.y = reader.ReadReal();
      v.z = reader.ReadReal();
      reader.SkipRestOfLine();
      m.Vertices.push_back(v);
    }
  } else if (keyword == "Triangles") {
    const int32_t n = ReadCount(reader, m, "Triangles");
    m.Triangles.clear();
    for (int32_t i = 0; i < n; ++i) m.Triangles.push_back(ReadTriple(reader));
  } else if (keyword == "TrianglesTex") {
    const int32_t n = ReadCount(reader, m, "TrianglesTex");
    m.TexTriangles.clear();
    for (int32_t i = 0; i < n; ++i) m.TexTriangles.push_back(ReadTriple(reader));
  } else if (keyword == "Texture") {
    const int32_t n = ReadCount(reader, m, "Texture");
    m.TexCoords.clear();
    for (int32_t i = 0; i < n; ++i) {
      std::array<float, 2> uv;
      uv[0] = reader.ReadReal();
      uv[1] = reader.ReadReal();
      reader.SkipRestOfLine();
      m.TexCoords.push_back(uv);
    }
    m.Slot.Textured = true;
  } else if (keyword == "MaterialList") {
    const int32_t c = ReadCount(reader, m, "MaterialList");
    m.MaterialCount = c;
    m.Slot.Materials.clear();
    if (c > MaxMaterials)
      m.Reject("MaterialList count " + std::to_string(c) + " is too large");
    else
      m.Slot.Materials.resize(static_cast<size_t>(c), D3DMATERIAL8{});
    if (c < 2) {
      m.Slot.SingleMaterial = true;
    } else {
      const int32_t f = ReadCount(reader, m, "MaterialList");
      m.Slot.MaterialIndex.clear();
      for (int32_t i = 0; i < f; ++i) {
        m.Slot.MaterialIndex.push_back(reader.ReadInt());
        reader.SkipRestOfLine();
      }
      m.Slot.SingleMaterial = false;
    }
    m.Slot.Textured = false;
  } else if (keyword == "Material") {
    const float r = reader.ReadReal(), g = reader.ReadReal(), b = reader.ReadReal(),
                a = reader.ReadReal();
    reader.SkipRestOfLine();
    D3DMATERIAL8 material;
    InitMaterial(material, r, g, b, a);
    if (m.MaterialCount < 2) {
      m.Slot.Material = material;
    } else if (m.MaterialCounter < m.Slot.Materials.size()) {
      m.Slot.Materials[m.MaterialCounter++] = material;
    } else {
      m.Reject("more Material sections than the MaterialList count " +
               std::to_string(m.MaterialCount));
    }
    for (int i = 0; i < 3; ++i) reader.SkipRestOfLine();
  } else if (keyword == "TextureFileName") {
    m.Slot.TextureFileName = reader.TakeLine();
  } else {
    return false;
  }
  return true;
}

// Every number that points into another list points inside it, and the model fits its
// buffer; otherwise the reason.
std::string CheckModel(const ParsedModel& m) {
  if (!m.Problem.empty()) return m.Problem;
  const size_t triangles = m.Triangles.size();
  for (size_t t = 0; t < triangles; ++t)
    for (int32_t v : m.Triangles[t])
      if (v < 0 || static_cast<size_t>(v) >= m.Vertices.size())
        return "triangle " + std::to_string(t) + " names vertex " + std::to_string(v) + " of " +
               std::to_string(m.Vertices.size());
  if (m.Slot.Textured) {
    if (m.TexTriangles.size() < triangles)
      return std::to_string(m.TexTriangles.size()) + " texture triangles for " +
             std::to_string(triangles) + " triangles";
    for (size_t t = 0; t < triangles; ++t)
      for (int32_t k : m.TexTriangles[t])
        if (k < 0 || static_cast<size_t>(k) >= m.TexCoords.size())
          return "texture triangle " + std::to_string(t) + " names texture coordinate " +
                 std::to_string(k) + " of " + std::to_string(m.TexCoords.size());
  } else if (!m.Slot.SingleMaterial) {
    if (m.Slot.MaterialIndex.size() < triangles)
      return std::to_string(m.Slot.MaterialIndex.size()) + " material numbers for " +
             std::to_string(triangles) + " triangles";
    for (size_t t = 0; t < triangles; ++t) {
      const int32_t n = m.Slot.MaterialIndex[t];
      if (n < 0 || static_cast<size_t>(n) >= m.Slot.Materials.size())
        return "triangle " + std::to_string(t) + " names material " + std::to_string(n) +
               " of " + std::to_string(m.Slot.Materials.size());
    }
  }
  const VertexBuffer* buffer = m.Slot.Textured ? D3D.FD3DVBTexModels : D3D.FD3DVBModels;
  const uint32_t stride = m.Slot.Textured ? TexModelStride : ModelStride;
  const int64_t capacity = buffer ? buffer->Length / stride : 0;
  const int64_t first = m.Slot.Textured ? TexModelVertexFill : ModelVertexFill;
  const int64_t needed = 3 * static_cast<int64_t>(triangles);
  if (first + needed > capacity)
    return std::to_string(needed) + " vertices do not fit the vertex buffer from vertex " +
           std::to_string(first) + " of " + std::to_string(capacity);
  return {};
}

std::vector<D3DVECTOR> FaceNormals(const ParsedModel& m) {
  std::vector<D3DVECTOR> normals;
  normals.reserve(m.Triangles.size());
  for (const Triple& t : m.Triangles) {
    const D3DVECTOR a = m.Vertices[t[0]], b = m.Vertices[t[1]], c = m.Vertices[t[2]];
    const D3DVECTOR n = VectorCross(VectorSubtract(a, b), VectorSubtract(b, c));
    float length = VectorLength(n);
    if (length == 0) length = 1;  // a degenerate triangle keeps (0, 0, 0)
    normals.push_back(VectorDivide(n, length));
  }
  return normals;
}

// Per vertex, the normalised sum of the face normals of the triangles touching it, summed
// in triangle order; a triangle that names the vertex twice counts once.
std::vector<D3DVECTOR> SmoothNormals(const ParsedModel& m, const std::vector<D3DVECTOR>& faces) {
  std::vector<D3DVECTOR> sums(m.Vertices.size(), D3DVECTOR{0, 0, 0});
  std::vector<bool> used(m.Vertices.size(), false);
  for (size_t t = 0; t < m.Triangles.size(); ++t) {
    const Triple& tri = m.Triangles[t];
    for (int k = 0; k < 3; ++k) {
      const int32_t v = tri[k];
      if ((k > 0 && tri[0] == v) || (k > 1 && tri[1] == v)) continue;
      sums[v].x += faces[t].x;
      sums[v].y += faces[t].y;
      sums[v].z += faces[t].z;
      used[v] = true;
    }
  }
  for (size_t v = 0; v < sums.size(); ++v) {
    if (!used[v]) continue;
    float length = VectorLength(sums[v]);
    if (length == 0) length = 1;
    sums[v] = VectorDivide(sums[v], length);
  }
  return sums;
}

// Writes the vertices at the buffer position and keeps a copy of them at the same place.
template <class Vertex>
void WriteVertices(uint8_t* locked, std::vector<uint8_t>& copy, size_t offset,
                   const std::vector<Vertex>& vertices) {
  const size_t size = vertices.size() * sizeof(Vertex);
  if (size == 0) return;
  std::memcpy(locked, vertices.data(), size);
  if (copy.size() < offset + size) copy.resize(offset + size);
  std::memcpy(copy.data() + offset, vertices.data(), size);
}

void ReleaseSlot(TModelData& slot) {
  SafeRelease(slot.Texture);
  slot = TModelData{};
}

void NextSlot() {
  if (ModelSlotIndex < ModelSlotCount - 1) ++ModelSlotIndex;
}

ParsedModel ParseModel(const std::string& fileName) {
  ModelReader reader(fileName, ReadLines(fileName));
  ParsedModel m;
  std::string keyword;
  while (reader.NextKeywordLine(keyword)) {
    if (ReadSection(keyword, reader, m))
      WriteLog(fileName + " " + keyword + " done");
    else
      WriteLog("Error of loading model");
  }
  WriteLog(fileName + " model loads succesfuly");
  return m;
}

struct ModelNormals {
  std::vector<D3DVECTOR> Faces;   // lights the textured models, flat
  std::vector<D3DVECTOR> Smooth;  // lights the others
};

ModelNormals Normals(const std::string& fileName, const ParsedModel& m) {
  ModelNormals normals;
  normals.Faces = FaceNormals(m);
  WriteLog(fileName + " normals calculate ok");
  normals.Smooth = SmoothNormals(m, normals.Faces);
  WriteLog(fileName + " smooth normals calculate ok");
  return normals;
}

// Three vertices a triangle, in triangle order.
std::vector<TTexModelVertex> TexturedVertices(const ParsedModel& m,
                                              const std::vector<D3DVECTOR>& faces) {
  std::vector<TTexModelVertex> vertices;
  vertices.reserve(m.Triangles.size() * 3);
  for (size_t t = 0; t < m.Triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      const D3DVECTOR& pos = m.Vertices[m.Triangles[t][k]];
      const auto& uv = m.TexCoords[m.TexTriangles[t][k]];
      vertices.push_back(
          {pos.x, pos.y, pos.z, faces[t].x, faces[t].y, faces[t].z, 0xFFFFFFFF, uv[0], uv[1]});
    }
  return vertices;
}

std::vector<TModelVertex> PlainVertices(const ParsedModel& m,
                                        const std::vector<D3DVECTOR>& smooth) {
  std::vector<TModelVertex> vertices;
  vertices.reserve(m.Triangles.size() * 3);
  for (const Triple& tri : m.Triangles)
    for (int32_t v : tri) {
      const D3DVECTOR& pos = m.Vertices[v];
      vertices.push_back({pos.x, pos.y, pos.z, smooth[v].x, smooth[v].y, smooth[v].z});
    }
  return vertices;
}

// Appends the model's vertices to its buffer and to the copy a restore refills it from;
// false when the buffer cannot be locked.
bool UploadModel(const std::string& fileName, ParsedModel& m, const ModelNormals& normals) {
  const bool textured = m.Slot.Textured;
  VertexBuffer* buffer = textured ? D3D.FD3DVBTexModels : D3D.FD3DVBModels;
  const uint32_t stride = textured ? TexModelStride : ModelStride;
  int32_t& fill = textured ? TexModelVertexFill : ModelVertexFill;
  std::vector<uint8_t>& written = textured ? TexModelBytesWritten : ModelBytesWritten;

  m.Slot.FirstVertex = fill;
  const uint32_t offset = static_cast<uint32_t>(fill) * stride;
  // Only the bytes written are locked: a lock to the end would make the buffer keep (and
  // the device upload) its whole capacity. An empty model still takes a one-byte lock.
  uint32_t size = 3 * static_cast<uint32_t>(m.Triangles.size()) * stride;
  if (size == 0 && buffer && offset < buffer->Length) size = 1;
  uint8_t* p = nullptr;
  if (!buffer || Failed(buffer->Lock(offset, size, &p, 0))) {
    WriteLog(fileName + " fill VB - lock failed");
    return false;
  }
  WriteLog(fileName + " fill VB - lock ok");

  if (textured) {
    const std::vector<TTexModelVertex> vertices = TexturedVertices(m, normals.Faces);
    WriteVertices(p, written, offset, vertices);
    fill += static_cast<int32_t>(vertices.size());
  } else {
    const std::vector<TModelVertex> vertices = PlainVertices(m, normals.Smooth);
    WriteVertices(p, written, offset, vertices);
    fill += static_cast<int32_t>(vertices.size());
  }
  WriteLog(fileName + " fill VB - done");
  buffer->Unlock();
  m.Slot.TriangleCount = static_cast<int32_t>(m.Triangles.size());
  WriteLog(fileName + " fill VB - unlock ok");
  return true;
}

void LeaveSlotEmpty(uint8_t s) {
  ReleaseSlot(ModelTable[s]);
  NextSlot();
}

void FillSlot(uint8_t s, TModelData&& data) {
  ReleaseSlot(ModelTable[s]);
  ModelTable[s] = std::move(data);
  NextSlot();
}

}  // namespace

void LoadModel(const std::string& fileName) {
  const uint8_t s = ModelSlotIndex;
  ParsedModel m = ParseModel(fileName);
  const std::string problem = CheckModel(m);
  if (!problem.empty()) {
    WriteLog(fileName + " rejected: " + problem);
    return LeaveSlotEmpty(s);
  }
  const ModelNormals normals = Normals(fileName, m);
  if (!UploadModel(fileName, m, normals)) return LeaveSlotEmpty(s);
  FillSlot(s, std::move(m.Slot));
  WriteLog(fileName + " load done!");
}

void LoadModels(const std::string& listFile) {
  const std::vector<std::string> lines = ReadLines(listFile);
  for (size_t i = 0; i < lines.size(); ++i) {
    try {
      LoadModel(lines[i]);
    } catch (const ModelLoadError& e) {
      // The damaged file stays the one named; the list's line tells which entry led to it.
      throw ModelLoadError(e.File(), e.Line(),
                           e.Reason() + " (" + listFile + " line " + std::to_string(i + 1) + ")");
    }
    WriteLog(lines[i] + " - done");
  }
}

HRESULT RefillModelBuffers() {
  struct Target {
    VertexBuffer* Buffer;
    const std::vector<uint8_t>& Bytes;
  };
  for (const Target& target : {Target{D3D.FD3DVBModels, ModelBytesWritten},
                               Target{D3D.FD3DVBTexModels, TexModelBytesWritten}}) {
    if (target.Bytes.empty()) continue;
    if (!target.Buffer || target.Bytes.size() > target.Buffer->Length) return D3DERR_INVALIDCALL;
    uint8_t* p = nullptr;
    const HRESULT hr =
        target.Buffer->Lock(0, static_cast<uint32_t>(target.Bytes.size()), &p, 0);
    if (Failed(hr)) return hr;
    std::memcpy(p, target.Bytes.data(), target.Bytes.size());
    target.Buffer->Unlock();
  }
  return D3D_OK;
}

void ReleaseModelTextures() {
  for (TModelData& slot : ModelTable) SafeRelease(slot.Texture);
}

void ResetModels() {
  for (TModelData& slot : ModelTable) ReleaseSlot(slot);
  ModelSlotIndex = 0;
  ModelVertexFill = 0;
  TexModelVertexFill = 0;
  ModelBytesWritten.clear();
  TexModelBytesWritten.clear();
}

}  // namespace zolvane

#include <algorithm>
#include <cmath>

#include "render_fixture.h"

namespace zolvane::testing {
namespace {

const std::string Triangle = "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\nTriangles\r\n1\r\n0 1 2\r\n";
const std::string OneTextured = Triangle + "Texture\r\n1\r\n0 0\r\nTrianglesTex\r\n1\r\n0 0 0\r\n";
const std::string TwoTextured =
    "Vertices\r\n4\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n1 1 0\r\nTriangles\r\n2\r\n0 1 2\r\n1 3 2\r\n"
    "Texture\r\n1\r\n0.5 0.5\r\nTrianglesTex\r\n2\r\n0 0 0\r\n0 0 0\r\n";
const std::string Material = "Material\r\n1 1 1 1\r\nskipped\r\nskipped\r\nskipped\r\n";

class RenderModelLoader : public RenderFixture {
 protected:
  template <class V>
  static V At(const VertexBuffer* b, int i) {
    V v;
    std::memcpy(&v, b->Bytes.data() + i * sizeof v, sizeof v);
    return v;
  }
  static bool LogHas(const std::string& prefix, const std::string& part = "") {
    for (const auto& l : ReadLogLines())
      if (l.rfind(prefix, 0) == 0 && l.find(part) != l.npos) return true;
    return false;
  }
};

TEST_F(RenderModelLoader, LogsEverySectionAndStepInOrder) {
  WriteFile("m.txt", "\r\n" + Triangle + "\r\n\r\nMaterialList\r\n1\r\n"
                     "Material\r\n0.5 0.25 1 1 ;;\r\n0;\r\n0;0;0;;\r\n0;0;0;;\r\n"
                     "   \r\nvertices\r\nTextureFileName\r\nbrick face.bmp\r\n");
  WriteFile("data/models.dat", "m.txt\r\n");
  LoadModels();
  const std::vector<std::string> expected = {
      "m.txt Vertices done", "m.txt Triangles done", "m.txt MaterialList done",
      "m.txt Material done", "Error of loading model", "Error of loading model",
      "m.txt TextureFileName done", "m.txt model loads succesfuly", "m.txt normals calculate ok",
      "m.txt smooth normals calculate ok", "m.txt fill VB - lock ok", "m.txt fill VB - done",
      "m.txt fill VB - unlock ok", "m.txt load done!", "m.txt - done"};
  EXPECT_EQ(ReadLogLines(), expected);
  const TModelData& slot = ModelTable[0];
  EXPECT_EQ(slot.TriangleCount, 1);
  EXPECT_TRUE(slot.SingleMaterial);
  EXPECT_EQ(slot.TextureFileName, "brick face.bmp");
  EXPECT_FLOAT_EQ(slot.Material.Ambient.g, 0.25f);
  EXPECT_EQ(ModelSlotIndex, 1);
}

TEST_F(RenderModelLoader, LastOfTextureAndMaterialListDecidesAndMaterialsGoWhereTheCountSays) {
  const std::string tex = "TrianglesTex\r\n1\r\n0 0 0\r\nTexture\r\n1\r\n0 0\r\n";
  WriteFile("plain.txt", Triangle + tex + "MaterialList\r\n1\r\n");
  WriteFile("tex.txt", Triangle + "MaterialList\r\n1\r\n" + tex);
  WriteFile("multi.txt", Triangle + "Material\r\n0.1 0 0 1\r\n\r\n\r\n\r\n" +
                             "MaterialList\r\n2\r\n1\r\n1\r\nMaterial\r\n0.2 0 0 1\r\n");
  LoadModel("plain.txt");
  LoadModel("tex.txt");
  LoadModel("multi.txt");
  EXPECT_FALSE(ModelTable[0].Textured);
  EXPECT_TRUE(ModelTable[1].Textured);
  EXPECT_EQ(ModelTable[1].FirstVertex, 0);  // the first model of the textured buffer
  EXPECT_EQ(ModelTable[2].FirstVertex, 3);  // after plain.txt in the plain buffer
  EXPECT_FLOAT_EQ(ModelTable[2].Material.Diffuse.r, 0.1f);
  ASSERT_EQ(ModelTable[2].Materials.size(), 2u);
  EXPECT_FLOAT_EQ(ModelTable[2].Materials[0].Diffuse.r, 0.2f);
  EXPECT_EQ(ModelTable[2].MaterialIndex, std::vector<int32_t>{1});
}

TEST_F(RenderModelLoader, ReadsEveryNumberSpellingAcrossLinesAndIgnoresTrailingText) {
  WriteFile("m.txt", "Vertices\r\n3 vertices\r\n2.5E-1\t-0.5   +1 first\r\n1. .5 -2e+1\r\n"
                     "0\r\n  0\r\n7\r\nTriangles\r\n1\r\n0 1 2 tail\r\n"
                     "Texture\r\n1\r\n0.5 1\r\nTrianglesTex\r\n1\r\n+0 0 -0\r\n");
  LoadModel("m.txt");
  const auto a = At<TTexModelVertex>(D3D.FD3DVBTexModels, 0);
  const auto b = At<TTexModelVertex>(D3D.FD3DVBTexModels, 1);
  const auto c = At<TTexModelVertex>(D3D.FD3DVBTexModels, 2);
  EXPECT_EQ(std::vector<float>({a.X, a.Y, a.Z, b.X, b.Y, b.Z, c.Z, c.TU, c.TV}),
            std::vector<float>({0.25f, -0.5f, 1, 1, 0.5f, -20, 7, 0.5f, 1}));
  EXPECT_EQ(c.Color, 0xFFFFFFFFu);
}

TEST_F(RenderModelLoader, DegenerateTriangleGetsAZeroNormal) {
  WriteFile("m.txt", "Vertices\r\n3\r\n0 0 0\r\n2 0 0\r\n0 3 0\r\nTriangles\r\n2\r\n0 1 2\r\n"
                     "0 1 1\r\nTexture\r\n1\r\n0 0\r\nTrianglesTex\r\n2\r\n0 0 0\r\n0 0 0\r\n");
  LoadModel("m.txt");
  EXPECT_EQ(At<TTexModelVertex>(D3D.FD3DVBTexModels, 2).NZ, 1.0f);  // (A - B) x (B - C)
  for (int k = 3; k < 6; ++k) {
    const auto v = At<TTexModelVertex>(D3D.FD3DVBTexModels, k);
    EXPECT_EQ(std::vector<float>({v.NX, v.NY, v.NZ}), std::vector<float>(3, 0.0f));
  }
}

// A square split in two, both halves touching vertex 0, and a wall triangle: vertex 0's
// normal is (0, 0, 1) + (0, 0, 1) + (0, 1, 0), normalised.
TEST_F(RenderModelLoader, SmoothedNormalsSumEveryTouchingTriangle) {
  WriteFile("m.txt", "Vertices\r\n6\r\n0 0 0\r\n1 0 0\r\n1 1 0\r\n0 1 0\r\n0 0 1\r\n9 9 9\r\n"
                     "Triangles\r\n3\r\n0 1 2\r\n0 2 3\r\n0 4 1\r\nMaterialList\r\n1\r\n");
  LoadModel("m.txt");
  const float r5 = std::sqrt(5.0f), r2 = std::sqrt(2.0f);
  const float expected[9][2] = {{1 / r5, 2 / r5}, {1 / r2, 1 / r2}, {0, 1}, {1 / r5, 2 / r5},
                                {0, 1},           {0, 1},           {1 / r5, 2 / r5}, {1, 0},
                                {1 / r2, 1 / r2}};
  for (int i = 0; i < 9; ++i) {
    const auto v = At<TModelVertex>(D3D.FD3DVBModels, i);
    EXPECT_EQ(v.NX, 0.0f) << i;
    EXPECT_FLOAT_EQ(v.NY, expected[i][0]) << i;
    EXPECT_FLOAT_EQ(v.NZ, expected[i][1]) << i;
  }
}

TEST_F(RenderModelLoader, ModelsPackOneAfterAnotherAndASixthLineReloadsSlotFour) {
  WriteFile("one.txt", OneTextured);
  WriteFile("two.txt", TwoTextured);
  WriteFile("empty.txt", "Vertices\r\n1\r\n0 0 0\r\n");
  WriteFile("data/models.dat", "two.txt\r\none.txt\r\ntwo.txt\r\none.txt\r\nempty.txt\r\ntwo.txt");
  LoadModels();
  const int32_t first[] = {0, 6, 9, 15, 18}, count[] = {2, 1, 2, 1, 2};
  for (int s = 0; s < 5; ++s) {
    EXPECT_EQ(ModelTable[s].FirstVertex, first[s]) << s;
    EXPECT_EQ(ModelTable[s].TriangleCount, count[s]) << s;
  }
  EXPECT_EQ(ModelSlotIndex, 4);
  EXPECT_EQ(TexModelVertexFill, 24);
}

TEST_F(RenderModelLoader, VerticesComeBackAfterTheBuffersAreMadeAgain) {
  WriteFile("one.txt", OneTextured);
  WriteFile("plain.txt", Triangle + "MaterialList\r\n1\r\n");
  LoadModel("one.txt");
  LoadModel("plain.txt");
  LoadModel("one.txt");
  const std::vector<uint8_t> plain = D3D.FD3DVBModels->Bytes, tex = D3D.FD3DVBTexModels->Bytes;
  ASSERT_EQ(CreateModelBuffers(), D3D_OK);
  EXPECT_EQ(RefillModelBuffers(), D3D_OK);
  EXPECT_EQ(D3D.FD3DVBModels->Bytes, plain);
  EXPECT_EQ(D3D.FD3DVBTexModels->Bytes, tex);
}

TEST_F(RenderModelLoader, TheBuffersHoldOnlyWhatTheModelsWrote) {
  WriteFile("one.txt", OneTextured);
  WriteFile("two.txt", TwoTextured);
  LoadModel("one.txt");
  LoadModel("two.txt");
  // 300,000 vertices asked for; a lock to the end would have made the buffer keep them all.
  EXPECT_EQ(D3D.FD3DVBTexModels->Bytes.size(), 9u * sizeof(TTexModelVertex));
  EXPECT_FLOAT_EQ(At<TTexModelVertex>(D3D.FD3DVBTexModels, 1).X, 1.0f);  // the first model kept
  EXPECT_FLOAT_EQ(At<TTexModelVertex>(D3D.FD3DVBTexModels, 7).X, 1.0f);
  EXPECT_TRUE(D3D.FD3DVBModels->Bytes.empty());
}

// Numbers pointing outside their lists are never followed: the model is refused with a log
// line, its slot stays empty, nothing is written, and the next file takes the next slot.
TEST_F(RenderModelLoader, OutOfRangeNumbersLeaveTheSlotEmpty) {
  const std::string verts = "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n";
  const std::string tex = "Texture\r\n2\r\n0 0\r\n1 1\r\n";
  const std::pair<std::string, const char*> cases[] = {
      {verts + "Triangles\r\n1\r\n0 1 3\r\nMaterialList\r\n1\r\n", "names vertex 3"},
      {verts + "Triangles\r\n1\r\n0 -1 2\r\nMaterialList\r\n1\r\n", "names vertex -1"},
      {Triangle + tex + "TrianglesTex\r\n1\r\n0 1 2\r\n", "texture coordinate 2"},
      {Triangle + tex + "TrianglesTex\r\n0\r\n", "0 texture triangles for 1"},
      {verts + "MaterialList\r\n2\r\n0\r\n" + Material + Material + Material, "more Material"},
      {Triangle + "MaterialList\r\n2\r\n0\r\n", "0 material numbers for 1"},
      {Triangle, "0 material numbers for 1"},
      {Triangle + "MaterialList\r\n2\r\n1\r\n2\r\n", "names material 2"},
      {"Vertices\r\n-2\r\n", "negative count -2"},
  };
  WriteFile("good.txt", OneTextured);
  for (const auto& [text, reason] : cases) {
    SCOPED_TRACE(reason);
    ResetModels();
    WriteFile("bad.txt", text);
    LoadModel("bad.txt");
    LoadModel("good.txt");
    EXPECT_EQ(ModelTable[0].TriangleCount, 0);
    EXPECT_EQ(ModelTable[1].TriangleCount, 1);
    EXPECT_EQ(ModelTable[1].FirstVertex, 0);
    EXPECT_EQ(ModelVertexFill, 0);
    EXPECT_TRUE(LogHas("bad.txt rejected: ", reason));
  }
  ResetModels();
  WriteFile("two.txt", TwoTextured);
  TexModelVertexFill = 300000 - 5;  // room for one triangle, not two
  LoadModel("two.txt");
  LoadModel("good.txt");
  EXPECT_EQ(ModelTable[0].TriangleCount, 0);
  EXPECT_TRUE(LogHas("two.txt rejected: 6 vertices do not fit"));
  EXPECT_EQ(ModelTable[1].FirstVertex, 300000 - 5);
}

TEST_F(RenderModelLoader, UnreadableFilesAndBadNumbersStopTheLoadNamingFileAndLine) {
  auto error = [](const std::string& file) {
    try {
      file.empty() ? LoadModels() : LoadModel(file);
    } catch (const ModelLoadError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_NE(error("").find("data/models.dat"), std::string::npos);
  WriteFile("data/models.dat", "ok.txt\r\nmissing.txt\r\nok.txt\r\n");
  WriteFile("ok.txt", OneTextured);
  EXPECT_NE(error("").find("missing.txt: the file cannot be opened (data/models.dat line 2)"),
            std::string::npos);
  EXPECT_EQ(ModelSlotIndex, 1);  // the third file was not loaded
  // A folder opens like a file and fails only when read; that failure once escaped as a
  // stream exception without the file's name.
  std::filesystem::create_directories("data/models/folder");
  WriteFile("data/models.dat", "ok.txt\r\ndata/models/folder\r\n");
  EXPECT_NE(error("").find("data/models/folder: the file cannot be read (data/models.dat line 2)"),
            std::string::npos);
  const std::pair<const char*, const char*> bad[] = {
      {"Vertices\r\n2\r\n0 0 0\r\n1,5 0 0\r\n", "line 4"}, {"Triangles\r\nthree\r\n", "line 2"},
      {"Vertices\r\n1\r\ninf 0 0\r\n", "line 3"},         {"Triangles\r\n99999999999\r\n", "line 2"},
      {"Vertices\r\n2\r\n0 0 0\r\n", "line 3: a number is missing"}};
  for (const auto& [text, where] : bad) {
    WriteFile("bad.txt", text);
    EXPECT_NE(error("bad.txt").find(std::string("bad.txt ") + where), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace zolvane::testing

#include <algorithm>
#include <cmath>
#include <functional>

#include "render_fixture.h"

namespace zolvane::testing {
namespace {

// One textured triangle, and the same with a second one sharing an edge.
const char* const OneTexturedTriangle =
    "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n"
    "Triangles\r\n1\r\n0 1 2\r\n"
    "Texture\r\n3\r\n0 0\r\n1 0\r\n0 1\r\n"
    "TrianglesTex\r\n1\r\n0 1 2\r\n";
const char* const TwoTexturedTriangles =
    "Vertices\r\n4\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n1 1 0\r\n"
    "Triangles\r\n2\r\n0 1 2\r\n1 3 2\r\n"
    "Texture\r\n1\r\n0.5 0.5\r\n"
    "TrianglesTex\r\n2\r\n0 0 0\r\n0 0 0\r\n";

class RenderModelLoader : public RenderFixture {
 protected:
  TTexModelVertex TexVertex(int index) const {
    TTexModelVertex v;
    std::memcpy(&v, D3D.FD3DVBTexModels->Bytes.data() + index * sizeof v, sizeof v);
    return v;
  }
  TModelVertex PlainVertex(int index) const {
    TModelVertex v;
    std::memcpy(&v, D3D.FD3DVBModels->Bytes.data() + index * sizeof v, sizeof v);
    return v;
  }
  static bool Logged(const std::string& line) {
    const auto lines = ReadLogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static bool LoggedStarting(const std::string& prefix) {
    for (const auto& l : ReadLogLines())
      if (l.rfind(prefix, 0) == 0) return true;
    return false;
  }
};

TEST_F(RenderModelLoader, LogsEverySectionAndStepInOrder) {
  WriteTextFile("m.txt",
                "\r\nVertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n\r\n\r\n"
                "Triangles\r\n1\r\n0 1 2\r\n"
                "MaterialList\r\n1\r\n"
                "Material\r\n0.5 0.25 1 1 ;;\r\n0;\r\n0;0;0;;\r\n0;0;0;;\r\n"
                "   \r\n"
                "vertices\r\n"
                "TextureFileName\r\nbrick face.bmp\r\n");
  WriteTextFile("data/models.dat", "m.txt\r\n");
  LoadModels();
  const std::vector<std::string> expected = {
      "m.txt Vertices done",      "m.txt Triangles done",     "m.txt MaterialList done",
      "m.txt Material done",      "Error of loading model",   "Error of loading model",
      "m.txt TextureFileName done", "m.txt model loads succesfuly",
      "m.txt normals calculate ok", "m.txt smooth normals calculate ok",
      "m.txt fill VB - lock ok",  "m.txt fill VB - done",     "m.txt fill VB - unlock ok",
      "m.txt load done!",         "m.txt - done"};
  EXPECT_EQ(ReadLogLines(), expected);

  const TModelData& slot = ModelTable[0];
  EXPECT_EQ(slot.TriangleCount, 1);
  EXPECT_FALSE(slot.Textured);
  EXPECT_TRUE(slot.SingleMaterial);
  EXPECT_EQ(slot.TextureFileName, "brick face.bmp");
  EXPECT_FLOAT_EQ(slot.Material.Diffuse.g, 0.25f);
  EXPECT_FLOAT_EQ(slot.Material.Ambient.b, 1.0f);
  EXPECT_FLOAT_EQ(slot.Material.Specular.r, 0.0f);
  EXPECT_EQ(ModelSlotIndex, 1);
  EXPECT_EQ(ModelVertexFill, 3);
}

TEST_F(RenderModelLoader, LastOfTextureAndMaterialListDecidesTexturing) {
  const std::string geometry = "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n"
                               "Triangles\r\n1\r\n0 1 2\r\nTrianglesTex\r\n1\r\n0 0 0\r\n";
  WriteTextFile("plain.txt", geometry + "Texture\r\n1\r\n0 0\r\nMaterialList\r\n1\r\n");
  WriteTextFile("tex.txt", geometry + "MaterialList\r\n1\r\nTexture\r\n1\r\n0 0\r\n");
  LoadModel("plain.txt");
  LoadModel("tex.txt");
  EXPECT_FALSE(ModelTable[0].Textured);
  EXPECT_EQ(ModelVertexFill, 3);
  EXPECT_TRUE(ModelTable[1].Textured);
  EXPECT_EQ(TexModelVertexFill, 3);
  EXPECT_EQ(ModelTable[1].FirstVertex, 0);
}

TEST_F(RenderModelLoader, MaterialsBeforeTheListAreSingleAfterItListed) {
  const std::string material = "Material\r\n%\r\nx\r\nx\r\nx\r\n";
  auto with = [&](const char* rgba) {
    std::string m = material;
    m.replace(m.find('%'), 1, rgba);
    return m;
  };
  WriteTextFile("m.txt", "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n"
                         "Triangles\r\n3\r\n0 1 2\r\n0 1 2\r\n0 1 2\r\n" +
                             with("0.1 0 0 1") +
                             "MaterialList\r\n2\r\n3\r\n1\r\n1\r\n0\r\n" + with("0.2 0 0 1") +
                             with("0.3 0 0 1"));
  LoadModel("m.txt");
  const TModelData& slot = ModelTable[0];
  ASSERT_EQ(slot.TriangleCount, 3);
  EXPECT_FALSE(slot.SingleMaterial);
  EXPECT_FLOAT_EQ(slot.Material.Diffuse.r, 0.1f);
  ASSERT_EQ(slot.Materials.size(), 2u);
  EXPECT_FLOAT_EQ(slot.Materials[0].Diffuse.r, 0.2f);
  EXPECT_FLOAT_EQ(slot.Materials[1].Diffuse.r, 0.3f);
  EXPECT_EQ(slot.MaterialIndex, (std::vector<int32_t>{1, 1, 0}));
}

TEST_F(RenderModelLoader, NumbersInEveryAcceptedSpellingAndTrailingTextIgnored) {
  WriteTextFile("m.txt",
                "Vertices\r\n3 vertices follow\r\n"
                "2.5E-1\t-0.5   +1 first\r\n"
                "1. .5 -2e+1\r\n"
                "0\r\n  0\r\n0\r\n"  // a vertex may spread over lines
                "Triangles\r\n1\r\n0 1 2 tail\r\n"
                "Texture\r\n3\r\n0 0\r\n1 0\r\n0 1\r\nTrianglesTex\r\n1\r\n+0 1 2\r\n");
  LoadModel("m.txt");
  ASSERT_EQ(ModelTable[0].TriangleCount, 1);
  const TTexModelVertex a = TexVertex(0), b = TexVertex(1), c = TexVertex(2);
  EXPECT_EQ(a.X, 0.25f);
  EXPECT_EQ(a.Y, -0.5f);
  EXPECT_EQ(a.Z, 1.0f);
  EXPECT_EQ(b.X, 1.0f);
  EXPECT_EQ(b.Y, 0.5f);
  EXPECT_EQ(b.Z, -20.0f);
  EXPECT_EQ(c.X, 0.0f);
  EXPECT_EQ(c.Color, 0xFFFFFFFFu);
  EXPECT_EQ(c.TU, 0.0f);
  EXPECT_EQ(c.TV, 1.0f);
}

TEST_F(RenderModelLoader, FlatNormalsInTexturedModelsAndZeroForDegenerateTriangles) {
  WriteTextFile("m.txt", "Vertices\r\n3\r\n0 0 0\r\n2 0 0\r\n0 3 0\r\n"
                         "Triangles\r\n2\r\n0 1 2\r\n0 1 1\r\n"
                         "Texture\r\n1\r\n0 0\r\nTrianglesTex\r\n2\r\n0 0 0\r\n0 0 0\r\n");
  LoadModel("m.txt");
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(TexVertex(k).NX, 0.0f);
    EXPECT_EQ(TexVertex(k).NZ, 1.0f);  // (A - B) x (B - C), normalised
  }
  for (int k = 3; k < 6; ++k) {
    const TTexModelVertex v = TexVertex(k);
    EXPECT_EQ(v.NX, 0.0f);
    EXPECT_EQ(v.NY, 0.0f);
    EXPECT_EQ(v.NZ, 0.0f);
  }
}

// A square split in two, both halves touching vertex 0, and a wall triangle: vertex 0's
// normal is (0, 0, 1) + (0, 0, 1) + (0, 1, 0), normalised.
TEST_F(RenderModelLoader, SmoothedNormalsSumEveryTouchingTriangle) {
  WriteTextFile("m.txt", "Vertices\r\n6\r\n0 0 0\r\n1 0 0\r\n1 1 0\r\n0 1 0\r\n0 0 1\r\n9 9 9\r\n"
                         "Triangles\r\n3\r\n0 1 2\r\n0 2 3\r\n0 4 1\r\n"
                         "MaterialList\r\n1\r\n");
  LoadModel("m.txt");
  const float r5 = std::sqrt(5.0f), r2 = std::sqrt(2.0f);
  struct Expect {
    int Vertex;
    float X, Y, Z;
  };
  // Buffer order: triangle by triangle, corner by corner.
  const Expect expected[] = {{0, 0, 1 / r5, 2 / r5}, {1, 0, 1 / r2, 1 / r2}, {2, 0, 0, 1},
                             {0, 0, 1 / r5, 2 / r5}, {2, 0, 0, 1},           {3, 0, 0, 1},
                             {0, 0, 1 / r5, 2 / r5}, {4, 0, 1, 0},           {1, 0, 1 / r2, 1 / r2}};
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE("buffer vertex " + std::to_string(i));
    const TModelVertex v = PlainVertex(i);
    EXPECT_FLOAT_EQ(v.NX, expected[i].X);
    EXPECT_FLOAT_EQ(v.NY, expected[i].Y);
    EXPECT_FLOAT_EQ(v.NZ, expected[i].Z);
  }
  EXPECT_EQ(ModelVertexFill, 9);
}

TEST_F(RenderModelLoader, ModelsPackOneAfterAnotherAndASixthLineReloadsSlotFour) {
  WriteTextFile("one.txt", OneTexturedTriangle);
  WriteTextFile("two.txt", TwoTexturedTriangles);
  WriteTextFile("empty.txt", "Vertices\r\n1\r\n0 0 0\r\n");
  WriteTextFile("data/models.dat",
                "two.txt\r\none.txt\r\ntwo.txt\r\none.txt\r\nempty.txt\r\ntwo.txt\r\n");
  LoadModels();
  EXPECT_EQ(ModelTable[0].FirstVertex, 0);
  EXPECT_EQ(ModelTable[1].FirstVertex, 6);
  EXPECT_EQ(ModelTable[2].FirstVertex, 9);
  EXPECT_EQ(ModelTable[3].FirstVertex, 15);
  EXPECT_EQ(ModelTable[3].TriangleCount, 1);
  // The sixth file replaced the empty model of slot 4 and nothing else.
  EXPECT_EQ(ModelTable[4].FirstVertex, 18);
  EXPECT_EQ(ModelTable[4].TriangleCount, 2);
  EXPECT_EQ(ModelSlotIndex, 4);
  EXPECT_EQ(TexModelVertexFill, 24);
  EXPECT_TRUE(Logged("empty.txt - done"));
}

TEST_F(RenderModelLoader, VerticesComeBackAfterTheBuffersAreMadeAgain) {
  WriteTextFile("one.txt", OneTexturedTriangle);
  WriteTextFile("plain.txt", "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n"
                             "Triangles\r\n1\r\n0 2 1\r\nMaterialList\r\n1\r\n");
  LoadModel("one.txt");
  LoadModel("plain.txt");
  LoadModel("one.txt");
  const std::vector<uint8_t> plain = D3D.FD3DVBModels->Bytes, tex = D3D.FD3DVBTexModels->Bytes;
  ASSERT_EQ(CreateModelBuffers(), D3D_OK);
  ASSERT_NE(D3D.FD3DVBTexModels->Bytes, tex);
  EXPECT_EQ(RefillModelBuffers(), D3D_OK);
  EXPECT_EQ(D3D.FD3DVBModels->Bytes, plain);
  EXPECT_EQ(D3D.FD3DVBTexModels->Bytes, tex);
}

// Numbers that point outside their lists must never be followed: the model is refused with
// a log line, its slot stays empty, and the next file loads into the next slot.
TEST_F(RenderModelLoader, OutOfRangeNumbersLeaveTheSlotEmpty) {
  const std::string verts = "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n";
  const std::string tex = "Texture\r\n2\r\n0 0\r\n1 1\r\n";
  const std::string material = "Material\r\n1 1 1 1\r\n\r\n\r\n\r\n";
  struct Case {
    const char* Name;
    std::string Text;
    const char* Reason;
  } cases[] = {
      {"vertex", verts + "Triangles\r\n1\r\n0 1 3\r\nMaterialList\r\n1\r\n", "names vertex 3"},
      {"negvertex", verts + "Triangles\r\n1\r\n0 -1 2\r\nMaterialList\r\n1\r\n", "vertex -1"},
      {"texcoord", verts + "Triangles\r\n1\r\n0 1 2\r\n" + tex + "TrianglesTex\r\n1\r\n0 1 2\r\n",
       "texture coordinate 2"},
      {"fewtex", verts + "Triangles\r\n2\r\n0 1 2\r\n2 1 0\r\n" + tex +
                     "TrianglesTex\r\n1\r\n0 1 1\r\n",
       "1 texture triangles for 2"},
      {"materials", verts + "MaterialList\r\n2\r\n0\r\n" + material + material + material,
       "more Material sections"},
      {"fewnumbers", verts + "Triangles\r\n2\r\n0 1 2\r\n2 1 0\r\nMaterialList\r\n2\r\n1\r\n0\r\n",
       "1 material numbers for 2"},
      {"nolist", verts + "Triangles\r\n1\r\n0 1 2\r\n", "0 material numbers for 1"},
      {"badnumber", verts + "Triangles\r\n1\r\n0 1 2\r\nMaterialList\r\n2\r\n1\r\n2\r\n",
       "names material 2"},
      {"negative", "Vertices\r\n-2\r\n", "negative count -2"},
  };
  WriteTextFile("good.txt", OneTexturedTriangle);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetModels();
    const std::string file = std::string(c.Name) + ".txt";
    WriteTextFile(file, c.Text);
    LoadModel(file);
    LoadModel("good.txt");
    EXPECT_EQ(ModelTable[0].TriangleCount, 0);
    EXPECT_EQ(ModelTable[1].TriangleCount, 1);
    EXPECT_EQ(ModelTable[1].FirstVertex, 0);  // nothing of the refused model was written
    EXPECT_EQ(ModelVertexFill, 0);
    bool found = false;
    for (const auto& l : ReadLogLines())
      found = found || (l.rfind(file + " rejected: ", 0) == 0 && l.find(c.Reason) != l.npos);
    EXPECT_TRUE(found) << "no rejection naming \"" << c.Reason << "\"";
  }
}

TEST_F(RenderModelLoader, AModelThatWouldOverflowItsBufferIsRefused) {
  WriteTextFile("two.txt", TwoTexturedTriangles);
  TexModelVertexFill = 300000 - 5;  // room for one triangle, not two
  LoadModel("two.txt");
  EXPECT_EQ(ModelTable[0].TriangleCount, 0);
  EXPECT_EQ(TexModelVertexFill, 300000 - 5);
  EXPECT_TRUE(LoggedStarting("two.txt rejected: 6 vertices do not fit"));
  WriteTextFile("one.txt", OneTexturedTriangle);
  LoadModel("one.txt");
  EXPECT_EQ(ModelTable[1].FirstVertex, 300000 - 5);
  EXPECT_EQ(TexModelVertexFill, 300000 - 2);
}

TEST_F(RenderModelLoader, UnreadableFilesAndBadNumbersStopTheLoadNamingFileAndLine) {
  auto message = [](const std::function<void()>& load) {
    try {
      load();
    } catch (const ModelLoadError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_NE(message([] { LoadModels(); }).find("data/models.dat"), std::string::npos);

  WriteTextFile("data/models.dat", "ok.txt\r\nmissing.txt\r\nok.txt\r\n");
  WriteTextFile("ok.txt", OneTexturedTriangle);
  const std::string missing = message([] { LoadModels(); });
  EXPECT_NE(missing.find("missing.txt"), std::string::npos);
  EXPECT_NE(missing.find("data/models.dat line 2"), std::string::npos);
  EXPECT_EQ(ModelSlotIndex, 1);  // the third file was not loaded

  WriteTextFile("comma.txt", "Vertices\r\n2\r\n0 0 0\r\n1,5 0 0\r\n");
  EXPECT_NE(message([] { LoadModel("comma.txt"); }).find("comma.txt line 4"), std::string::npos);
  WriteTextFile("word.txt", "Triangles\r\nthree\r\n");
  EXPECT_NE(message([] { LoadModel("word.txt"); }).find("word.txt line 2"), std::string::npos);
  WriteTextFile("inf.txt", "Vertices\r\n1\r\ninf 0 0\r\n");
  EXPECT_NE(message([] { LoadModel("inf.txt"); }).find("inf.txt line 3"), std::string::npos);
  WriteTextFile("huge.txt", "Triangles\r\n99999999999\r\n");
  EXPECT_NE(message([] { LoadModel("huge.txt"); }).find("huge.txt line 2"), std::string::npos);
  WriteTextFile("short.txt", "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n");
  EXPECT_NE(message([] { LoadModel("short.txt"); }).find("end of the file"), std::string::npos);
}

}  // namespace
}  // namespace zolvane::testing

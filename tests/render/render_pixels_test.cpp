// Pictures of hand-built objects with known geometry, checked pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/texture.h"
#include "object_builder.h"
#include "picture_checks.h"
#include "render/render_object.h"
#include "render/texture_files.h"

namespace korva::testing {
namespace {
using render::Color;
using render::Image;
using render::RenderObject;
using render::RenderOptions;
using render::View;

// 100 pixels square with a quarter of each side left free: the object's bounds fill the middle
// 50 pixels along their longer side, so the expected pixels are easy to write down. Unlit, so
// every surface shows its exact colour.
RenderOptions PlainOptions(View view = View::kFront) {
  RenderOptions options;
  options.view = view;
  options.size = 100;
  options.margin = 0.25f;
  options.background = kBackground;
  options.lighting = false;
  return options;
}

render::RenderResult Draw(const sObject& object, const RenderOptions& options,
                          const render::TextureResolver& textures = nullptr) {
  return RenderObject(object, options, textures);
}

TEST(RenderQuad, RedQuadFacingTheCameraCoversItsRectangleAndNothingElse) {
  ObjectHandle object = NewEmptyObject();
  sFrame* frame = AddFrame(object.get(), nullptr, IdentityMatrix(), "quad");
  AttachMesh(frame, QuadFacingPlusZ(-1.0f, -0.6f, 1.0f, 0.6f, 0.0f), FrontQuadIndices(), 1, 0, 0);

  const render::RenderResult result = Draw(*object, PlainOptions());
  ASSERT_EQ(result.image.width(), 100);
  ASSERT_EQ(result.image.height(), 100);
  EXPECT_EQ(result.trianglesDrawn, 2);
  EXPECT_TRUE(result.warnings.empty());
  // 2 x 1.2 units at 25 pixels a unit, centred; the shared diagonal leaves no gap.
  const PixelBox box = BoxOfColor(result.image, kRed);
  EXPECT_EQ(box.left, 25);
  EXPECT_EQ(box.right, 75);
  EXPECT_EQ(box.top, 35);
  EXPECT_EQ(box.bottom, 65);
  EXPECT_EQ(CountColor(result.image, kRed), 50 * 30);
  EXPECT_EQ(CountColor(result.image, kBackground), 100 * 100 - 50 * 30);
}

TEST(RenderQuad, BackFacesAreCulled) {
  // Wound anticlockwise as seen from the camera.
  ObjectHandle turned = NewEmptyObject();
  AttachMesh(AddFrame(turned.get(), nullptr, IdentityMatrix(), "quad"),
             QuadFacingPlusZ(-1, -1, 1, 1, 0), BackQuadIndices(), 1, 0, 0);
  render::RenderResult result = Draw(*turned, PlainOptions());
  EXPECT_EQ(result.trianglesDrawn, 0);
  EXPECT_EQ(CountColor(result.image, kBackground), 100 * 100);

  // A front face seen from behind.
  ObjectHandle facing = NewEmptyObject();
  AttachMesh(AddFrame(facing.get(), nullptr, IdentityMatrix(), "quad"),
             QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 0, 0);
  result = Draw(*facing, PlainOptions(View::kBack));
  EXPECT_EQ(result.trianglesDrawn, 0);
  EXPECT_EQ(CountColor(result.image, kBackground), 100 * 100);
}

TEST(RenderQuad, NearerSurfaceHidesFartherWhateverTheDrawingOrder) {
  for (bool nearFirst : {false, true}) {
    SCOPED_TRACE(nearFirst ? "near quad drawn first" : "far quad drawn first");
    ObjectHandle object = NewEmptyObject();
    // The front camera looks from +z: z = 1 is nearer than z = 0.
    const auto addFar = [&] {
      AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "far"),
                 QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 0, 0);
    };
    const auto addNear = [&] {
      AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "near"),
                 QuadFacingPlusZ(-0.5f, -0.5f, 0.5f, 0.5f, 1), FrontQuadIndices(), 0, 0, 1);
    };
    if (nearFirst) {
      addNear();
      addFar();
    } else {
      addFar();
      addNear();
    }
    const Image image = Draw(*object, PlainOptions()).image;
    EXPECT_EQ(image.at(50, 50), kBlue);
    EXPECT_EQ(CountColor(image, kBlue), 25 * 25);
    EXPECT_EQ(CountColor(image, kRed), 50 * 50 - 25 * 25);
  }
}

TEST(RenderQuad, LightFollowsTheNormals) {
  ObjectHandle object = NewEmptyObject();
  std::vector<BuiltVertex> towards = QuadFacingPlusZ(0.5f, -1, 2.5f, 1, 0);
  std::vector<BuiltVertex> away = QuadFacingPlusZ(-2.5f, -1, -0.5f, 1, 0);
  for (BuiltVertex& vertex : away) vertex.normal = {0, 0, -1};
  AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "lit"), towards, FrontQuadIndices(),
             1, 0, 0);
  AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "unlit"), away, FrontQuadIndices(),
             1, 0, 0);
  RenderOptions options = PlainOptions();
  options.lighting = true;
  const Image image = Draw(*object, options).image;
  // Front view: +x is on the picture's left.
  const Color lit = image.at(35, 50);
  const Color shaded = image.at(65, 50);
  EXPECT_GT(lit.r, 200);
  EXPECT_NEAR(shaded.r, 0.3 * 255, 2);  // ambient only
  EXPECT_EQ(lit.g, 0);
  EXPECT_EQ(shaded.b, 0);
}

TEST(RenderQuad, WireframeDrawsTheEdgesOfFrontFacesOnly) {
  ObjectHandle object = NewEmptyObject();
  AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "front"),
             QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 0, 0);
  AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "back"),
             QuadFacingPlusZ(-1, -1, 1, 1, 0.5f), BackQuadIndices(), 0, 0, 1);
  RenderOptions options = PlainOptions();
  options.wireframe = true;
  const Image image = Draw(*object, options).image;
  EXPECT_EQ(image.at(60, 40), kBackground);  // inside, off the diagonal
  EXPECT_EQ(image.at(40, 60), kBackground);
  EXPECT_EQ(image.at(50, 25), kRed);  // top edge
  EXPECT_EQ(image.at(25, 40), kRed);  // left edge
  EXPECT_EQ(image.at(60, 60), kRed);  // the shared diagonal
  EXPECT_EQ(CountColor(image, kBlue), 0);
  // Four sides and a diagonal of about 50 pixels each.
  EXPECT_GT(CountColor(image, kRed), 4 * 45);
  EXPECT_LT(CountColor(image, kRed), 5 * 60);
}

TEST(RenderFrames, TwoGroupsModelledSideBySideDrawSideBySide) {
  // As the import leaves groups: each mesh centred on its own origin, its frame placing it.
  ObjectHandle object = NewEmptyObject();
  AttachMesh(AddFrame(object.get(), nullptr, Translation(1.5f, 0, 0), "plus x"),
             QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 0, 0);
  AttachMesh(AddFrame(object.get(), nullptr, Translation(-1.5f, 0, 0), "minus x"),
             QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 0, 0, 1);

  const Image image = Draw(*object, PlainOptions()).image;
  // 5 units across at 10 pixels a unit; the front view has +x on the left.
  const PixelBox red = BoxOfColor(image, kRed);
  const PixelBox blue = BoxOfColor(image, kBlue);
  EXPECT_EQ(red.left, 25);
  EXPECT_EQ(red.right, 45);
  EXPECT_EQ(blue.left, 55);
  EXPECT_EQ(blue.right, 75);
  EXPECT_EQ(red.top, 40);
  EXPECT_EQ(blue.top, 40);
  EXPECT_EQ(red.bottom, 60);
  EXPECT_EQ(blue.bottom, 60);
  EXPECT_EQ(CountColor(image, kRed), 400);
  EXPECT_EQ(CountColor(image, kBlue), 400);
  for (int x = 45; x < 55; ++x) EXPECT_EQ(image.at(x, 50), kBackground) << "column " << x;
}

TEST(RenderFrames, ChildMatrixIsAppliedBeforeItsParents) {
  // The parent turns a quarter about z; the child moves 2 along x in the parent's axes, which
  // lands it above the parent (row vectors: child local x parent). The other order would put it
  // beside the parent.
  ObjectHandle object = NewEmptyObject();
  sFrame* parent = AddFrame(object.get(), nullptr, RotationZ(static_cast<float>(M_PI / 2)), "arm");
  AttachMesh(parent, QuadFacingPlusZ(-0.5f, -0.5f, 0.5f, 0.5f, 0), FrontQuadIndices(), 1, 0, 0);
  sFrame* child = AddFrame(object.get(), parent, Translation(2, 0, 0), "hand");
  AttachMesh(child, QuadFacingPlusZ(-0.5f, -0.5f, 0.5f, 0.5f, 0), FrontQuadIndices(), 0, 0, 1);

  const Image image = Draw(*object, PlainOptions()).image;
  const PixelBox red = BoxOfColor(image, kRed);
  const PixelBox blue = BoxOfColor(image, kBlue);
  ASSERT_GT(red.width(), 0);
  ASSERT_GT(blue.width(), 0);
  EXPECT_EQ(blue.left, red.left);
  EXPECT_EQ(blue.right, red.right);
  EXPECT_LE(blue.bottom, red.top);
  EXPECT_GT(red.top - blue.top, 30);  // two units up, at about 16 pixels a unit
}

// A 4 x 4 picture with a colour per quarter: red top-left, green top-right, blue bottom-left,
// white bottom-right.
Image CornerTexture() {
  Image texture(4, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool right = x >= 2, bottom = y >= 2;
      texture.set(x, y, bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed));
    }
  }
  return texture;
}

void ExpectCornerColours(const Image& image) {
  // The quad covers pixels 25 to 74 both ways.
  EXPECT_EQ(image.at(27, 27), kRed) << "top-left";
  EXPECT_EQ(image.at(72, 27), kGreen) << "top-right";
  EXPECT_EQ(image.at(27, 72), kBlue) << "bottom-left";
  EXPECT_EQ(image.at(72, 72), kWhite) << "bottom-right";
}

std::string TextureRecordName(const sMesh& mesh) {
  return std::string(mesh.textures[0].name,
                     strnlen(mesh.textures[0].name, sizeof mesh.textures[0].name));
}

TEST(RenderTexture, TexturedQuadShowsItsCornersInTheRightCorners) {
  // Texture (0, 0) is the image's top-left; the quad puts it at the picture's top-left, so a
  // flipped v or a mirrored u would swap colours between corners.
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(::testing::TempDir()) / "korva_render_texture" / "models";
  fs::create_directories(folder / "art");
  std::vector<uint8_t> png;
  ASSERT_TRUE(render::EncodePng(CornerTexture(), &png));
  std::ofstream((folder / "art" / "corners.png").string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));

  ObjectHandle object = NewEmptyObject();
  sMesh* mesh = AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "quad"),
                           QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 1, 1, 1);
  // Named as a model made on Windows names it, relative to the file that holds the object.
  std::strcpy(mesh->textures[0].name, "art\\corners.png");
  render::TextureFiles files((folder / "quad.dbo").string());
  const render::RenderResult result =
      Draw(*object, PlainOptions(), [&](const sFrame&, const sMesh& textured) {
        return files.Find(TextureRecordName(textured));
      });
  EXPECT_TRUE(files.warnings().empty());
  ExpectCornerColours(result.image);
  EXPECT_NE(files.Find("ART\\Corners.PNG"), nullptr);  // found as on Windows, whatever the case
  fs::remove_all(folder.parent_path());
}

TEST(RenderTexture, MissingTextureDrawsInTheMaterialColourWithAWarning) {
  ObjectHandle object = NewEmptyObject();
  sMesh* mesh = AttachMesh(AddFrame(object.get(), nullptr, IdentityMatrix(), "quad"),
                           QuadFacingPlusZ(-1, -1, 1, 1, 0), FrontQuadIndices(), 0, 1, 0);
  std::strcpy(mesh->textures[0].name, "nowhere.bmp");
  render::TextureFiles files((std::filesystem::path(::testing::TempDir()) / "x.dbo").string());
  const Image image = Draw(*object, PlainOptions(), [&](const sFrame&, const sMesh& textured) {
                        return files.Find(TextureRecordName(textured));
                      }).image;
  EXPECT_EQ(CountColor(image, kGreen), 50 * 50);
  ASSERT_EQ(files.warnings().size(), 1u);
  EXPECT_NE(files.warnings()[0].find("nowhere.bmp"), std::string::npos);
}

}  // namespace
}  // namespace korva::testing

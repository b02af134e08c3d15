// The reader on small assets built in code (the validation layer checks the well-made ones with
// the glTF validator): what each becomes in host space, and the one line that refuses each broken
// one, with nothing left allocated.
#include "gltf/build/gltf_import.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "gltf/samples/gltf_cases.h"
#include "model/animation.h"
#include "model/bone.h"
#include "model/frame.h"
#include "model/mesh.h"
#include "model/texture.h"
#include "render/image.h"
#include "support/counting_allocator.h"
#include "support/generated_models.h"
#include "support/object_checks.h"

namespace korva::testing {
namespace {

std::vector<const sFrame*> Frames(const sObject& object) {
  std::vector<const sFrame*> out, stack;
  for (const sFrame* f = object.rootFrame; f; f = f->nextSibling) stack.insert(stack.begin(), f);
  while (!stack.empty()) {
    const sFrame* frame = stack.back();
    stack.pop_back();
    out.push_back(frame);
    std::vector<const sFrame*> children;
    for (const sFrame* c = frame->firstChild; c; c = c->nextSibling) children.push_back(c);
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  return out;
}

std::vector<const sMesh*> Meshes(const sObject& object) {
  std::vector<const sMesh*> out;
  for (const sFrame* frame : Frames(object)) {
    if (frame->mesh) out.push_back(frame->mesh);
  }
  return out;
}

std::string Names(const sObject& object) {
  std::string out;
  for (const sFrame* frame : Frames(object))
    out += std::string(out.empty() ? "" : " ") + frame->name;
  return out;
}

const float* VertexFloat(const sMesh& mesh, int vertex, int offset) {
  return reinterpret_cast<const float*>(mesh.vertexData + vertex * mesh.vertexSize + offset);
}

std::vector<uint16_t> Indices(const sMesh& mesh) {
  return std::vector<uint16_t>(mesh.indexData, mesh.indexData + mesh.indexCount);
}

gltf::doc::ResourceReader FilesOf(const GltfCase& c) {
  return [&c](const std::string& path, std::vector<uint8_t>* bytes, std::string* problem) {
    const auto found = c.files.find(path);
    if (found == c.files.end()) {
      *problem = "does not exist";
      return false;
    }
    *bytes = found->second;
    return true;
  };
}

using Check = std::function<void(const gltf::ImportedAsset&)>;

// The triangle facing +z in glTF faces -z in the host, its corners turned to the host's winding.
const Check kTriangle = [](const gltf::ImportedAsset& asset) {
  const sMesh& mesh = *Meshes(*asset.object).at(0);
  EXPECT_EQ(mesh.fvf, 0x012u);
  EXPECT_EQ(Indices(mesh), (std::vector<uint16_t>{0, 2, 1}));
  EXPECT_EQ(VertexFloat(mesh, 1, 0)[0], 1.0f);
  EXPECT_EQ(VertexFloat(mesh, 0, 12)[2], -1.0f);
};

struct Expectation {
  const char* name;
  const char* error;  // a part of the one line that refuses it; null: read
  Check check;
};

const Expectation kExpectations[] = {
    {"triangle", nullptr, kTriangle},
    {"triangle_data_uri", nullptr, kTriangle},
    {"external_buffer", nullptr, kTriangle},
    {"flat_normals_u8_indices", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.vertexCount, 6);  // each triangle its own corners
       EXPECT_EQ(mesh.fvf, 0x012u);
       EXPECT_EQ(VertexFloat(mesh, 0, 12)[2], -1.0f);
     }},
    {"interleaved", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.fvf, 0x112u);
       EXPECT_EQ(VertexFloat(mesh, 1, 24)[0], 1.0f);
       EXPECT_EQ(VertexFloat(mesh, 1, 24)[1], 0.5f);
       EXPECT_EQ(VertexFloat(mesh, 2, 12)[2], -1.0f);
     }},
    {"quantized", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.fvf, 0x152u);
       EXPECT_EQ(VertexFloat(mesh, 1, 0)[0], 100.0f);
       EXPECT_EQ(VertexFloat(mesh, 0, 12)[2], -1.0f);
       EXPECT_EQ(VertexFloat(mesh, 1, 28)[0], 1.0f);
       uint32_t colour;
       std::memcpy(&colour, mesh.vertexData + 24, 4);
       EXPECT_EQ(colour, 0xFFFF0000u);
       EXPECT_FLOAT_EQ(Frames(*asset.object)[0]->localMatrix.m[0][0], 0.01f);
     }},
    {"sparse", nullptr,
     [](const gltf::ImportedAsset& asset) {
       EXPECT_EQ(VertexFloat(*Meshes(*asset.object).at(0), 2, 0)[1], 2.0f);
     }},
    {"points", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.primitiveType, 1u);
       EXPECT_EQ(mesh.drawPrimitiveCount, 4);
       EXPECT_EQ(mesh.fvf, 0x002u);  // a point has no normal
     }},
    {"lines", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.primitiveType, 2u);
       EXPECT_EQ(mesh.drawPrimitiveCount, 2);
     }},
    {"line_loop", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.primitiveType, 3u);
       EXPECT_EQ(Indices(mesh), (std::vector<uint16_t>{0, 1, 2, 3, 0}));
     }},
    {"line_strip", nullptr,
     [](const gltf::ImportedAsset& asset) {
       EXPECT_EQ(Meshes(*asset.object).at(0)->drawPrimitiveCount, 3);
     }},
    {"strip", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.primitiveType, 5u);
       EXPECT_EQ(Indices(mesh), (std::vector<uint16_t>{0, 0, 1, 2, 3}));
     }},
    {"fan", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.primitiveType, 6u);
       EXPECT_EQ(Indices(mesh), (std::vector<uint16_t>{0, 3, 2, 1}));
     }},
    {"textured_two_primitives", nullptr,
     [](const gltf::ImportedAsset& asset) {
       EXPECT_EQ(Names(*asset.object), "root Textured Textured_part1 Other");
       ASSERT_EQ(asset.images.size(), 1u);  // both primitives share it
       EXPECT_EQ(asset.images[0].fileName, "model_0.png");
       for (const sMesh* mesh : Meshes(*asset.object)) {
         EXPECT_STREQ(mesh->textures[0].name, "model_0.png");
         EXPECT_EQ(mesh->textures[0].addressU, 3);  // clamp
         EXPECT_EQ(mesh->textures[0].addressV, 2);  // mirror
         EXPECT_EQ(mesh->material.Diffuse.g, 0.25f);
         EXPECT_EQ(mesh->material.Diffuse.a, 0.75f);
         EXPECT_EQ(mesh->material.Emissive.b, 0.3f);
       }
       EXPECT_EQ(Frames(*asset.object)[3]->localMatrix.m[3][2], -3.0f);
     }},
    {"past_16_bit", nullptr,
     [](const gltf::ImportedAsset& asset) {
       int32_t triangles = 0;
       const std::vector<const sMesh*> meshes = Meshes(*asset.object);
       EXPECT_EQ(meshes.size(), 2u);
       for (const sMesh* mesh : meshes) {
         EXPECT_LE(mesh->vertexCount, 65535);
         triangles += mesh->drawPrimitiveCount;
       }
       EXPECT_EQ(triangles, 23334);  // split, never cut
     }},
    {"skinned_animated", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sObject& object = *asset.object;
       EXPECT_EQ(Names(object), "root Limb Hip Knee");
       const sMesh& mesh = *Meshes(object).at(0);
       ASSERT_EQ(mesh.boneCount, 2);
       EXPECT_STREQ(mesh.bones[1].name, "Knee");
       ASSERT_EQ(mesh.bones[1].vertexCount, 2);
       EXPECT_EQ(mesh.bones[1].vertices[1], 3u);
       EXPECT_EQ(mesh.bones[1].weights[1], 0.75f);
       EXPECT_EQ(mesh.bones[1].offsetMatrix.m[3][1], -1.0f);
       const sAnimationSet& set = *object.animationSet;
       EXPECT_STREQ(set.name, "Bend");
       EXPECT_EQ(set.length, 4);
       // Every track: keys of every kind at the union of its curves' frames and the clip's
       // ends, 0 to 4.
       const sAnimation& knee = *set.firstTrack;
       ASSERT_EQ(knee.rotationKeyCount, 5);
       EXPECT_EQ(knee.rotationKeys[2].frame, 2);
       EXPECT_NEAR(knee.rotationKeys[2].rotation.z, std::sqrt(0.5f), 1e-6);  // mirror keeps z
       ASSERT_EQ(knee.scaleKeyCount, 5);  // spline: sampled at frames 0 to 3, held at 4
       EXPECT_NEAR(knee.scaleKeys[3].scale.x, 2.0f, 1e-6);
       EXPECT_EQ(knee.positionKeys[4].position.y, 1.0f);  // its rest translation
       const sAnimation& hip = *knee.next;
       ASSERT_EQ(hip.positionKeyCount, 5);  // step ending at frame 2.5: sampled to frame 3
       EXPECT_EQ(hip.positionKeys[2].position.z, 0.0f);
       EXPECT_EQ(hip.positionKeys[3].position.z, -1.0f);
       EXPECT_EQ(hip.positionKeys[2].step.z, 0.0f);  // a step holds
       ASSERT_EQ(asset.clips.size(), 1u);            // the other moves no frame
       EXPECT_EQ(asset.warnings.size(), 4u);         // extension, morphs, weights, other animation
     }},
    {"strided_indices", nullptr,
     [](const gltf::ImportedAsset& asset) {
       EXPECT_EQ(Indices(*Meshes(*asset.object).at(0)), (std::vector<uint16_t>{0, 1, 2}));
       ASSERT_EQ(asset.warnings.size(), 1u);
       EXPECT_NE(asset.warnings[0].find("byte stride"), std::string::npos);
     }},
    {"duplicate_channel", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sAnimation& track = *asset.object->animationSet->firstTrack;
       ASSERT_EQ(track.positionKeyCount, 2);  // the clip's first frame, then the key's
       EXPECT_EQ(track.positionKeys[1].frame, 2);
       EXPECT_EQ(track.positionKeys[0].position.z, -3.0f);
       EXPECT_EQ(asset.object->animationSet->length, 2);  // not the earlier channel's 25
       ASSERT_EQ(asset.warnings.size(), 1u);
       EXPECT_NE(asset.warnings[0].find("the later one is kept"), std::string::npos);
     }},
    {"texture_transform", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const std::vector<const sMesh*> meshes = Meshes(*asset.object);
       ASSERT_EQ(meshes.size(), 2u);
       const float expected[2][3][2] = {{{0, 1}, {0, 0.5f}, {0.5f, 1}}, {{0, 0}, {6, 0}, {0, 6}}};
       for (size_t m = 0; m < 2; ++m) {
         for (int v = 0; v < 3; ++v) {
           EXPECT_NEAR(VertexFloat(*meshes[m], v, 24)[0], expected[m][v][0], 1e-6) << m << v;
           EXPECT_NEAR(VertexFloat(*meshes[m], v, 24)[1], expected[m][v][1], 1e-6) << m << v;
         }
       }
       EXPECT_TRUE(asset.warnings.empty());
     }},
    {"webp_textures", nullptr,
     [](const gltf::ImportedAsset& asset) {
       ASSERT_EQ(asset.images.size(), 2u);
       EXPECT_EQ(asset.images[0].fileName, "model_0.png");
       render::Image picture;
       std::string error;
       ASSERT_TRUE(render::DecodeImage(asset.images[0].bytes.data(), asset.images[0].bytes.size(),
                                       &picture, &error))
           << error;
       EXPECT_EQ(picture.at(1, 1), (render::Color{255, 255, 255, 128}));
       EXPECT_EQ(asset.images[1].fileName, "model_1.png");  // the PNG alternative as it is
       EXPECT_EQ(asset.images[1].bytes[1], 'P');
       const std::vector<const sMesh*> meshes = Meshes(*asset.object);
       EXPECT_STREQ(meshes.at(1)->textures[0].name, "model_1.png");
     }},
    {"material_extensions", nullptr,
     [](const gltf::ImportedAsset& asset) {
       const sMesh& mesh = *Meshes(*asset.object).at(0);
       EXPECT_EQ(mesh.material.Emissive.r, 2.0f);
       EXPECT_EQ(mesh.material.Emissive.g, 1.0f);
       EXPECT_EQ(mesh.material.Diffuse.r, 0.5f);
       EXPECT_TRUE(asset.warnings.empty());
       ASSERT_EQ(asset.extensions.size(), 2u);
       EXPECT_EQ(asset.extensions[1].fate, gltf::doc::ExtensionFate::kRead);
     }},
    {"extensions_left_out", nullptr,
     [](const gltf::ImportedAsset& asset) {
       ASSERT_EQ(asset.warnings.size(), 3u);
       const char* names[] = {"KHR_lights_punctual", "KHR_materials_clearcoat", "EXT_made_up"};
       for (size_t i = 0; i < 3; ++i) {
         EXPECT_EQ(asset.warnings[i].rfind(names[i], 0), 0u) << asset.warnings[i];
         EXPECT_EQ(asset.extensions[i].name, names[i]);
       }
       EXPECT_EQ(asset.extensions[2].fate, gltf::doc::ExtensionFate::kUnknown);
     }},
    {"empty_accessor", "NORMAL has 3 elements, POSITION 0", nullptr},
    {"basisu_required", "KHR_texture_basisu", nullptr},
    {"basisu_required_before_buffers", "does not read: KHR_texture_basisu (KTX2", nullptr},
    {"uri_climbs_out", "climbs out of the asset's folder", nullptr},
    {"uri_encoded_climb", "climbs out of the asset's folder", nullptr},
    {"uri_absolute", "absolute path", nullptr},
    {"uri_scheme", "scheme", nullptr},
    {"uri_missing", "missing.bin: does not exist", nullptr},
    {"accessor_past_buffer", "runs past its buffer view", nullptr},
    {"view_past_buffer", "runs past its buffer", nullptr},
    {"index_past_vertices", "index 7 is past the vertex count 3", nullptr},
    {"node_own_ancestor", "is its own ancestor", nullptr},
    {"zeros_past_justification", "more than the asset can justify", nullptr},
    {"keys_past_justification", "more memory than the asset can justify", nullptr},
    {"clips_past_frames", "the animations together run past the frames the host counts", nullptr},
    {"json_too_deep", "nests deeper than", nullptr},
    {"glb_cut_short", "cut short", nullptr},
};

TEST(GltfImport, EachCaseIsReadAsExpectedOrRefusedInOneLine) {
  const std::vector<GltfCase> cases = GltfCases();
  ASSERT_EQ(cases.size(), std::size(kExpectations));
  for (const Expectation& expected : kExpectations) {
    SCOPED_TRACE(expected.name);
    const auto c = std::find_if(cases.begin(), cases.end(),
                                [&](const GltfCase& k) { return k.name == expected.name; });
    ASSERT_NE(c, cases.end());
    gltf::ImportedAsset asset;
    std::string error;
    const bool read = gltf::ImportGltf(c->bytes.data(), c->bytes.size(), FilesOf(*c),
                                       gltf::ImportOptions(), &asset, &error);
    if (expected.error) {
      EXPECT_FALSE(read);
      EXPECT_NE(error.find(expected.error), std::string::npos) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos);
      EXPECT_EQ(asset.object, nullptr);
      continue;
    }
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(CheckImportedObject(asset.object), "");
    expected.check(asset);
  }
}

// Every input that once made the fuzz target fail now reads cleanly or is refused in one line,
// and warns in single lines.
TEST(GltfImport, FuzzRegressionsGiveACleanOutcome) {
  size_t replayed = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(KORVA_FUZZ_REGRESSIONS_DIR "/gltf_reader")) {
    SCOPED_TRACE(entry.path().string());
    const std::vector<uint8_t> bytes = ReadWholeFile(entry.path().string());
    gltf::ImportedAsset asset;
    std::string error;
    if (gltf::ImportGltf(bytes.data(), bytes.size(), nullptr, gltf::ImportOptions(), &asset,
                         &error)) {
      EXPECT_EQ(CheckImportedObject(asset.object), "");
    } else {
      EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    for (const std::string& warning : asset.warnings)
      EXPECT_EQ(warning.find('\n'), std::string::npos) << warning;
    ++replayed;
  }
  EXPECT_GT(replayed, 0u);
}

// Whichever host allocation fails, the read fails whole and frees all it made.
TEST(GltfImport, AFailedAllocationLeavesNothingBehind) {
  const std::vector<GltfCase> cases = GltfCases();
  const auto c = std::find_if(cases.begin(), cases.end(),
                              [](const GltfCase& k) { return k.name == "skinned_animated"; });
  ASSERT_NE(c, cases.end());
  for (size_t n = 1;; ++n) {
    CountingAllocator heap;
    heap.FailAllocation(n);
    gltf::ImportedAsset asset;
    std::string error;
    const bool read = gltf::ImportGltf(c->bytes.data(), c->bytes.size(), nullptr,
                                       gltf::ImportOptions(), &asset, &error);
    if (!heap.failureHappened()) {
      EXPECT_TRUE(read);
      break;
    }
    EXPECT_FALSE(read) << "allocation " << n;
    EXPECT_EQ(heap.liveBlocks(), 0u) << "allocation " << n;
  }
}

}  // namespace
}  // namespace korva::testing

// Assets compressed with EXT_meshopt_compression by a common pipeline tool read to the object their
// uncompressed twins give: the same frames, meshes and indices, every vertex within 2e-3 of the
// model's size (texture coordinates within 2e-3 of their range), the same bone influences, and the
// same keys within the filters' precision. A damaged stream is refused in one line naming its view.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "gltf/build/gltf_import.h"
#include "gltf/compare/object_match.h"
#include "standalone/standalone_host.h"
#include "support/generated_models.h"

namespace korva::testing {
namespace {

class MeshoptAssets : public ::testing::Test {
 protected:
  MeshoptAssets() {
    host_.SetTexturePixelsDecoded(false);
    host_.Bind();
  }
  static std::vector<uint8_t> Asset(const std::string& name) {
    return ReadWholeFile(std::string(KORVA_GLTF_MESHOPT_DIR) + "/" + name);
  }
  standalone::StandaloneHost host_;
};

TEST_F(MeshoptAssets, ReadAsTheirUncompressedTwins) {
  const char* const pairs[][2] = {{"crane.cc-noq.glb", "crane.noq.glb"},
                                  {"crane.cc.glb", "crane.q.glb"},
                                  {"Dophi.cc-noq.glb", "Dophi.noq.glb"},
                                  {"Dophi.cc.glb", "Dophi.q.glb"}};
  // The compressed views keep every vertex; transforms and keys within the filters' precision:
  // 2e-3 of the size, rotations with |p.q| >= 1 - 1e-3.
  CornerTolerances corners;
  corners.sameVertices = true;
  const KeyTolerances keys{{0, 0, 2e-3}, {std::sqrt(2e-3), 0, 0}};
  for (const auto& [compressed, plain] : pairs) {
    gltf::ImportedAsset a, b;
    std::string error;
    const std::vector<uint8_t> bytesA = Asset(plain), bytesB = Asset(compressed);
    ASSERT_TRUE(gltf::ImportGltf(bytesA.data(), bytesA.size(), nullptr, {}, &a, &error)) << error;
    ASSERT_TRUE(gltf::ImportGltf(bytesB.data(), bytesB.size(), nullptr, {}, &b, &error))
        << compressed << ": " << error;
    EXPECT_EQ("", MatchObjects(*a.object, *b.object, corners, keys)) << compressed;
  }
}

// The .glb's JSON chunk, edited as text, with its length fixed.
// The first `from` after `after` is replaced.
std::vector<uint8_t> WithJson(const std::vector<uint8_t>& glb, const std::string& from,
                              const std::string& to, const std::string& after = "") {
  uint32_t jsonLength;
  std::memcpy(&jsonLength, &glb[12], 4);
  std::string json(glb.begin() + 20, glb.begin() + 20 + jsonLength);
  const size_t at = json.find(from, after.empty() ? 0 : json.find(after));
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) json.replace(at, from.size(), to);
  while (json.size() % 4) json += ' ';
  const size_t rest = glb.size() - 20 - jsonLength;
  std::vector<uint8_t> out(20 + json.size() + rest);
  std::memcpy(out.data(), glb.data(), 20);
  std::memcpy(out.data() + 20, json.data(), json.size());
  std::memcpy(out.data() + 20 + json.size(), glb.data() + 20 + jsonLength, rest);
  const uint32_t length = static_cast<uint32_t>(json.size());
  std::memcpy(&out[12], &length, 4);
  const uint32_t total = static_cast<uint32_t>(out.size());
  std::memcpy(&out[8], &total, 4);
  return out;
}

TEST_F(MeshoptAssets, ABadCompressedViewIsRefusedInOneLineNamingIt) {
  const std::vector<uint8_t> glb = Asset("crane.cc-noq.glb");
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* expected;
  };
  // The first compressed view's stream: its header byte changed.
  uint32_t jsonLength;
  std::memcpy(&jsonLength, &glb[12], 4);
  const std::string json(glb.begin() + 20, glb.begin() + 20 + jsonLength);
  const std::string stream = "\"EXT_meshopt_compression\":{\"buffer\":0,\"byteOffset\":";
  ASSERT_NE(json.find(stream), std::string::npos);
  std::vector<uint8_t> damaged = glb;
  damaged[20 + jsonLength + 8 + std::stoul(json.substr(json.find(stream) + stream.size()))] ^= 0xff;
  const Case cases[] = {
      {"a stream whose header is not its mode's", damaged,
       "].extensions.EXT_meshopt_compression: the stream does not start with its mode's header "
       "byte"},
      {"a stream cut short by its length",
       WithJson(glb, "\"byteLength\":", "\"byteLength\":1,\"x\":", stream),
       "].extensions.EXT_meshopt_compression: the stream is cut short (at byte 1 of 1)"},
      {"a mode the extension does not define", WithJson(glb, "\"ATTRIBUTES\"", "\"VERTICES\""),
       "EXT_meshopt_compression.mode is not ATTRIBUTES, TRIANGLES or INDICES"},
      {"a fallback buffer a plain view reads",
       WithJson(glb, "\"EXT_meshopt_compression\":{\"buffer\":0,", "\"x\":{\"buffer\":0,"),
       "has no uri and no binary chunk holds it"},
  };
  for (const Case& c : cases) {
    gltf::ImportedAsset asset;
    std::string error;
    EXPECT_FALSE(gltf::ImportGltf(c.bytes.data(), c.bytes.size(), nullptr, {}, &asset, &error))
        << c.what;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.what;
  }
}

}  // namespace
}  // namespace korva::testing

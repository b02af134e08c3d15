// korva's decoders of compressed buffer views held to the reference library's: streams its
// encoders make of generated data decode to the same bytes, and damaged streams (cut short, a
// byte changed, a byte added) decode to the same bytes or are refused by both.
#include <gtest/gtest.h>
#include <meshoptimizer.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gltf/decode/meshopt_filters.h"
#include "gltf/decode/meshopt_index_codec.h"
#include "gltf/decode/meshopt_index_sequence.h"
#include "gltf/decode/meshopt_vertex_codec.h"
#include "gltf/decode/meshopt_view.h"

namespace korva::gltf::decode {
namespace {

using Bytes = std::vector<uint8_t>;

enum class Codec { kAttributes, kTriangles, kIndices };

struct Stream {
  std::string name;
  Codec codec;
  size_t count;
  size_t stride;  // element or index bytes
  Bytes bytes;
};

// Decodes with both; true when both give the same bytes or both refuse, otherwise explains.
::testing::AssertionResult SameOrBothRefuse(const Stream& s, const Bytes& stream) {
  Bytes ours(s.count * s.stride + 1, 0xcd), theirs(s.count * s.stride + 1, 0xcd);
  MeshoptResult result;
  int status = 0;
  switch (s.codec) {
    case Codec::kAttributes:
      result =
          DecodeMeshoptAttributes(stream.data(), stream.size(), s.count, s.stride, ours.data());
      status = meshopt_decodeVertexBuffer(theirs.data(), s.count, s.stride, stream.data(),
                                          stream.size());
      break;
    case Codec::kTriangles:
      result = DecodeMeshoptTriangles(stream.data(), stream.size(), s.count, s.stride, ours.data());
      status =
          meshopt_decodeIndexBuffer(theirs.data(), s.count, s.stride, stream.data(), stream.size());
      break;
    case Codec::kIndices:
      result =
          DecodeMeshoptIndexSequence(stream.data(), stream.size(), s.count, s.stride, ours.data());
      status = meshopt_decodeIndexSequence(theirs.data(), s.count, s.stride, stream.data(),
                                           stream.size());
      break;
  }
  // Older versions of the reference's own formats, which the extension does not define: refused.
  if (result.status == MeshoptStatus::kUnknownHeader && !stream.empty() &&
      (stream[0] == 0xe0 || stream[0] == 0xd0)) {
    return ::testing::AssertionSuccess();
  }
  if (!result.ok() && status != 0) return ::testing::AssertionSuccess();
  if (result.ok() != (status == 0)) {
    return ::testing::AssertionFailure()
           << s.name << ": korva "
           << (result.ok() ? "decodes" : DescribeMeshoptStatus(result.status))
           << ", the reference returns " << status << " (" << stream.size() << " bytes)";
  }
  ours.pop_back();
  theirs.pop_back();
  if (ours != theirs) return ::testing::AssertionFailure() << s.name << ": different bytes";
  return ::testing::AssertionSuccess();
}

std::mt19937 Random(const std::string& name) {
  return std::mt19937(std::hash<std::string>()(name) & 0xffffffffu);
}

// Element bytes of a few shapes: noise (raw groups), slow ramps (narrow deltas with escapes),
// constants (empty groups), quantized positions on a grid (what pipelines store).
Bytes Elements(const std::string& shape, size_t count, size_t stride, std::mt19937& random) {
  Bytes out(count * stride);
  for (size_t i = 0; i < count; ++i) {
    for (size_t k = 0; k < stride; ++k) {
      uint8_t& b = out[i * stride + k];
      if (shape == "noise")
        b = static_cast<uint8_t>(random());
      else if (shape == "ramp")
        b = static_cast<uint8_t>(i * (k % 5) + (random() % 7 == 0 ? random() : 0));
      else if (shape == "constant")
        b = static_cast<uint8_t>(k * 37);
      else
        b = static_cast<uint8_t>((k % 2 ? (i / 16) >> ((k / 2) % 2 * 8) : (i % 16) * 97) & 0xff);
    }
  }
  return out;
}

std::vector<Stream> AttributeStreams() {
  struct Case {
    const char* shape;
    size_t stride;
    size_t count;
  };
  // Counts around the groups of 16 and the blocks (256 elements, 128 at stride 64, 32 at 256).
  const Case cases[] = {{"noise", 4, 0},    {"noise", 4, 1},       {"ramp", 4, 17},
                        {"grid", 8, 255},   {"ramp", 8, 256},      {"noise", 12, 257},
                        {"grid", 16, 1000}, {"constant", 16, 300}, {"ramp", 64, 129},
                        {"noise", 252, 70}, {"ramp", 256, 33},     {"constant", 256, 1}};
  std::vector<Stream> out;
  for (const Case& c : cases) {
    const std::string name = std::string("attributes ") + c.shape + " stride " +
                             std::to_string(c.stride) + " count " + std::to_string(c.count);
    std::mt19937 random = Random(name);
    const Bytes data = Elements(c.shape, c.count, c.stride, random);
    Bytes stream(meshopt_encodeVertexBufferBound(c.count, c.stride));
    stream.resize(
        meshopt_encodeVertexBuffer(stream.data(), stream.size(), data.data(), c.count, c.stride));
    out.push_back({name, Codec::kAttributes, c.count, c.stride, stream});
  }
  return out;
}

// Triangle lists: a strip-ordered grid (mostly one-byte codes), random triangles (explicit
// indices), indices past 16 bits, and each as 2- and 4-byte indices.
std::vector<uint32_t> Triangles(const std::string& shape, std::mt19937& random) {
  std::vector<uint32_t> out;
  if (shape == "grid") {
    for (uint32_t y = 0; y < 20; ++y)
      for (uint32_t x = 0; x < 20; ++x) {
        const uint32_t v = y * 21 + x;
        out.insert(out.end(), {v, v + 21, v + 1, v + 1, v + 21, v + 22});
      }
  } else if (shape == "random") {
    for (int i = 0; i < 300; ++i) out.push_back(random() % 500);
  } else if (shape == "wide") {
    for (int i = 0; i < 90; ++i) out.push_back(70000 + random() % 100000);
  } else {  // fans around recent vertices with reuse
    for (uint32_t i = 1; i < 200; ++i) out.insert(out.end(), {0, i, i + 1});
  }
  return out;
}

std::vector<Stream> IndexStreams() {
  std::vector<Stream> out;
  meshopt_encodeIndexVersion(1);
  for (const char* shape : {"grid", "random", "wide", "fan"}) {
    for (size_t bytes : {size_t{2}, size_t{4}}) {
      if (bytes == 2 && std::string(shape) == "wide") continue;
      const std::string name = std::string(shape) + " " + std::to_string(bytes) + "-byte";
      std::mt19937 random = Random(name);
      const std::vector<uint32_t> indices = Triangles(shape, random);
      Bytes triangles(meshopt_encodeIndexBufferBound(indices.size(), 200000));
      triangles.resize(meshopt_encodeIndexBuffer(triangles.data(), triangles.size(), indices.data(),
                                                 indices.size()));
      out.push_back({"triangles " + name, Codec::kTriangles, indices.size(), bytes, triangles});
      Bytes sequence(meshopt_encodeIndexSequenceBound(indices.size(), 200000));
      sequence.resize(meshopt_encodeIndexSequence(sequence.data(), sequence.size(), indices.data(),
                                                  indices.size()));
      out.push_back({"indices " + name, Codec::kIndices, indices.size(), bytes, sequence});
    }
  }
  return out;
}

std::vector<Stream> AllStreams() {
  std::vector<Stream> out = AttributeStreams();
  for (Stream& s : IndexStreams()) out.push_back(std::move(s));
  return out;
}

TEST(MeshoptDecoders, EncodedStreamsDecodeToTheReferenceBytes) {
  for (const Stream& s : AllStreams()) {
    ASSERT_GT(s.bytes.size(), 0u) << s.name;
    EXPECT_TRUE(SameOrBothRefuse(s, s.bytes));
  }
}

TEST(MeshoptDecoders, DamagedStreamsDecodeAsTheReferenceDoesOrAreRefused) {
  for (const Stream& s : AllStreams()) {
    std::mt19937 random = Random(s.name + " damage");
    std::vector<Bytes> damaged;
    for (size_t keep : {size_t{0}, size_t{1}, s.bytes.size() / 2, s.bytes.size() - 1}) {
      damaged.emplace_back(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(keep));
    }
    damaged.push_back(s.bytes);
    damaged.back().push_back(0);
    for (int i = 0; i < 40; ++i) {
      Bytes changed = s.bytes;
      changed[random() % changed.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
      damaged.push_back(std::move(changed));
    }
    for (const Bytes& stream : damaged) EXPECT_TRUE(SameOrBothRefuse(s, stream));
  }
}

// Filters: the reference's encoders on unit vectors, unit quaternions and floats of every size;
// korva's results within one unit of the reference's (the format's stated precision), the
// exponential one exactly.
TEST(MeshoptDecoders, FiltersMatchTheReferenceWithinOneUnit) {
  struct Case {
    MeshoptFilter filter;
    size_t stride;
    int bits;
  };
  const Case cases[] = {{MeshoptFilter::kOctahedral, 4, 8},   {MeshoptFilter::kOctahedral, 8, 10},
                        {MeshoptFilter::kOctahedral, 8, 16},  {MeshoptFilter::kQuaternion, 8, 4},
                        {MeshoptFilter::kQuaternion, 8, 12},  {MeshoptFilter::kQuaternion, 8, 16},
                        {MeshoptFilter::kExponential, 4, 24}, {MeshoptFilter::kExponential, 12, 9}};
  for (const Case& c : cases) {
    const std::string name = std::to_string(static_cast<int>(c.filter)) + "/" +
                             std::to_string(c.stride) + "/" + std::to_string(c.bits);
    std::mt19937 random = Random(name);
    std::normal_distribution<float> normal;
    const size_t count = 500;
    const size_t floats = c.filter == MeshoptFilter::kExponential ? c.stride / 4 : 4;
    std::vector<float> data(count * floats);
    for (size_t i = 0; i < count; ++i) {
      float* v = &data[i * floats];
      if (c.filter == MeshoptFilter::kExponential) {
        for (size_t k = 0; k < floats; ++k)
          v[k] = normal(random) * std::ldexp(1.0f, static_cast<int>(random() % 60) - 30);
        continue;
      }
      float length = 0;
      const size_t unit = c.filter == MeshoptFilter::kOctahedral ? 3 : 4;
      for (size_t k = 0; k < unit; ++k) {
        v[k] = normal(random);
        length += v[k] * v[k];
      }
      for (size_t k = 0; k < unit; ++k) v[k] /= std::sqrt(length);
      if (unit == 3) v[3] = 0.5f;
    }
    Bytes encoded(count * c.stride);
    if (c.filter == MeshoptFilter::kOctahedral)
      meshopt_encodeFilterOct(encoded.data(), count, c.stride, c.bits, data.data());
    else if (c.filter == MeshoptFilter::kQuaternion)
      meshopt_encodeFilterQuat(encoded.data(), count, c.stride, c.bits, data.data());
    else
      meshopt_encodeFilterExp(encoded.data(), count, c.stride, c.bits, data.data());
    Bytes ours = encoded, theirs = encoded;
    ApplyMeshoptFilter(c.filter, ours.data(), count, c.stride);
    // The same elements through the attribute codec and the view decode alike.
    Bytes stream(meshopt_encodeVertexBufferBound(count, c.stride)), viewed;
    stream.resize(
        meshopt_encodeVertexBuffer(stream.data(), stream.size(), encoded.data(), count, c.stride));
    ASSERT_TRUE(DecodeMeshoptView({c.stride, count, MeshoptMode::kAttributes, c.filter},
                                  stream.data(), stream.size(), 1u << 20, &viewed)
                    .ok());
    EXPECT_EQ(viewed, ours) << name;
    if (c.filter == MeshoptFilter::kOctahedral)
      meshopt_decodeFilterOct(theirs.data(), count, c.stride);
    if (c.filter == MeshoptFilter::kQuaternion)
      meshopt_decodeFilterQuat(theirs.data(), count, c.stride);
    if (c.filter == MeshoptFilter::kExponential) {
      meshopt_decodeFilterExp(theirs.data(), count, c.stride);
      EXPECT_EQ(ours, theirs) << name;
      continue;
    }
    const size_t component = c.stride / 4;
    for (size_t at = 0; at < ours.size(); at += component) {
      int32_t a, b;
      if (component == 1) {
        a = static_cast<int8_t>(ours[at]);
        b = static_cast<int8_t>(theirs[at]);
      } else {
        int16_t x, y;
        std::memcpy(&x, &ours[at], 2);
        std::memcpy(&y, &theirs[at], 2);
        a = x;
        b = y;
      }
      ASSERT_LE(std::abs(a - b), 1) << name << " component " << at / component;
    }
  }
}

// The view as the reader asks for it: layouts the extension forbids and counts the stream cannot
// hold are refused before anything is allocated; a filtered stream decodes through the codec.
TEST(MeshoptDecoders, ViewsCheckTheirLayoutAndBoundTheirCountBeforeDecoding) {
  struct Case {
    const char* what;
    MeshoptLayout layout;
    MeshoptStatus expected;
  };
  const Stream grid = AttributeStreams()[3];  // stride 8, 255 elements
  const Case cases[] = {
      {"stride not a multiple of 4",
       {6, 10, MeshoptMode::kAttributes, MeshoptFilter::kNone},
       MeshoptStatus::kBadLayout},
      {"stride past 256",
       {260, 10, MeshoptMode::kAttributes, MeshoptFilter::kNone},
       MeshoptStatus::kBadLayout},
      {"quaternions of 4 bytes",
       {4, 10, MeshoptMode::kAttributes, MeshoptFilter::kQuaternion},
       MeshoptStatus::kBadLayout},
      {"filtered indices",
       {2, 9, MeshoptMode::kTriangles, MeshoptFilter::kOctahedral},
       MeshoptStatus::kBadLayout},
      {"a partial triangle",
       {4, 10, MeshoptMode::kTriangles, MeshoptFilter::kNone},
       MeshoptStatus::kBadLayout},
      {"3-byte indices",
       {3, 9, MeshoptMode::kIndices, MeshoptFilter::kNone},
       MeshoptStatus::kBadLayout},
      {"a huge count",
       {8, uint64_t{1} << 60, MeshoptMode::kAttributes, MeshoptFilter::kNone},
       MeshoptStatus::kCutShort},
      {"a huge triangle count",
       {4, uint64_t{3} << 40, MeshoptMode::kTriangles, MeshoptFilter::kNone},
       MeshoptStatus::kCutShort},
      {"more than the limit",
       {8, 255, MeshoptMode::kAttributes, MeshoptFilter::kNone},
       MeshoptStatus::kTooLarge},
      {"octahedral",
       {8, 255, MeshoptMode::kAttributes, MeshoptFilter::kOctahedral},
       MeshoptStatus::kOk},
  };
  for (const Case& c : cases) {
    Bytes out(1);
    const uint64_t limit = std::string(c.what) == "more than the limit" ? 255 * 8 - 1 : 1u << 20;
    const MeshoptResult result =
        DecodeMeshoptView(c.layout, grid.bytes.data(), grid.bytes.size(), limit, &out);
    EXPECT_EQ(result.status, c.expected) << c.what;
    if (!result.ok()) {
      EXPECT_TRUE(out.empty()) << c.what;
    }
  }
}

}  // namespace
}  // namespace korva::gltf::decode

// The stream: a header byte 0xe1, one code a triangle, the extra data the codes read, then a
// 16-byte table of vertex pairs for codes 0xf0 to 0xfd. The decoder keeps the next new index, the
// last explicit index (explicit ones are zigzag differences from it), and the 16 most recent
// edges and vertices; a read of an entry never written gives 0xffffffff.
#include "gltf/decode/meshopt_index_codec.h"

#include <cstring>

#include "gltf/decode/meshopt_varint.h"

namespace korva::gltf::decode {
namespace {

constexpr uint8_t kTrianglesHeader = 0xe1;
constexpr size_t kTableBytes = 16;

class RecentIndices {
 public:
  RecentIndices() {
    std::memset(edges_, 0xff, sizeof edges_);
    std::memset(vertices_, 0xff, sizeof vertices_);
  }
  // Entry `age` back (0: the one pushed last).
  const uint32_t* Edge(unsigned age) const { return edges_[(edgeHead_ - 1 - age) & 15]; }
  uint32_t Vertex(unsigned age) const { return vertices_[(vertexHead_ - 1 - age) & 15]; }
  void PushEdge(uint32_t a, uint32_t b) {
    edges_[edgeHead_ & 15][0] = a;
    edges_[edgeHead_ & 15][1] = b;
    ++edgeHead_;
  }
  void PushVertex(uint32_t v) { vertices_[vertexHead_++ & 15] = v; }

 private:
  uint32_t edges_[16][2];
  uint32_t vertices_[16];
  unsigned edgeHead_ = 0, vertexHead_ = 0;
};

}  // namespace

MeshoptResult DecodeMeshoptTriangles(const uint8_t* stream, size_t size, size_t count,
                                     size_t indexBytes, uint8_t* out) {
  if (count % 3 != 0 || (indexBytes != 2 && indexBytes != 4)) {
    return {MeshoptStatus::kBadLayout, 0};
  }
  if (size < 1) return {MeshoptStatus::kCutShort, 0};
  if (stream[0] != kTrianglesHeader) return {MeshoptStatus::kUnknownHeader, 0};
  const size_t triangles = count / 3;
  if (size - 1 < kTableBytes || size - 1 - kTableBytes < triangles) {
    return {MeshoptStatus::kCutShort, size};
  }
  const size_t end = size - kTableBytes;
  const uint8_t* table = stream + end;
  size_t data = 1 + triangles;

  RecentIndices recent;
  uint32_t next = 0, last = 0;
  // An explicit index: a zigzag difference from the last explicit one.
  const auto explicitIndex = [&](uint32_t* index) {
    uint32_t v;
    if (!ReadVarint32(stream, &data, end, &v)) return false;
    last += Unzigzag32(v);
    *index = last;
    return true;
  };
  for (size_t t = 0; t < triangles; ++t) {
    const uint8_t code = stream[1 + t];
    const unsigned high = code >> 4, low = code & 15;
    uint32_t a = 0, b = 0, c = 0;
    if (high < 15) {
      const uint32_t* edge = recent.Edge(high);
      a = edge[0];
      b = edge[1];
      if (low == 0) {
        c = next++;
        recent.PushVertex(c);
      } else if (low < 13) {
        c = recent.Vertex(low);
      } else {
        if (low == 15) {
          if (!explicitIndex(&c)) return {MeshoptStatus::kCutShort, data};
        } else {
          c = last = low == 13 ? last - 1 : last + 1;
        }
        recent.PushVertex(c);
      }
      recent.PushEdge(c, b);
      recent.PushEdge(a, c);
    } else {
      // Three vertices not on a recent edge: the first new (or explicit), the others new,
      // recent or explicit as a pair of nibbles from the table or the next data byte says.
      const bool fromData = low >= 14;
      uint8_t pair;
      if (fromData) {
        if (data >= end) return {MeshoptStatus::kCutShort, data};
        pair = stream[data++];
        if (pair == 0) next = 0;
      } else {
        pair = table[low];
      }
      // A nibble: 0 a new vertex, 15 (after a data byte) an explicit one, otherwise the
      // recent vertex nibble - 1 back. New ones are numbered first, explicit ones read after.
      const unsigned second = pair >> 4, third = pair & 15;
      const bool firstExplicit = low == 15;
      const bool secondExplicit = fromData && second == 15, thirdExplicit = fromData && third == 15;
      a = firstExplicit ? 0 : next++;
      b = second == 0 ? next++ : secondExplicit ? 0 : recent.Vertex(second - 1);
      c = third == 0 ? next++ : thirdExplicit ? 0 : recent.Vertex(third - 1);
      if (firstExplicit && !explicitIndex(&a)) return {MeshoptStatus::kCutShort, data};
      if (secondExplicit && !explicitIndex(&b)) return {MeshoptStatus::kCutShort, data};
      if (thirdExplicit && !explicitIndex(&c)) return {MeshoptStatus::kCutShort, data};
      const bool secondNew = second == 0 || secondExplicit, thirdNew = third == 0 || thirdExplicit;
      recent.PushVertex(a);
      if (secondNew) recent.PushVertex(b);
      if (thirdNew) recent.PushVertex(c);
      recent.PushEdge(b, a);
      recent.PushEdge(c, b);
      recent.PushEdge(a, c);
    }
    uint8_t* triangle = out + t * 3 * indexBytes;
    StoreIndex(triangle, a, indexBytes);
    StoreIndex(triangle + indexBytes, b, indexBytes);
    StoreIndex(triangle + 2 * indexBytes, c, indexBytes);
  }
  if (data != end) return {MeshoptStatus::kTrailingBytes, data};
  return {};
}

}  // namespace korva::gltf::decode

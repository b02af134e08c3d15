// Four floats worked lane by lane, for posing four key frames of a joint at once. Each operator on
// Lanes is, in every lane, the single-precision IEEE operation its scalar twin performs: the builds
// do float arithmetic in SSE (never x87) and contract no multiply-add, so a lane's result has the
// bits of the same expression written on floats, and batching keys changes no output byte.
#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace korva {

using Lanes = float __attribute__((vector_size(16)));
// A comparison of Lanes: all bits set in the lanes where it holds.
using LaneMask = int32_t __attribute__((vector_size(16)));

constexpr int kLaneCount = 4;

inline Lanes Broadcast(float value) {
  return Lanes{value, value, value, value};
}

// The correctly rounded square root of a float, or of each lane (as std::sqrt gives it for one).
inline float SquareRoot(float value) {
  return std::sqrt(value);
}
inline Lanes SquareRoot(Lanes value) {
  return _mm_sqrt_ps(value);
}

// `chosen` where the condition holds, `other` elsewhere, bit for bit (a cast between vector types
// of one size keeps the bits).
inline float Select(bool holds, float chosen, float other) {
  return holds ? chosen : other;
}
inline Lanes Select(LaneMask holds, Lanes chosen, Lanes other) {
  return (Lanes)((holds & (LaneMask)chosen) | (~holds & (LaneMask)other));
}

// Whether a float, or each lane, is positive and finite.
inline bool PositiveFinite(float value) {
  return value > 0.0f && std::isfinite(value);
}
inline LaneMask PositiveFinite(Lanes value) {
  return (value > 0.0f) & (value < INFINITY);
}

// The four floats at `at` (any alignment), as one wide load: a record of four floats, read whole.
inline Lanes LoadLanes(const void* at) {
  Lanes value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// The four lanes into `at` (any alignment).
inline void StoreLanes(Lanes value, void* at) {
  std::memcpy(at, &value, sizeof value);
}

// Lanes 1 to 3 into at[0..2], from the register: put on the stack and copied, they would be read
// back slowly (a narrower load cannot take its bytes from a wider store at another address).
inline void StoreLanesOneToThree(Lanes value, float at[3]) {
  _mm_store_ss(at, _mm_shuffle_ps(value, value, _MM_SHUFFLE(1, 1, 1, 1)));
  _mm_storeh_pi(reinterpret_cast<__m64*>(at + 1), value);
}

// Lanes 0 and 1 into at[0..1].
inline void StoreLanesZeroToOne(Lanes value, float at[2]) {
  _mm_storel_pi(reinterpret_cast<__m64*>(at), value);
}

// Lanes 1 to 3 of `lanes`, then lane 0 of `after`: for fields of consecutive records in lanes,
// each lane gets the field of the record after it.
inline Lanes FromNext(Lanes lanes, Lanes after) {
  const __m128 seam = _mm_shuffle_ps(lanes, after, _MM_SHUFFLE(0, 0, 3, 3));  // l3 l3 a0 a0
  return _mm_shuffle_ps(lanes, seam, _MM_SHUFFLE(2, 0, 2, 1));
}

// Lane 3 of `before`, then lanes 0 to 2 of `lanes`: each lane gets the field of the record before
// it.
inline Lanes FromPrevious(Lanes before, Lanes lanes) {
  const __m128 seam = _mm_shuffle_ps(before, lanes, _MM_SHUFFLE(0, 0, 3, 3));  // b3 b3 l0 l0
  return _mm_shuffle_ps(seam, lanes, _MM_SHUFFLE(2, 1, 2, 0));
}

// Rows become columns: lane j of rows[i] moves to lane i of rows[j]. Four records loaded whole
// (one a row) give each field in a Lanes of its own.
inline void Transpose(Lanes rows[4]) {
  const __m128 low01 = _mm_unpacklo_ps(rows[0], rows[1]),
               high01 = _mm_unpackhi_ps(rows[0], rows[1]);
  const __m128 low23 = _mm_unpacklo_ps(rows[2], rows[3]),
               high23 = _mm_unpackhi_ps(rows[2], rows[3]);
  rows[0] = _mm_movelh_ps(low01, low23);
  rows[1] = _mm_movehl_ps(low23, low01);
  rows[2] = _mm_movelh_ps(high01, high23);
  rows[3] = _mm_movehl_ps(high23, high01);
}

// The records at records[0..3] loaded whole and transposed: lane i of fields[f] is float f of
// records[i].
inline void LoadTransposed(const void* const records[4], Lanes fields[4]) {
  for (int i = 0; i < 4; ++i) fields[i] = LoadLanes(records[i]);
  Transpose(fields);
}

// Storage for records holding Lanes, aligned to their 16 bytes (the compiler loads them whole with
// aligned loads). Asked of the runtime explicitly: the 32-bit Windows runtime's malloc gives 8-byte
// alignment where the compiler assumes 16, so a std::vector of them on the default allocator
// faults there.
template <typename T>
struct LaneAllocator {
  using value_type = T;
  LaneAllocator() = default;
  template <typename U>
  LaneAllocator(const LaneAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{alignof(T)}));
  }
  void deallocate(T* p, size_t) { ::operator delete(p, std::align_val_t{alignof(T)}); }
  template <typename U>
  bool operator==(const LaneAllocator<U>&) const { return true; }
  template <typename U>
  bool operator!=(const LaneAllocator<U>&) const { return false; }
};

// Whether the mask holds in every lane.
inline bool AllLanes(LaneMask mask) {
  return _mm_movemask_ps((__m128)mask) == 0xF;
}

}  // namespace korva

// Four floats worked lane by lane, for posing four key frames of a joint at once. Each operator on
// Lanes is, in every lane, the single-precision IEEE operation its scalar twin performs: the builds
// do float arithmetic in SSE (never x87) and contract no multiply-add, so a lane's result has the
// bits of the same expression written on floats, and batching keys changes no output byte.
#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>

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

// Whether the mask holds in every lane.
inline bool AllLanes(LaneMask mask) {
  return _mm_movemask_ps((__m128)mask) == 0xF;
}

}  // namespace korva

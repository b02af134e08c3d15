#include "gltf/format/gltf_space.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace korva::gltf {
namespace {
// The host maps a row vector p to p x H in a left-handed space; glTF maps a column vector to C x p
// in a right-handed one. Transposing turns one convention into the other and mirroring z on both
// sides (S C S, S = diag(1, 1, -1, 1)) keeps what the matrix does to the mirrored points.
double MirrorSign(int axis) {
  return axis == 2 ? -1.0 : 1.0;
}

bool Finite(double value) {
  return std::isfinite(value);
}

std::array<double, 4> QuaternionFromRotation(const double r[3][3]) {
  std::array<double, 4> q;  // x, y, z, w
  const double trace = r[0][0] + r[1][1] + r[2][2];
  if (trace > 0) {
    const double s = std::sqrt(trace + 1.0) * 2;
    q = {(r[2][1] - r[1][2]) / s, (r[0][2] - r[2][0]) / s, (r[1][0] - r[0][1]) / s, 0.25 * s};
  } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
    const double s = std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]) * 2;
    q = {0.25 * s, (r[0][1] + r[1][0]) / s, (r[0][2] + r[2][0]) / s, (r[2][1] - r[1][2]) / s};
  } else if (r[1][1] > r[2][2]) {
    const double s = std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]) * 2;
    q = {(r[0][1] + r[1][0]) / s, 0.25 * s, (r[1][2] + r[2][1]) / s, (r[0][2] - r[2][0]) / s};
  } else {
    const double s = std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]) * 2;
    q = {(r[0][2] + r[2][0]) / s, (r[1][2] + r[2][1]) / s, 0.25 * s, (r[1][0] - r[0][1]) / s};
  }
  return NormalizeQuaternion(q);
}
}  // namespace

Mat4 Identity() {
  Mat4 r{};
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0;
  return r;
}

Mat4 Multiply(const Mat4& a, const Mat4& b) {
  Mat4 r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  }
  return r;
}

// Gauss-Jordan with partial pivoting; false for a singular matrix.
bool Invert(const Mat4& in, Mat4* out) {
  double a[4][8];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      a[i][j] = in.m[i][j];
      a[i][j + 4] = i == j ? 1.0 : 0.0;
    }
  }
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r) {
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    }
    if (!(std::fabs(a[pivot][c]) > 1e-12)) return false;
    if (pivot != c) std::swap(a[pivot], a[c]);
    const double scale = 1.0 / a[c][c];
    for (int j = 0; j < 8; ++j) a[c][j] *= scale;
    for (int r = 0; r < 4; ++r) {
      if (r == c) continue;
      const double factor = a[r][c];
      for (int j = 0; j < 8; ++j) a[r][j] -= factor * a[c][j];
    }
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) out->m[i][j] = a[i][j + 4];
  }
  return true;
}

Mat4 FromHost(const D3DXMATRIX& host) {
  Mat4 r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = MirrorSign(i) * MirrorSign(j) * static_cast<double>(host.m[j][i]);
    }
  }
  return r;
}

D3DXMATRIX ToHost(const Mat4& gltf) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = static_cast<float>(MirrorSign(i) * MirrorSign(j) * gltf.m[j][i]);
    }
  }
  return r;
}

std::array<double, 3> MirrorPoint(const D3DXVECTOR3& v) {
  return {v.x, v.y, -double(v.z)};
}

// A rotation of the host (x, y, z, w) seen in the mirrored space: the axis is mirrored and, since
// a mirror also turns the sense of rotation, negated: (-x, -y, z, w).
std::array<double, 4> MirrorQuaternion(const D3DXQUATERNION& q) {
  return {-double(q.x), -double(q.y), double(q.z), double(q.w)};
}

Mat4 Compose(const Trs& trs) {
  const auto& q = trs.rotation;
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                          {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                          {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  Mat4 out = Identity();
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) out.m[i][j] = r[i][j] * trs.scale[j];
    out.m[i][3] = trs.translation[i];
  }
  return out;
}

bool Decompose(const Mat4& c, Trs* trs) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (!Finite(c.m[i][j])) return false;
    }
  }
  if (std::fabs(c.m[3][0]) > 1e-6 || std::fabs(c.m[3][1]) > 1e-6 || std::fabs(c.m[3][2]) > 1e-6 ||
      std::fabs(c.m[3][3] - 1.0) > 1e-6) {
    return false;
  }
  Trs out;
  double r[3][3];
  for (int j = 0; j < 3; ++j) {
    out.translation[j] = c.m[j][3];
    const double length =
        std::sqrt(c.m[0][j] * c.m[0][j] + c.m[1][j] * c.m[1][j] + c.m[2][j] * c.m[2][j]);
    if (!(length > 1e-12)) return false;
    out.scale[j] = length;
    for (int i = 0; i < 3; ++i) r[i][j] = c.m[i][j] / length;
  }
  const double determinant = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                             r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                             r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
  if (determinant < 0) {
    out.scale[0] = -out.scale[0];
    for (int i = 0; i < 3; ++i) r[i][0] = -r[i][0];
  }
  out.rotation = QuaternionFromRotation(r);
  const Mat4 back = Compose(out);
  double largest = 1.0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) largest = std::max(largest, std::fabs(c.m[i][j]));
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (std::fabs(back.m[i][j] - c.m[i][j]) > 1e-5 * largest) return false;
    }
  }
  *trs = out;
  return true;
}

}  // namespace korva::gltf

// The model's space as the host sees it: mirrored in x (the import negates every vertex x), with
// points as row vectors (p x M) where the model's transforms act on columns (M p). Plain float
// arithmetic throughout, so every build of the plug-in gives the same bits.
#pragma once

#include "model/d3d_types.h"
#include "ms3d/skeleton_math.h"

namespace korva::import {

// The host matrix of the model transform `m` mirrored in x (S m S with S = diag(-1, 1, 1)).
D3DXMATRIX MirroredHostMatrix(const Matrix34& m);

// a x b for affine host matrices (last column 0, 0, 0, 1): b applied after a.
D3DXMATRIX ConcatHostAffine(const D3DXMATRIX& a, const D3DXMATRIX& b);

// The inverse of a host matrix whose rows 0 to 2 are a rotation: the rotation transposed, the
// translation turned back by it.
D3DXMATRIX InverseRigidHostMatrix(const D3DXMATRIX& m);

// The unit quaternion whose rotation matrix, in the host's convention, is rows 0 to 2 of `m`
// (a rotation, up to rounding). Its sign is whichever keeps the largest component positive.
D3DXQUATERNION HostRotationQuaternion(const D3DXMATRIX& m);

}  // namespace korva::import

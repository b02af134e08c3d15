// Conversion between a packed 32-bit colour (alpha in bits 24-31, then red, green, blue) and the
// four float channels of a material colour.
#pragma once

#include <cstdint>

#include "model/d3d_types.h"

namespace korva::commands {

// Each byte b becomes the float nearest to b / 255.
D3DCOLORVALUE UnpackColour(uint32_t colour);

// Each channel c becomes trunc(c x 255); the channels are added, not masked, into
// ((a x 256 + r) x 256 + g) x 256 + b modulo 2^32, so a channel outside 0..1 carries into or
// borrows from its neighbour. A channel that is not a number or too large for a 64-bit integer
// counts as 0.
uint32_t PackColour(const D3DCOLORVALUE& value);

}  // namespace korva::commands

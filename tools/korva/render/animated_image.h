// Animated pictures that browsers play: lossless animated WebP, through libwebp's animation
// encoder. Full colour without a palette, so shading and textures keep every shade (an animated
// GIF would have to cut each frame to 256 colours).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/image.h"

namespace korva::render {

// False in a build without the encoder library (the Windows cross build).
bool AnimatedImagesAvailable();

class AnimatedWebp {
 public:
  AnimatedWebp();
  ~AnimatedWebp();
  AnimatedWebp(const AnimatedWebp&) = delete;
  AnimatedWebp& operator=(const AnimatedWebp&) = delete;

  // Appends a frame shown for `milliseconds`; every frame has the first frame's size. False with
  // `*error` set when it cannot be encoded.
  bool Add(const Image& frame, int milliseconds, std::string* error);

  // The whole file, looping forever. False with `*error` set without frames or on failure.
  bool Finish(std::vector<uint8_t>* bytes, std::string* error);

 private:
  struct Encoder;
  std::unique_ptr<Encoder> encoder_;
  int width_ = 0, height_ = 0;
  int timestamp_ = 0;
};

}  // namespace korva::render

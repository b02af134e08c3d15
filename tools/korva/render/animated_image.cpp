#include "render/animated_image.h"

#ifdef KORVA_HAVE_WEBP
#include <webp/encode.h>
#include <webp/mux.h>
#endif

namespace korva::render {

#ifdef KORVA_HAVE_WEBP
struct AnimatedWebp::Encoder {
  WebPAnimEncoder* encoder = nullptr;
  WebPConfig config;
  ~Encoder() {
    if (encoder) WebPAnimEncoderDelete(encoder);
  }
};

bool AnimatedImagesAvailable() {
  return true;
}

AnimatedWebp::AnimatedWebp() : encoder_(std::make_unique<Encoder>()) {}
AnimatedWebp::~AnimatedWebp() = default;

bool AnimatedWebp::Add(const Image& frame, int milliseconds, std::string* error) {
  if (!encoder_->encoder) {
    width_ = frame.width(), height_ = frame.height();
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&encoder_->config)) {
      *error = "the animation encoder does not match its library";
      return false;
    }
    options.anim_params.loop_count = 0;
    // Lossless keeps the rendered pixels exactly; the fastest method is plenty for flat shading.
    encoder_->config.lossless = 1;
    encoder_->config.method = 0;
    encoder_->config.quality = 10;
    encoder_->encoder = WebPAnimEncoderNew(width_, height_, &options);
    if (!encoder_->encoder) {
      *error = "cannot start the animation encoder";
      return false;
    }
  }
  if (frame.width() != width_ || frame.height() != height_) {
    *error = "animation frames differ in size";
    return false;
  }
  WebPPicture picture;
  if (!WebPPictureInit(&picture)) {
    *error = "the animation encoder does not match its library";
    return false;
  }
  picture.use_argb = 1;
  picture.width = width_;
  picture.height = height_;
  bool added = WebPPictureImportRGBA(&picture, frame.bytes().data(), width_ * 4) != 0 &&
               WebPAnimEncoderAdd(encoder_->encoder, &picture, timestamp_, &encoder_->config) != 0;
  WebPPictureFree(&picture);
  if (!added) {
    *error = std::string("cannot encode an animation frame: ") +
             WebPAnimEncoderGetError(encoder_->encoder);
    return false;
  }
  timestamp_ += milliseconds;
  return true;
}

bool AnimatedWebp::Finish(std::vector<uint8_t>* bytes, std::string* error) {
  if (!encoder_->encoder) {
    *error = "no frames to write";
    return false;
  }
  WebPData data;
  WebPDataInit(&data);
  // A last empty frame gives the final frame its duration.
  if (!WebPAnimEncoderAdd(encoder_->encoder, nullptr, timestamp_, nullptr) ||
      !WebPAnimEncoderAssemble(encoder_->encoder, &data)) {
    *error =
        std::string("cannot assemble the animation: ") + WebPAnimEncoderGetError(encoder_->encoder);
    return false;
  }
  bytes->assign(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  return true;
}

#else

struct AnimatedWebp::Encoder {};

bool AnimatedImagesAvailable() {
  return false;
}

AnimatedWebp::AnimatedWebp() = default;
AnimatedWebp::~AnimatedWebp() = default;

bool AnimatedWebp::Add(const Image&, int, std::string* error) {
  *error = "this build has no animation encoder";
  return false;
}

bool AnimatedWebp::Finish(std::vector<uint8_t>*, std::string* error) {
  *error = "this build has no animation encoder";
  return false;
}

#endif

}  // namespace korva::render

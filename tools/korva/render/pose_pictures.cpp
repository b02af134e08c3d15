#include "render/pose_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/text.h"

namespace korva::render {
namespace {

void Blit(const Image& tile, Image* target, int left, int top) {
  for (int y = 0; y < tile.height(); ++y) {
    for (int x = 0; x < tile.width(); ++x) target->set(left + x, top + y, tile.at(x, y));
  }
}

}  // namespace

std::string FrameLabel(float frame) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(frame));
  std::string label(text);
  while (label.back() == '0') label.pop_back();
  if (label.back() == '.') label.pop_back();
  return label == "-0" ? "0" : label;
}

PosePictures::PosePictures(std::vector<PoseSource> sources, const RenderOptions& options)
    : sources_(std::move(sources)),
      options_(options),
      framing_(AxesForView(options.view), 0, 0, 0, 0, options.size, options.margin) {}

const DrawList& PosePictures::Pose(size_t source, float frame) {
  sources_[source].pose(frame, &scratch_);
  for (std::string& warning : scratch_.warnings) {
    if (seenWarnings_.insert(warning).second) warnings_.push_back(std::move(warning));
  }
  scratch_.warnings.clear();
  return scratch_;
}

void PosePictures::FrameAll(const std::vector<float>& frames) {
  PictureBounds bounds(AxesForView(options_.view));
  // Posed twice (here and when drawn) rather than kept: a long animation of a large model would
  // not fit in memory as triangles.
  for (const float frame : frames) {
    for (size_t s = 0; s < sources_.size(); ++s) bounds.Extend(Pose(s, frame));
  }
  framing_ = bounds.FramingFor(options_.size, options_.margin);
}

int PosePictures::Scale() const {
  return std::clamp(options_.size / 128, 1, 4);
}

int PosePictures::CaptionHeight() const {
  return TextHeight(Scale()) + 4 * Scale();
}

Color PosePictures::TextColor() const {
  const Color& b = options_.background;
  const int luminance = (299 * b.r + 587 * b.g + 114 * b.b) / 1000;
  return luminance < 128 ? Color{255, 255, 255, 255} : Color{0, 0, 0, 255};
}

Image PosePictures::Picture(float frame) {
  const int size = options_.size;
  const bool captions = sources_.size() > 1;
  const int top = captions ? CaptionHeight() : 0;
  Image picture(size * static_cast<int>(sources_.size()), size + top, options_.background);
  if (picture.empty()) return picture;
  for (size_t s = 0; s < sources_.size(); ++s) {
    const Image half = DrawPicture(Pose(s, frame), framing_, options_, &trianglesDrawn_);
    const int left = size * static_cast<int>(s);
    Blit(half, &picture, left, top);
    if (captions) {
      const std::string& caption = sources_[s].caption;
      DrawText(&picture, left + (size - TextWidth(caption, Scale())) / 2, 2 * Scale(), caption,
               Scale(), TextColor());
    }
  }
  return picture;
}

Image PosePictures::ContactSheet(const std::vector<float>& frames) {
  const int count = static_cast<int>(frames.size());
  if (count == 0) return Image();
  const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
  const int rows = (count + columns - 1) / columns;
  const bool captions = sources_.size() > 1;
  const int cellWidth = options_.size * static_cast<int>(sources_.size());
  const int cellHeight = options_.size + (captions ? CaptionHeight() : 0) + CaptionHeight();
  const int64_t width = int64_t{cellWidth} * columns, height = int64_t{cellHeight} * rows;
  if (width > 16384 || height > 16384) return Image();
  Image sheet(static_cast<int>(width), static_cast<int>(height), options_.background);
  if (sheet.empty()) return sheet;
  for (int i = 0; i < count; ++i) {
    const int left = (i % columns) * cellWidth, top = (i / columns) * cellHeight;
    const Image cell = Picture(frames[static_cast<size_t>(i)]);
    Blit(cell, &sheet, left, top);
    const std::string label = FrameLabel(frames[static_cast<size_t>(i)]);
    DrawText(&sheet, left + (cellWidth - TextWidth(label, Scale())) / 2,
             top + cell.height() + 2 * Scale(), label, Scale(), TextColor());
  }
  return sheet;
}

}  // namespace korva::render

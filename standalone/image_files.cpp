#include "standalone/image_files.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "standalone/regular_file.h"

// The one copy of the decoder in any program that links the host. The decoder's own bound is set
// to ours, so no image it decodes can pass it even if the header check were skipped.
#define STBI_MAX_DIMENSIONS 8192
#define STBI_FAILURE_USERMSG
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace korva::standalone {
static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide, "the decoder's bound is ours");

namespace {

// The bytes handed to the decoder through its reading callbacks rather than as one memory block:
// on a block, the decoder skips a length read from the file by moving its pointer however far
// that is, past the block's end; a skip through the callbacks is bounded here. The bytes are in
// memory (`head` holds all of them when there is no file), or a file is read where the decoder
// reads, its first bytes kept from the start (the decoder tries one format after another on them)
// and the rest read when asked for. A file that shrinks meanwhile simply ends sooner.
struct DecoderInput {
  const RegularFile* file;  // null: `head` holds all `size` bytes
  size_t size;
  const uint8_t* head;
  size_t headSize;
  size_t at = 0;
};

int ReadBytes(void* user, char* out, int count) {
  auto* reader = static_cast<DecoderInput*>(user);
  const size_t wanted = std::min(count > 0 ? static_cast<size_t>(count) : 0,
                                 reader->size - std::min(reader->size, reader->at));
  size_t taken = 0;
  if (reader->at < reader->headSize) {
    taken = std::min(wanted, reader->headSize - reader->at);
    std::memcpy(out, reader->head + reader->at, taken);
  }
  if (taken < wanted && reader->file) {
    const int64_t got = reader->file->ReadAt(
        reader->at + taken, reinterpret_cast<uint8_t*>(out) + taken, wanted - taken);
    if (got > 0) taken += static_cast<size_t>(got);
  }
  reader->at += taken;
  return static_cast<int>(taken);
}

void SkipBytes(void* user, int count) {
  auto* reader = static_cast<DecoderInput*>(user);
  const int64_t target = static_cast<int64_t>(reader->at) + count;  // negative: back up
  reader->at = target < 0 ? 0 : std::min(reader->size, static_cast<size_t>(target));
}

int AtEnd(void* user) {
  const auto* reader = static_cast<const DecoderInput*>(user);
  return reader->at >= reader->size ? 1 : 0;
}

const stbi_io_callbacks kCallbacks = {&ReadBytes, &SkipBytes, &AtEnd};

// Whether every Huffman table a JPEG defines holds at most 256 codes: the decoder stores them in
// arrays of 256 (plus one) without counting. Walks the markers as the decoder meets them: the
// segments, and after each scan header its entropy-coded data up to the next marker. Other
// formats, and files that end early, are left to the decoder.
bool JpegTablesFit(const uint8_t* data, size_t size) {
  const auto byte = [&](size_t at) -> size_t { return at < size ? data[at] : 0; };
  size_t at = 0;
  while (at < size && data[at] == 0xFF) ++at;
  if (at == 0 || byte(at) != 0xD8) return true;  // no JPEG start: not a JPEG
  ++at;
  while (at < size) {
    if (data[at] != 0xFF) {  // junk between segments, passed over a byte at a time
      ++at;
      continue;
    }
    while (at < size && data[at] == 0xFF) ++at;
    if (at >= size) return true;
    const uint8_t marker = data[at++];
    if (marker == 0xD9) return true;                                     // end of image
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    const size_t length = byte(at) << 8 | byte(at + 1);
    if (marker == 0xC4) {
      // Tables are read while the segment's length lasts, even one that starts near its end.
      int64_t left = static_cast<int64_t>(length) - 2;
      size_t table = at + 2;
      while (left > 0) {
        size_t codes = 0;
        for (size_t i = 1; i <= 16; ++i) codes += byte(table + i);
        if (codes > 256) return false;
        table += 17 + codes;
        left -= static_cast<int64_t>(17 + codes);
      }
    }
    at += length;
    if (marker == 0xDA) {  // entropy-coded data: 0xFF 0x00 is a byte, 0xFF 0xD0..D7 a restart
      while (at + 1 < size && !(data[at] == 0xFF && data[at + 1] != 0x00 && data[at + 1] != 0xFF &&
                                !(data[at + 1] >= 0xD0 && data[at + 1] <= 0xD7))) {
        ++at;
      }
    }
  }
  return true;
}

// Whether a PNG's chunks are whole up to its end chunk. The decoder grows one buffer to each data
// chunk's declared length before it reads a byte of it, so a file of a few bytes could ask for
// gigabytes; and a file cut anywhere is damaged, which reading only its header would not show.
// Other formats are left to the decoder.
bool PngChunksWhole(const uint8_t* data, size_t size) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
    return true;
  size_t at = sizeof kSignature;
  while (size - at >= 12) {  // length, type, data, checksum
    const size_t length =
        static_cast<size_t>(data[at]) << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3];
    if (length > size - at - 12) return false;
    if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
    at += 12 + length;
  }
  return false;
}

// Whether the three numbers of a binary PGM or PPM header (width, height, largest value) each have
// at most nine digits (the decoder accumulates them in an int without a bound) and the samples are
// 8-bit. Other formats are left to the decoder.
bool PnmNumbersFit(const uint8_t* data, size_t size) {
  if (size < 2 || data[0] != 'P' || (data[1] != '5' && data[1] != '6')) return true;
  const auto isSpace = [](uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  size_t at = 2;
  for (int number = 0; number < 3; ++number) {
    for (;;) {  // white space, and comments from '#' to the line's end, as the decoder skips them
      while (at < size && isSpace(data[at])) ++at;
      if (at >= size || data[at] != '#') break;
      while (at < size && data[at] != '\n' && data[at] != '\r') ++at;
    }
    size_t digits = 0;
    uint32_t value = 0;
    for (; at < size && data[at] >= '0' && data[at] <= '9'; ++at) {
      if (++digits > 9) return false;
      value = value * 10 + (data[at] - '0');
    }
    // A largest value above 255 means 16-bit samples, which the decoder converts past its buffer.
    if (number == 2 && value > 255) return false;
  }
  return true;
}

// The size the decoder's header reader gave, when the decoder would go on to decode it.
bool AcceptImageSize(int x, int y, int* width, int* height, std::string* problem) {
  // A BMP stored top-down gives its height as a negative number; INT_MIN has no positive twin,
  // and the decoder would negate it.
  if (y < 0 && y != INT_MIN) y = -y;
  if (x <= 0 || y <= 0 || x > kMaxImageSide || y > kMaxImageSide) {
    *problem = "image of " + std::to_string(x) + " x " + std::to_string(y) + " pixels, more than " +
               std::to_string(kMaxImageSide) + " on a side or none";
    return false;
  }
  *width = x;
  *height = y;
  return true;
}

}  // namespace

bool ReadImageSize(const uint8_t* data, size_t size, int* width, int* height,
                   std::string* problem) {
  int x = 0;
  int y = 0;
  int channels = 0;
  // Before the decoder sees a byte: reading the header already builds the tables.
  if (data && !JpegTablesFit(data, size)) {
    *problem = "a damaged JPEG (a Huffman table of more than 256 codes)";
    return false;
  }
  if (data && !PnmNumbersFit(data, size)) {
    *problem =
        "a PGM or PPM file the decoder cannot take (a header number of more than nine digits, or "
        "16-bit samples)";
    return false;
  }
  if (data && !PngChunksWhole(data, size)) {
    *problem = "a damaged PNG (cut short, or a chunk longer than the file)";
    return false;
  }
  DecoderInput reader{nullptr, size, data, size};
  if (!data || size > static_cast<size_t>(INT_MAX) ||
      !stbi_info_from_callbacks(&kCallbacks, &reader, &x, &y, &channels)) {
    *problem = std::string("not an image file the decoder reads (") + stbi_failure_reason() + ")";
    return false;
  }
  return AcceptImageSize(x, y, width, height, problem);
}

bool ReadImageFileSize(const RegularFile& file, int* width, int* height, std::string* problem) {
  // Enough for the headers of the formats read in part, which the decoder reads again for each
  // format it tries.
  constexpr size_t kHeadBytes = 4096;
  const uint64_t size = file.size();
  uint8_t head[kHeadBytes];
  const int64_t headRead =
      file.ReadAt(0, head, static_cast<size_t>(std::min<uint64_t>(size, kHeadBytes)));
  if (headRead < 0) {
    *problem = "cannot be read";
    return false;
  }
  const auto headSize = static_cast<size_t>(headRead);
  // The JPEG, PNG and PNM checks look past a file's first byte only when it is 0xFF, 0x89 or 'P';
  // then they may walk the whole file, which is read whole (not cleared first: every byte is
  // read over) and checked as in memory.
  const bool walkedWhole = headSize < kHeadBytes || head[0] == 0xFF || head[0] == 0x89 ||
                           head[0] == 'P' || size > static_cast<uint64_t>(INT_MAX);
  if (walkedWhole) {
    if (headSize == size) {
      return ReadImageSize(headSize > 0 ? head : nullptr, headSize, width, height, problem);
    }
    const std::unique_ptr<uint8_t[]> bytes(new uint8_t[static_cast<size_t>(size)]);
    const int64_t got = file.ReadAt(0, bytes.get(), static_cast<size_t>(size));
    if (got < 0) {
      *problem = "cannot be read";
      return false;
    }
    return ReadImageSize(got > 0 ? bytes.get() : nullptr, static_cast<size_t>(got), width, height,
                         problem);
  }
  DecoderInput reader{&file, static_cast<size_t>(size), head, headSize};
  int x = 0;
  int y = 0;
  int channels = 0;
  if (!stbi_info_from_callbacks(&kCallbacks, &reader, &x, &y, &channels)) {
    *problem = std::string("not an image file the decoder reads (") + stbi_failure_reason() + ")";
    return false;
  }
  return AcceptImageSize(x, y, width, height, problem);
}

uint8_t* DecodeImage(const uint8_t* data, size_t size, int* width, int* height,
                     std::string* problem) {
  int x = 0;
  int y = 0;
  if (!ReadImageSize(data, size, &x, &y, problem)) return nullptr;
  int channels = 0;
  DecoderInput reader{nullptr, size, data, size};
  stbi_uc* pixels = stbi_load_from_callbacks(&kCallbacks, &reader, &x, &y, &channels, 4);
  if (!pixels || x <= 0 || y <= 0) {
    stbi_image_free(pixels);
    *problem = std::string("cannot be decoded (") + stbi_failure_reason() + ")";
    return nullptr;
  }
  *width = x;
  *height = y;
  return pixels;
}

void FreeImage(uint8_t* pixels) {
  stbi_image_free(pixels);
}

}  // namespace korva::standalone

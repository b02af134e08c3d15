// The reader's materials: the base colour and emissive factors (the emissive strength applied),
// and the base colour texture as the stage-0 texture, its image named as the object will find it
// beside the DBO file. A WebP image, which the engine cannot read, is written there as PNG.
#include <cstring>

#include "gltf/build/gltf_importer.h"
#include "gltf/decode/gltf_webp_image.h"
#include "gltf/read/gltf_accessor_read.h"
#include "model/counted_array.h"
#include "model/texture.h"

namespace korva::gltf {
namespace {

// The file name extension of an image by its media type or, failing that, its first bytes.
std::string ImageExtension(const std::string& mimeType, const uint8_t* bytes, size_t size) {
  if (mimeType == "image/png") return ".png";
  if (mimeType == "image/jpeg") return ".jpg";
  if (size >= 4 && std::memcmp(bytes, "\x89PNG", 4) == 0) return ".png";
  if (size >= 3 && std::memcmp(bytes, "\xFF\xD8\xFF", 3) == 0) return ".jpg";
  if (size >= 4 && std::memcmp(bytes, "DDS ", 4) == 0) return ".dds";
  if (size >= 2 && std::memcmp(bytes, "BM", 2) == 0) return ".bmp";
  return {};
}

int32_t AddressMode(int wrap) {
  switch (wrap) {
    case 33648:  // MIRRORED_REPEAT
      return 2;
    case 33071:  // CLAMP_TO_EDGE
      return 3;
    default:  // REPEAT
      return 1;
  }
}

}  // namespace

std::string Importer::ImageName(int imageIndex) {
  const auto known = imageNames_.find(imageIndex);
  if (known != imageNames_.end()) return known->second;
  const std::string where = "images[" + std::to_string(imageIndex) + "]";
  if (imageIndex < 0 || static_cast<size_t>(imageIndex) >= document_.images.size()) {
    Fail("a texture names " + where + ", which does not exist");
  }
  const doc::Image& image = document_.images[static_cast<size_t>(imageIndex)];
  std::string name, error;
  std::vector<uint8_t> decoded;
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  std::string mimeType = image.mimeType;
  if (image.bufferView >= 0) {
    if (!ViewBytes(document_, image.bufferView, &bytes, &size, &error)) Fail(where + ": " + error);
  } else if (doc::IsDataUri(image.uri)) {
    if (!doc::DecodeDataUri(image.uri, &decoded, &mimeType, &error)) Fail(where + ".uri " + error);
    bytes = decoded.data();
    size = decoded.size();
  } else {
    std::string path;
    if (!doc::UriToRelativePath(image.uri, &path, &error)) {
      Fail(where + ".uri \"" + image.uri + "\" " + error);
    }
    if (!read_ || !read_(path, &decoded, &error)) Fail(where + ": " + path + ": " + error);
    if (decode::IsWebp(decoded.data(), decoded.size())) {
      bytes = decoded.data();
      size = decoded.size();
    } else {
      name = options_.externalImagePrefix + path;
      out_->imageFiles.push_back(path);
    }
  }
  if (bytes && decode::IsWebp(bytes, size)) {
    name = PngOfWebp(where, bytes, size);
  } else if (bytes) {
    const std::string extension = ImageExtension(mimeType, bytes, size);
    if (extension.empty()) {
      Warn(where + " is of a kind korva does not know; its texture is left out");
    } else {
      name = options_.imageStem + "_" + std::to_string(out_->images.size()) + extension;
      out_->images.push_back({name, std::vector<uint8_t>(bytes, bytes + size)});
    }
  }
  if (name.size() >= sizeof(sTexture::name)) {
    Warn(where + ": its name is longer than a texture name can be; left out");
    name.clear();
  }
  imageNames_[imageIndex] = name;
  return name;
}

std::string Importer::PngOfWebp(const std::string& where, const uint8_t* bytes, size_t size) {
  int width = 0, height = 0;
  std::vector<uint8_t> png;
  decode::WebpStatus status = decode::WebpSize(bytes, size, &width, &height);
  if (status == decode::WebpStatus::kConverted) {
    // The decoder's pixels, the picture made of them and its PNG.
    Charge(uint64_t(width) * uint64_t(height) * 12, where);
    status = decode::WebpToPng(bytes, size, &png);
  }
  if (status == decode::WebpStatus::kNoDecoder) {
    Warn(where +
         " is a WebP image, which this build of korva does not decode; its texture is "
         "left out");
    return {};
  }
  if (status != decode::WebpStatus::kConverted) {
    Warn(where + " is a WebP image that does not decode; its texture is left out");
    return {};
  }
  std::string name = options_.imageStem + "_" + std::to_string(out_->images.size()) + ".png";
  out_->images.push_back({name, std::move(png)});
  return name;
}

std::string Importer::TextureName(int textureIndex, int32_t* addressU, int32_t* addressV) {
  if (static_cast<size_t>(textureIndex) >= document_.textures.size()) {
    Fail("a material names texture " + std::to_string(textureIndex) + ", which does not exist");
  }
  const doc::Texture& texture = document_.textures[static_cast<size_t>(textureIndex)];
  if (texture.sampler >= 0) {
    if (static_cast<size_t>(texture.sampler) >= document_.samplers.size()) {
      Fail("textures[" + std::to_string(textureIndex) + "] names a sampler that does not exist");
    }
    *addressU = AddressMode(document_.samplers[static_cast<size_t>(texture.sampler)].wrapS);
    *addressV = AddressMode(document_.samplers[static_cast<size_t>(texture.sampler)].wrapT);
  }
  // A texture with an image in another format as well as its WebP one keeps that image as it is.
  const int source = texture.source >= 0 ? texture.source : texture.webpSource;
  if (source < 0) {
    Warn("textures[" + std::to_string(textureIndex) + "] has no image korva reads; left out");
    return {};
  }
  return ImageName(source);
}

void Importer::ApplyMaterial(sMesh* mesh, int materialIndex, bool hasTexcoords) {
  sTexture* stages = NewCountedArray<sTexture>(2, ConstructTexture);
  if (!stages) throw std::bad_alloc();
  mesh->textures = stages;
  mesh->textureCount = 2;
  stages[0].stage = 0;
  stages[1].stage = 1;
  stages[1].blendOperation = 1;  // disabled
  mesh->usesOwnMaterial = 1;
  if (materialIndex < 0) return;  // glTF's default material: white, which the mesh already has
  if (static_cast<size_t>(materialIndex) >= document_.materials.size()) {
    Fail("a primitive names material " + std::to_string(materialIndex) + ", which does not exist");
  }
  const doc::Material& material = document_.materials[static_cast<size_t>(materialIndex)];
  const auto& base = material.baseColorFactor;
  mesh->material.Diffuse = {float(base[0]), float(base[1]), float(base[2]), float(base[3])};
  const auto& glow = material.emissiveFactor;
  const double strength = material.emissiveStrength;
  mesh->material.Emissive = {float(glow[0] * strength), float(glow[1] * strength),
                             float(glow[2] * strength), 1.0f};
  if (material.baseColorTexture.index < 0 || !hasTexcoords) return;
  const std::string name =
      TextureName(material.baseColorTexture.index, &stages[0].addressU, &stages[0].addressV);
  if (name.empty()) return;
  std::memcpy(stages[0].name, name.data(), name.size());
  stages[0].blendOperation = 4;  // modulate: texture times diffuse, as the MilkShape import sets
  stages[0].blendArgument1 = 2;
  stages[0].blendArgument2 = 0;
}

}  // namespace korva::gltf

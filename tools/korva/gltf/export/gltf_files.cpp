// The files of a glTF asset: a .glb container, or a .gltf document with its .bin and images.
#include <tiny_gltf.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "gltf/export/gltf_export.h"
#include "text/utf8_text.h"

namespace korva::gltf {

bool SerializeGltf(GltfAsset* asset, const std::string& path, std::vector<OutputFile>* files,
                   std::string* error) {
  namespace fs = std::filesystem;
  tinygltf::Model& model = *asset->model;
  files->clear();
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const bool binary = extension == ".glb";
  if (model.buffers.empty()) model.buffers.emplace_back();
  std::vector<unsigned char>& data = model.buffers[0].data;
  const fs::path folder = fs::path(path).parent_path();
  // The companions' names are also their URIs in the document, which holds only UTF-8 text: they
  // are named by the output's stem as text, so the document always finds them.
  const std::string stem = text::Utf8Text(fs::path(path).stem().string());

  for (size_t i = 0; i < model.images.size(); ++i) {
    tinygltf::Image& image = model.images[i];
    if (binary) {
      tinygltf::BufferView view;
      data.resize((data.size() + 3) & ~size_t(3), 0);
      view.buffer = 0;
      view.byteOffset = data.size();
      view.byteLength = asset->pngImages[i].size();
      data.insert(data.end(), asset->pngImages[i].begin(), asset->pngImages[i].end());
      model.bufferViews.push_back(view);
      image.bufferView = static_cast<int>(model.bufferViews.size() - 1);
      image.uri.clear();
    } else {
      image.uri = stem + "_" + asset->imageNames[i] + ".png";
      image.mimeType.clear();
      files->push_back({(folder / image.uri).string(), std::move(asset->pngImages[i])});
    }
  }
  if (binary) asset->pngImages.clear();
  // glTF forbids an empty buffer; an object without geometry still needs a valid document.
  if (data.empty()) model.buffers.clear();

  // tinygltf writes the document; the buffer is left out of it (tinygltf would embed it as base64
  // in a .gltf, and copy it three times over for a .glb) and pointed at the .bin file or the GLB
  // container's binary chunk instead.
  std::vector<unsigned char> bin;
  if (!model.buffers.empty()) bin.swap(model.buffers[0].data);
  tinygltf::TinyGLTF writer;
  std::ostringstream stream;
  const bool written = writer.WriteGltfSceneToStream(&model, stream, !binary, false);
  if (!model.buffers.empty()) bin.swap(model.buffers[0].data);
  nlohmann::json document =
      written ? nlohmann::json::parse(stream.str(), nullptr, false) : nlohmann::json();
  if (!written || document.is_discarded()) {
    *error = "the glTF document could not be written";
    return false;
  }
  const size_t binSize = model.buffers.empty() ? 0 : model.buffers[0].data.size();
  if (binary) {
    if (!model.buffers.empty()) document["buffers"][0] = {{"byteLength", binSize}};
    std::string json = document.dump();
    json.resize((json.size() + 3) & ~size_t(3), ' ');
    const size_t binChunk = (binSize + 3) & ~size_t(3);
    const size_t total = 12 + 8 + json.size() + (binSize ? 8 + binChunk : 0);
    if (total > 0xFFFFFFFFu) {
      *error = "the asset is larger than a .glb file can hold (4 GiB)";
      return false;
    }
    std::vector<uint8_t> glb;
    glb.reserve(total);
    const auto word = [&glb](uint32_t value) {
      for (int shift = 0; shift < 32; shift += 8)
        glb.push_back(static_cast<uint8_t>(value >> shift));
    };
    word(0x46546C67u);  // "glTF"
    word(2);
    word(static_cast<uint32_t>(total));
    word(static_cast<uint32_t>(json.size()));
    word(0x4E4F534Au);  // "JSON"
    glb.insert(glb.end(), json.begin(), json.end());
    if (binSize) {
      word(static_cast<uint32_t>(binChunk));
      word(0x004E4942u);  // "BIN"
      const std::vector<unsigned char>& bytes = model.buffers[0].data;
      glb.insert(glb.end(), bytes.begin(), bytes.end());
      glb.resize(total, 0);
    }
    files->push_back({path, std::move(glb)});
    return true;
  }
  if (!model.buffers.empty()) {
    const std::string binName = stem + ".bin";
    document["buffers"][0] = {{"byteLength", binSize}, {"uri", binName}};
    files->push_back({(folder / binName).string(), std::move(model.buffers[0].data)});
  }
  const std::string text = document.dump(2) + "\n";
  files->push_back({path, std::vector<uint8_t>(text.begin(), text.end())});
  return true;
}

}  // namespace korva::gltf

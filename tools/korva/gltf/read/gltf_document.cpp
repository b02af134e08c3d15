// The JSON document and buffers of a glTF asset, read into the reader's own records. The JSON is
// read into a tape (iteratively) once a pass over its bytes has bounded its depth and number of
// values, so no part of the input sets recursion depth or an allocation the file cannot justify.
#include "gltf/read/gltf_document.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <map>

#include "gltf/format/gltf_components.h"
#include "gltf/read/gltf_json_fields.h"

namespace korva::gltf::doc {
namespace {

constexpr int kMaxJsonDepth = 64;
constexpr size_t kMaxJsonValues = size_t{8} << 20;
constexpr uint32_t kGlbMagic = 0x46546C67u, kChunkJson = 0x4E4F534Au, kChunkBin = 0x004E4942u;

uint32_t Word(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

// The text's nesting depth and an upper bound of its values (every value but the first follows
// a comma or opens a bracket), found by one pass over the bytes before the parser builds anything.
void BoundJson(const char* begin, size_t size) {
  int depth = 0;
  size_t values = 1;
  bool inString = false;
  for (const char* at = begin; at < begin + size; ++at) {
    const char c = *at;
    if (inString) {
      if (c == '\\' && at + 1 < begin + size)
        ++at;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth)
        Fail("the JSON nests deeper than " + std::to_string(kMaxJsonDepth));
      ++values;
    } else if (c == ']' || c == '}') {
      --depth;
    } else if (c == ',') {
      ++values;
    }
  }
  if (values > kMaxJsonValues) {
    Fail("the JSON holds more than " + std::to_string(kMaxJsonValues) + " values");
  }
}

void ParseJson(const char* begin, size_t size, JsonTape* tape) {
  BoundJson(begin, size);
  if (!tape->Parse(begin, size)) Fail("the JSON is not well formed");
}

void ReadAccessor(const JsonValue& value, const Place& where, Document* out) {
  const Fields f(value, where);
  Accessor a;
  a.bufferView = f.Index("bufferView");
  a.byteOffset = f.Unsigned("byteOffset", 0);
  a.componentType = static_cast<int>(f.Unsigned("componentType", 0, true));
  if (ComponentBytes(a.componentType) == 0) Fail(f.Where("componentType") + " is unknown");
  a.normalized = f.Bool("normalized");
  a.count = f.Unsigned("count", 0, true);
  a.type = f.String("type");
  a.components = TypeComponents(a.type);
  if (a.components == 0) Fail(f.Where("type") + " is unknown");
  JsonValue sparse = value;
  if (f.Find("sparse", &sparse)) {
    const Place place(&where, "sparse");
    const Fields s(sparse, place);
    a.sparse.count = s.Unsigned("count", 0, true);
    JsonValue indicesValue = sparse, valuesValue = sparse;
    if (!s.Find("indices", &indicesValue) || !s.Find("values", &valuesValue))
      Fail(place.Text() + " lacks indices or values");
    const Place indicesPlace(&place, "indices"), valuesPlace(&place, "values");
    const Fields indices(indicesValue, indicesPlace);
    const Fields values(valuesValue, valuesPlace);
    a.sparse.indicesView = indices.Index("bufferView");
    a.sparse.indicesOffset = indices.Unsigned("byteOffset", 0);
    a.sparse.indicesComponentType = static_cast<int>(indices.Unsigned("componentType", 0, true));
    a.sparse.valuesView = values.Index("bufferView");
    a.sparse.valuesOffset = values.Unsigned("byteOffset", 0);
    if (a.sparse.indicesView < 0 || a.sparse.valuesView < 0) {
      Fail(place.Text() + " names no buffer view");
    }
  }
  out->accessors.push_back(a);
}

// The extension object of a compressed view: where its stream lies and how it is laid out.
void ReadCompressedView(const JsonValue& value, const Place& where, BufferView* view) {
  const Fields f(value, where);
  CompressedView& c = view->meshopt;
  c.buffer = f.Index("buffer");
  if (c.buffer < 0) Fail(f.Where("buffer") + " is missing");
  c.byteOffset = f.Unsigned("byteOffset", 0);
  c.byteLength = f.Unsigned("byteLength", 0, true);
  c.layout.byteStride = f.Unsigned("byteStride", 0, true);
  c.layout.count = f.Unsigned("count", 0, true);
  if (!decode::MeshoptModeFromName(f.String("mode"), &c.layout.mode))
    Fail(f.Where("mode") + " is not ATTRIBUTES, TRIANGLES or INDICES");
  if (f.Has("filter") && !decode::MeshoptFilterFromName(f.String("filter"), &c.layout.filter))
    Fail(f.Where("filter") + " is not NONE, OCTAHEDRAL, QUATERNION or EXPONENTIAL");
  if (!decode::MeshoptLayoutValid(c.layout))
    Fail(where.Text() + " has a mode, filter, byteStride and count that do not go together");
}

// The object of extension `name` among the element's extensions, if it has one.
bool FindExtension(const Fields& f, const Place& where, const char* name, JsonValue* out,
                   Place* place) {
  JsonValue extensions = *out;
  if (!f.Find("extensions", &extensions)) return false;
  *place = Place(&where, "extensions");
  return Fields(extensions, *place).Find(name, out);
}

void ReadNode(const JsonValue& value, const Place& where, Document* out) {
  const Fields f(value, where);
  Node n;
  n.name = f.String("name");
  n.children = f.Indices("children");
  n.mesh = f.Index("mesh");
  n.skin = f.Index("skin");
  n.hasMatrix = f.Numbers("matrix", &n.matrix);
  f.Numbers("translation", &n.translation);
  f.Numbers("rotation", &n.rotation);
  f.Numbers("scale", &n.scale);
  out->nodes.push_back(std::move(n));
}

// The member "attributes" of `object` (read through `f`): semantic -> index, in the order of the
// names, each name's last value, as a map of the members holds them.
std::map<std::string, int> AttributeMap(const JsonValue& object, const Fields& f) {
  std::map<std::string, int> map;
  JsonValue attributes = object;
  if (!f.Find("attributes", &attributes)) return map;
  const Place attributesPlace(&f.place(), "attributes");
  if (!attributes.is_object()) Fail(f.Where("attributes") + " is not a JSON object");
  std::map<std::string, JsonValue> members;
  for (uint32_t at = attributes.First(); at < attributes.End(); at = attributes.NextMember(at))
    members.insert_or_assign(std::string(attributes.At(at).Text()), attributes.At(at + 1));
  for (const auto& [semantic, index] : members)
    map[semantic] = Fields::IndexValue(index, Place(&attributesPlace, &semantic));
  return map;
}

void ReadMesh(const JsonValue& value, const Place& where, Document* out) {
  const Fields f(value, where);
  Mesh m;
  m.name = f.String("name");
  f.Each("primitives", [&](const JsonValue& item, const Place& place) {
    const Fields p(item, place);
    Primitive primitive;
    primitive.attributes = AttributeMap(item, p);
    JsonValue extensions = item, draco = item;
    if (p.Find("extensions", &extensions)) {
      const Place extensionsPlace(&place, "extensions");
      if (Fields(extensions, extensionsPlace).Find("KHR_draco_mesh_compression", &draco)) {
        const Place dracoPlace(&extensionsPlace, "KHR_draco_mesh_compression");
        const Fields d(draco, dracoPlace);
        primitive.draco.bufferView = d.Index("bufferView");
        if (primitive.draco.bufferView < 0) Fail(d.Where("bufferView") + " is missing");
        primitive.draco.attributes = AttributeMap(draco, d);
      }
    }
    primitive.indices = p.Index("indices");
    primitive.material = p.Index("material");
    primitive.mode = static_cast<int>(p.Unsigned("mode", 4));
    if (primitive.mode > 6) Fail(p.Where("mode") + " is not a primitive mode");
    JsonValue targets = item;
    if (p.Find("targets", &targets)) primitive.targets = targets.size();
    m.primitives.push_back(std::move(primitive));
  });
  out->meshes.push_back(std::move(m));
}

// KHR_texture_transform on a texture reference: its offset, rotation, scale and texCoord.
void ReadTextureTransform(const JsonValue& value, const Fields& reference, TextureRef* out) {
  JsonValue extension = value;
  if (!reference.Extension("KHR_texture_transform", &extension)) return;
  const Place extensions(&reference.place(), "extensions");
  const Place place(&extensions, "KHR_texture_transform");
  const Fields t(extension, place);
  out->transformed = true;
  t.Numbers("offset", &out->transform.offset);
  out->transform.rotation = t.Number("rotation", 0);
  t.Numbers("scale", &out->transform.scale);
  if (t.Has("texCoord"))
    out->texCoord = static_cast<int>(std::min<uint64_t>(t.Unsigned("texCoord", 0), 64));
}

void ReadMaterial(const JsonValue& value, const Place& where, Document* out) {
  const Fields f(value, where);
  Material m;
  m.name = f.String("name");
  f.Numbers("emissiveFactor", &m.emissiveFactor);
  JsonValue pbr = value;
  if (f.Find("pbrMetallicRoughness", &pbr)) {
    const Place pbrPlace(&where, "pbrMetallicRoughness");
    const Fields p(pbr, pbrPlace);
    p.Numbers("baseColorFactor", &m.baseColorFactor);
    JsonValue texture = pbr;
    if (p.Find("baseColorTexture", &texture)) {
      const Place texturePlace(&pbrPlace, "baseColorTexture");
      const Fields t(texture, texturePlace);
      m.baseColorTexture.index = t.Index("index");
      m.baseColorTexture.texCoord =
          static_cast<int>(std::min<uint64_t>(t.Unsigned("texCoord", 0), 64));
      ReadTextureTransform(texture, t, &m.baseColorTexture);
    }
  }
  JsonValue extension = value;
  if (f.Extension("KHR_materials_emissive_strength", &extension)) {
    const Place extensions(&where, "extensions");
    const Place place(&extensions, "KHR_materials_emissive_strength");
    const Fields e(extension, place);
    m.emissiveStrength = e.Number("emissiveStrength", 1);
    if (m.emissiveStrength < 0) Fail(e.Where("emissiveStrength") + " is below 0");
  }
  m.unlit = f.Extension("KHR_materials_unlit", &extension);
  out->materials.push_back(std::move(m));
}

void ReadAnimation(const JsonValue& value, const Place& where, Document* out) {
  const Fields f(value, where);
  Animation a;
  a.name = f.String("name");
  f.Each("channels", [&](const JsonValue& item, const Place& place) {
    const Fields c(item, place);
    AnimationChannel channel;
    channel.sampler = c.Index("sampler");
    JsonValue target = item;
    if (c.Find("target", &target)) {
      const Place targetPlace(&place, "target");
      const Fields t(target, targetPlace);
      channel.node = t.Index("node");
      channel.path = t.String("path");
    }
    a.channels.push_back(channel);
  });
  f.Each("samplers", [&](const JsonValue& item, const Place& place) {
    const Fields s(item, place);
    AnimationSampler sampler;
    sampler.input = s.Index("input");
    sampler.output = s.Index("output");
    if (s.Has("interpolation")) sampler.interpolation = s.String("interpolation");
    a.samplers.push_back(sampler);
  });
  out->animations.push_back(std::move(a));
}

std::vector<std::string> Strings(const Fields& f, const char* key) {
  std::vector<std::string> out;
  f.Each(key, [&](const JsonValue& item, const Place& place) {
    if (!item.is_string()) Fail(place.Text() + " is not a string");
    out.emplace_back(item.Text());
  });
  return out;
}

void ReadDocument(const JsonValue& root, Document* out) {
  if (!root.is_object()) Fail("the document is not a JSON object");
  const Place document("");
  const Fields f(root, document);
  JsonValue asset = root;
  if (!f.Find("asset", &asset)) Fail("the document has no \"asset\": not a glTF asset");
  const Place assetPlace("asset");
  const std::string version = Fields(asset, assetPlace).String("version");
  if (version.compare(0, 2, "2.") != 0) Fail("is glTF version \"" + version + "\", not 2.x");
  out->extensionsUsed = Strings(f, "extensionsUsed");
  out->extensionsRequired = Strings(f, "extensionsRequired");
  // Before anything an extension may change is read, buffers included.
  ExtensionCheck check = CheckExtensions(out->extensionsUsed, out->extensionsRequired);
  if (check.status == ExtensionStatus::kRequiredNotRead) {
    std::string names;
    for (const ExtensionUse& use : check.refused)
      names += (names.empty() ? "" : ", ") + use.name + " (" + use.note + ")";
    Fail("requires extensions korva does not read: " + names);
  }
  out->extensions = std::move(check.uses);
  f.Each("buffers", [&](const JsonValue& item, const Place& place) {
    const Fields b(item, place);
    Buffer buffer;
    buffer.byteLength = b.Unsigned("byteLength", 0, true);
    buffer.uri = b.String("uri");
    JsonValue extension = item;
    Place extensionsPlace(&place, "extensions");
    if (FindExtension(b, place, "EXT_meshopt_compression", &extension, &extensionsPlace)) {
      const Place extensionPlace(&extensionsPlace, "EXT_meshopt_compression");
      buffer.fallback = Fields(extension, extensionPlace).Bool("fallback");
    }
    out->buffers.push_back(std::move(buffer));
  });
  f.Each("bufferViews", [&](const JsonValue& item, const Place& place) {
    const Fields v(item, place);
    BufferView view;
    view.buffer = v.Index("buffer");
    view.byteOffset = v.Unsigned("byteOffset", 0);
    view.byteLength = v.Unsigned("byteLength", 0, true);
    const uint64_t stride = v.Unsigned("byteStride", 0);
    if (stride > 252) Fail(v.Where("byteStride") + " is larger than 252");
    view.byteStride = static_cast<uint32_t>(stride);
    JsonValue extension = item;
    Place extensionsPlace(&place, "extensions");
    if (FindExtension(v, place, "EXT_meshopt_compression", &extension, &extensionsPlace)) {
      ReadCompressedView(extension, Place(&extensionsPlace, "EXT_meshopt_compression"), &view);
    }
    out->bufferViews.push_back(std::move(view));
  });
  f.Each("accessors",
         [&](const JsonValue& item, const Place& place) { ReadAccessor(item, place, out); });
  f.Each("meshes", [&](const JsonValue& item, const Place& place) { ReadMesh(item, place, out); });
  f.Each("nodes", [&](const JsonValue& item, const Place& place) { ReadNode(item, place, out); });
  f.Each("materials",
         [&](const JsonValue& item, const Place& place) { ReadMaterial(item, place, out); });
  f.Each("textures", [&](const JsonValue& item, const Place& place) {
    const Fields t(item, place);
    Texture texture{t.Index("source"), t.Index("sampler")};
    JsonValue webp = item;
    if (t.Extension("EXT_texture_webp", &webp)) {
      const Place extensions(&place, "extensions");
      const Place webpPlace(&extensions, "EXT_texture_webp");
      texture.webpSource = Fields(webp, webpPlace).Index("source");
    }
    out->textures.push_back(texture);
  });
  f.Each("images", [&](const JsonValue& item, const Place& place) {
    const Fields i(item, place);
    out->images.push_back(
        {i.String("name"), i.String("uri"), i.Index("bufferView"), i.String("mimeType")});
  });
  f.Each("samplers", [&](const JsonValue& item, const Place& place) {
    const Fields s(item, place);
    out->samplers.push_back(
        {static_cast<int>(std::min<uint64_t>(s.Unsigned("wrapS", 10497), INT_MAX)),
         static_cast<int>(std::min<uint64_t>(s.Unsigned("wrapT", 10497), INT_MAX))});
  });
  f.Each("skins", [&](const JsonValue& item, const Place& place) {
    const Fields s(item, place);
    out->skins.push_back({s.String("name"), s.Indices("joints"), s.Index("inverseBindMatrices")});
  });
  f.Each("animations",
         [&](const JsonValue& item, const Place& place) { ReadAnimation(item, place, out); });
  f.Each("scenes", [&](const JsonValue& item, const Place& place) {
    out->scenes.push_back(Fields(item, place).Indices("nodes"));
  });
  out->scene = f.Index("scene");
}

// Every buffer's bytes: the .glb binary chunk, a data URI or a file beside the asset. A buffer
// that only compressed views name, marked as their fallback or without data of its own, is not
// read: their streams hold its bytes.
void LoadBuffers(const uint8_t* bin, size_t binSize, const ResourceReader& read, Document* out) {
  std::vector<bool> namedByPlainView(out->buffers.size(), false);
  for (const BufferView& view : out->bufferViews) {
    if (view.meshopt.buffer < 0 && view.buffer >= 0 &&
        static_cast<size_t>(view.buffer) < out->buffers.size()) {
      namedByPlainView[static_cast<size_t>(view.buffer)] = true;
    }
  }
  for (size_t i = 0; i < out->buffers.size(); ++i) {
    Buffer& buffer = out->buffers[i];
    const std::string where = "buffers[" + std::to_string(i) + "]";
    size_t available = 0;
    const bool withoutData = buffer.uri.empty() && (i != 0 || !bin);
    if (!namedByPlainView[i] && (buffer.fallback || withoutData)) {
      buffer.fallback = true;
      continue;
    }
    if (buffer.uri.empty()) {
      if (withoutData) {
        Fail(where + " has no uri and no binary chunk holds it" +
             (buffer.fallback
                  ? " (an EXT_meshopt_compression fallback named by a view that is not compressed)"
                  : ""));
      }
      buffer.data = bin;
      available = binSize;
    } else if (IsDataUri(buffer.uri)) {
      std::string problem, mediaType;
      if (!DecodeDataUri(buffer.uri, &buffer.owned, &mediaType, &problem)) {
        Fail(where + ".uri " + problem);
      }
      buffer.data = buffer.owned.data();
      available = buffer.owned.size();
    } else {
      std::string path, problem;
      if (!UriToRelativePath(buffer.uri, &path, &problem)) {
        Fail(where + ".uri \"" + buffer.uri + "\" " + problem);
      }
      if (!read || !read(path, &buffer.owned, &problem)) {
        Fail(where + ": " + path + ": " + (problem.empty() ? "cannot be read" : problem));
      }
      buffer.data = buffer.owned.data();
      available = buffer.owned.size();
      out->assetBytes += available;
    }
    if (buffer.byteLength > available) {
      Fail(where + " holds " + std::to_string(available) + " bytes, fewer than its byteLength " +
           std::to_string(buffer.byteLength));
    }
  }
}

}  // namespace

bool ParseDocument(const uint8_t* bytes, size_t size, const ResourceReader& read, Document* out,
                   std::string* error, std::vector<std::string>* warnings) {
  try {
    *out = Document();
    out->assetBytes = size;
    const uint8_t* text = bytes;
    size_t textSize = size;
    const uint8_t* bin = nullptr;
    size_t binSize = 0;
    if (size >= 4 && Word(bytes) == kGlbMagic) {
      // The container's lengths are checked against the file before anything is sized by them.
      if (size < 20) Fail("the .glb header is cut short");
      if (Word(bytes + 4) != 2)
        Fail("is a .glb container of version " + std::to_string(Word(bytes + 4)) + ", not 2");
      const uint64_t total = Word(bytes + 8);
      if (total > size)
        Fail("the .glb file is cut short (" + std::to_string(size) + " of " +
             std::to_string(total) + " bytes)");
      if (total < size)
        warnings->push_back(std::to_string(size - total) +
                            " bytes after the .glb container ignored");
      const uint64_t jsonLength = Word(bytes + 12);
      if (Word(bytes + 16) != kChunkJson)
        Fail("the .glb container does not start with its JSON chunk");
      if (20 + jsonLength > total) Fail("the .glb JSON chunk runs past the container");
      text = bytes + 20;
      textSize = static_cast<size_t>(jsonLength);
      uint64_t at = 20 + ((jsonLength + 3) & ~uint64_t{3});
      if (at + 8 <= total && Word(bytes + at + 4) == kChunkBin) {
        const uint64_t length = Word(bytes + at);
        if (at + 8 + length > total) Fail("the .glb binary chunk runs past the container");
        bin = bytes + at + 8;
        binSize = static_cast<size_t>(length);
      }
    }
    JsonTape tape;
    ParseJson(reinterpret_cast<const char*>(text), textSize, &tape);
    ReadDocument(tape.Root(), out);
    for (const ExtensionUse& use : out->extensions) {
      if (IsLeftOut(use)) warnings->push_back(use.name + " is used but left out: " + use.note);
    }
    LoadBuffers(bin, binSize, read, out);
    return true;
  } catch (const ParseError& failure) {
    *error = failure.text;
  } catch (const std::bad_alloc&) {
    *error = "not enough memory to read the asset";
  }
  return false;
}

}  // namespace korva::gltf::doc

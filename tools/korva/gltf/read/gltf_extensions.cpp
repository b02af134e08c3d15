#include "gltf/read/gltf_extensions.h"

#include <algorithm>

#include "gltf/decode/draco_primitive.h"

namespace korva::gltf::doc {
namespace {

struct KnownExtension {
  const char* name;
  ExtensionFate fate;
  const char* note;
};

constexpr const char* kNoMaterialPlace = "the host's material has no place for it";

// A build without a decoder (Draco is optional) leaves its extension out, so that a file which
// requires it is refused by name rather than read as the zeros its accessors would give.
const KnownExtension kKnown[] = {
    {"KHR_mesh_quantization", ExtensionFate::kRead, "quantized attributes read as their values"},
    {"KHR_texture_transform", ExtensionFate::kRead,
     "the base colour texture's transform applied to the texture coordinates"},
    {"EXT_texture_webp", ExtensionFate::kRead, "WebP images written beside the DBO file as PNG"},
    {"KHR_materials_emissive_strength", ExtensionFate::kRead,
     "the emissive colour scaled by the strength"},
    {"KHR_materials_unlit", ExtensionFate::kRead,
     "the base colour is the diffuse colour; the engine still lights the mesh"},
    {"KHR_draco_mesh_compression", ExtensionFate::kDecoded,
     "compressed primitives decoded with libdraco"},
    {"EXT_meshopt_compression", ExtensionFate::kDecoded,
     "compressed buffer views decoded as they are first read"},
    {"KHR_texture_basisu", ExtensionFate::kLeftOut,
     "KTX2 images are not decoded; a texture's fallback image is used where it has one"},
    {"EXT_texture_avif", ExtensionFate::kLeftOut,
     "AVIF images are not decoded; a texture's fallback image is used where it has one"},
    {"MSFT_texture_dds", ExtensionFate::kLeftOut,
     "DDS images are not used; a texture's fallback image is used where it has one"},
    {"KHR_lights_punctual", ExtensionFate::kLeftOut, "the host object has no lights"},
    {"EXT_lights_image_based", ExtensionFate::kLeftOut, "the host object has no lights"},
    {"KHR_materials_pbrSpecularGlossiness", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_clearcoat", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_sheen", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_specular", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_transmission", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_volume", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_ior", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_iridescence", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_anisotropy", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_dispersion", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_diffuse_transmission", ExtensionFate::kLeftOut, kNoMaterialPlace},
    {"KHR_materials_variants", ExtensionFate::kLeftOut,
     "the object keeps each primitive's own material"},
    {"EXT_mesh_gpu_instancing", ExtensionFate::kLeftOut,
     "instances are not made; each mesh appears once, on its node"},
    {"KHR_animation_pointer", ExtensionFate::kLeftOut,
     "only the nodes' transforms are animated in the host"},
    {"KHR_xmp_json_ld", ExtensionFate::kLeftOut, "metadata the host object does not keep"},
    {"KHR_xmp", ExtensionFate::kLeftOut, "metadata the host object does not keep"},
};

ExtensionUse Use(const std::string& name, bool required) {
  ExtensionUse use;
  use.name = name;
  use.required = required;
  const auto known = std::find_if(std::begin(kKnown), std::end(kKnown),
                                  [&](const KnownExtension& k) { return name == k.name; });
  if (known == std::end(kKnown)) {
    use.fate = ExtensionFate::kUnknown;
    use.note = "korva does not know it";
  } else if (name == "KHR_draco_mesh_compression" && !decode::DracoAvailable()) {
    use.fate = ExtensionFate::kLeftOut;
    use.note = "its decoder is not in this build of korva";
  } else {
    use.fate = known->fate;
    use.note = known->note;
  }
  return use;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

ExtensionCheck CheckExtensions(const std::vector<std::string>& used,
                               const std::vector<std::string>& required) {
  ExtensionCheck check;
  std::vector<std::string> seen;
  const auto add = [&](const std::string& name) {
    if (Contains(seen, name)) return;
    seen.push_back(name);
    check.uses.push_back(Use(name, Contains(required, name)));
    if (check.uses.back().required && IsLeftOut(check.uses.back())) {
      check.refused.push_back(check.uses.back());
    }
  };
  for (const std::string& name : used) add(name);
  for (const std::string& name : required) add(name);
  if (!check.refused.empty()) check.status = ExtensionStatus::kRequiredNotRead;
  return check;
}

const char* FateName(ExtensionFate fate) {
  switch (fate) {
    case ExtensionFate::kRead:
      return "read";
    case ExtensionFate::kDecoded:
      return "decoded";
    case ExtensionFate::kLeftOut:
      return "left out";
    case ExtensionFate::kUnknown:
      break;
  }
  return "unknown";
}

}  // namespace korva::gltf::doc

// Writes the seed corpora of the fuzz targets: make_fuzz_seeds OUTPUT_DIR writes
// OUTPUT_DIR/<target>/<name> for every target. MS3D seeds are the generated models and the small
// real models; DBO seeds are the sample object's block and the blocks of those models imported
// on the standalone host.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/exports.h"
#include "model/host_heap.h"
#include "standalone/standalone_host.h"
#include "support/generated_models.h"
#include "unit/dbo/sample_objects.h"

namespace {
using korva::testing::NamedBytes;

// Larger real models would slow every mutation down; they are tested whole by the hardening tests.
constexpr size_t kLargestSeed = 16 * 1024;

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::vector<uint8_t> ImportedBlock(const std::vector<uint8_t>& model, const std::string& scratch) {
  std::vector<uint8_t> block;
  if (!WriteFile(scratch, model)) return block;
  korva::standalone::StandaloneHost host;
  host.Bind();
  LoadMilkshape(korva::ToHostAddress(scratch.c_str()), 1);
  korva::HostAddress address = 0;
  uint32_t size = 0;
  if (korva::sObject* object = host.GetObject(1)) {
    if (DBOConvertObjectToBlock(object, &address, &size)) {
      const auto* bytes = korva::FromHostAddress<const uint8_t>(address);
      block.assign(bytes, bytes + size);
      korva::HostFree(const_cast<uint8_t*>(bytes));
    }
  }
  std::remove(scratch.c_str());
  return block;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUTPUT_DIR\n");
    return 2;
  }
  const std::string out = argv[1];
  std::vector<NamedBytes> models = korva::testing::GeneratedMs3dModels();
  for (NamedBytes& shared : korva::testing::SharedMs3dModels()) {
    if (shared.bytes.size() <= kLargestSeed) models.push_back(std::move(shared));
  }
  std::vector<NamedBytes> blocks;
  blocks.push_back(
      {"sample_object", korva::testing::WriteBlock(*korva::testing::MakeSampleObject())});
  for (const NamedBytes& model : models) {
    std::vector<uint8_t> block = ImportedBlock(model.bytes, out + "/.scratch.ms3d");
    if (!block.empty() && block.size() <= kLargestSeed) blocks.push_back({model.name, block});
  }

  int written = 0;
  auto writeAll = [&](const std::string& target, const std::vector<NamedBytes>& seeds) {
    const std::string folder = out + "/" + target;
    ::mkdir(folder.c_str(), 0755);
    for (const NamedBytes& seed : seeds) {
      if (!WriteFile(folder + "/" + seed.name, seed.bytes)) {
        std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), seed.name.c_str());
        return false;
      }
      ++written;
    }
    return true;
  };
  if (!writeAll("ms3d_reader", models) || !writeAll("import", models) ||
      !writeAll("dbo_reader", blocks) || !writeAll("dbo_round_trip", blocks)) {
    return 1;
  }
  std::printf("%d seeds written to %s\n", written, out.c_str());
  return 0;
}

// Compares the DBO files the two builds wrote for the same models. Every file pair must have the
// same shape; its float fields may differ by at most --max-ulp units in the last place (of the
// value, or of 1 for values below 1: see ScaledUlpDistance), and once
// the second file's floats are copied into the first object, writing that object again must give
// the second file byte for byte: nothing but float values may differ. Prints, per field, how many
// values differ and the largest difference in ULPs, and ends with "N passed, M failed" (one per
// file).
//
// Usage: korva_dbo_compare [--max-ulp N] FIRST_FOLDER SECOND_FOLDER
//   (every *.dbo of FIRST_FOLDER against the file of the same name in SECOND_FOLDER)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "float_fields.h"
#include "host/exports.h"
#include "model/host_heap.h"
#include "standalone/standalone_host.h"
#include "ulp_distance.h"

namespace {
namespace fs = std::filesystem;
using korva::crosscheck::UlpDistance;

struct FieldStats {
  int64_t values = 0;
  int64_t differing = 0;
  int64_t maxUlp = 0;
  double maxScaledUlp = 0.0;
  float maxUlpFirst = 0.0f;
  float maxUlpSecond = 0.0f;
};

class Measure final : public korva::crosscheck::FloatFieldVisitor {
 public:
  explicit Measure(std::map<std::string, FieldStats>& stats) : stats_(stats) {}
  void Floats(const char* field, float* first, const float* second, int count) override {
    FieldStats& s = stats_[field];
    for (int i = 0; i < count; ++i) {
      ++s.values;
      const int64_t ulp = UlpDistance(first[i], second[i]);
      if (ulp != 0) ++s.differing;
      s.maxScaledUlp =
          std::max(s.maxScaledUlp, korva::crosscheck::ScaledUlpDistance(first[i], second[i]));
      if (ulp > s.maxUlp) {
        s.maxUlp = ulp;
        s.maxUlpFirst = first[i];
        s.maxUlpSecond = second[i];
      }
      first[i] = second[i];
    }
  }

 private:
  std::map<std::string, FieldStats>& stats_;
};

bool ReadFile(const fs::path& path, std::vector<char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

korva::sObject* Load(const std::vector<char>& bytes) {
  korva::sObject* object = nullptr;
  const auto address = korva::ToHostAddress(bytes.data());
  if (!DBOConvertBlockToObject(address, static_cast<uint32_t>(bytes.size()), &object))
    return nullptr;
  return object;
}

// Empty when the pair passes; otherwise why not.
std::string ComparePair(const fs::path& first, const fs::path& second, double maxUlp,
                        std::map<std::string, FieldStats>& fileStats) {
  std::vector<char> a, b;
  if (!ReadFile(first, a)) return "cannot read " + first.string();
  if (!ReadFile(second, b)) return "cannot read " + second.string();
  if (a == b) return "";
  if (a.size() != b.size())
    return "sizes differ: " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
  korva::sObject* objectA = Load(a);
  korva::sObject* objectB = Load(b);
  std::string problem;
  if (!objectA || !objectB) problem = "not a readable DBO file";
  Measure measure(fileStats);
  if (problem.empty()) problem = korva::crosscheck::VisitFloatFields(objectA, objectB, measure);
  if (problem.empty()) {
    korva::HostAddress block = 0;
    uint32_t size = 0;
    if (!DBOConvertObjectToBlock(objectA, &block, &size)) {
      problem = "cannot write the patched object";
    } else {
      const auto* patched = korva::FromHostAddress<const char>(block);
      if (size != b.size() || std::memcmp(patched, b.data(), size) != 0) {
        size_t at = 0;
        while (at < size && at < b.size() && patched[at] == b[at]) ++at;
        problem = "differs outside float fields, first at byte " + std::to_string(at);
      }
      korva::HostFree(korva::FromHostAddress<void>(block));
    }
  }
  korva::standalone::StandaloneHost::ReleaseWholeObject(objectA);
  korva::standalone::StandaloneHost::ReleaseWholeObject(objectB);
  if (!problem.empty()) return problem;
  for (const auto& [field, s] : fileStats) {
    if (s.maxScaledUlp > maxUlp)
      problem += (problem.empty() ? "" : "; ") + field + " differs by " +
                 std::to_string(s.maxScaledUlp) + " ULP at unit scale";
  }
  return problem;
}

void PrintStats(const std::map<std::string, FieldStats>& stats, const char* indent) {
  for (const auto& [field, s] : stats) {
    if (s.differing == 0) continue;
    std::printf(
        "%s%-20s %6lld of %6lld values differ; max %.2f ULP at unit scale, max %lld ULP of the "
        "value (%.9g vs %.9g)\n",
        indent, field.c_str(), static_cast<long long>(s.differing),
        static_cast<long long>(s.values), s.maxScaledUlp, static_cast<long long>(s.maxUlp),
        static_cast<double>(s.maxUlpFirst), static_cast<double>(s.maxUlpSecond));
  }
}
}  // namespace

int main(int argc, char** argv) {
  double maxUlp = 0.0;
  std::vector<std::string> folders;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--max-ulp") == 0 && i + 1 < argc)
      maxUlp = std::atof(argv[++i]);
    else
      folders.push_back(argv[i]);
  }
  if (folders.size() != 2) {
    std::fprintf(stderr, "usage: korva_dbo_compare [--max-ulp N] FIRST_FOLDER SECOND_FOLDER\n");
    return 2;
  }
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folders[0], error)) {
    if (entry.path().extension() == ".dbo") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  int passed = 0, failed = 0;
  std::map<std::string, FieldStats> all;
  for (const fs::path& file : files) {
    std::map<std::string, FieldStats> stats;
    const std::string problem =
        ComparePair(file, fs::path(folders[1]) / file.filename(), maxUlp, stats);
    int64_t differing = 0;
    for (const auto& [field, s] : stats) {
      differing += s.differing;
      FieldStats& total = all[field];
      total.values += s.values;
      total.differing += s.differing;
      total.maxScaledUlp = std::max(total.maxScaledUlp, s.maxScaledUlp);
      if (s.maxUlp > total.maxUlp) {
        total.maxUlp = s.maxUlp;
        total.maxUlpFirst = s.maxUlpFirst;
        total.maxUlpSecond = s.maxUlpSecond;
      }
    }
    const char* verdict = problem.empty() ? "[       OK ]" : "[  FAILED  ]";
    std::printf("%s %s: %s\n", verdict, file.filename().string().c_str(),
                !problem.empty() ? problem.c_str()
                : differing == 0 ? "byte-identical"
                                 : "identical but for float values");
    PrintStats(stats, "      ");
    (problem.empty() ? passed : failed)++;
  }
  if (files.empty()) {
    std::printf("[  FAILED  ] no .dbo files in %s\n", folders[0].c_str());
    ++failed;
  }
  std::printf("fields that differ over all files (bound %.2f ULP at unit scale):\n", maxUlp);
  PrintStats(all, "  ");
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

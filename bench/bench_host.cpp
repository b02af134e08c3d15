#include "bench_host.h"

#include <map>
#include <utility>

#include "host/exports.h"
#include "platform/notice.h"

namespace korva::bench {
namespace {

void DropNotice(const char*, const char*, void*) {}

}  // namespace

standalone::StandaloneHost& Host() {
  static standalone::StandaloneHost* host = [] {
    auto* created = new standalone::StandaloneHost();
    created->Bind();
    // After the host's own collecting sink: a run of thousands of imports keeps no notices.
    platform::SetNoticeSink(DropNotice, nullptr);
    return created;
  }();
  return *host;
}

sObject* ImportFile(const char* path, int32_t number) {
  standalone::StandaloneHost& host = Host();  // bound before the plug-in is called
  LoadMilkshape(korva::ToHostAddress(path), number);
  return host.GetObject(number);
}

sObject* ImportedObject(ModelKind kind, int size) {
  static std::map<std::pair<ModelKind, int>, int32_t> numbers;
  static int32_t next = 100;
  const auto key = std::make_pair(kind, size);
  auto found = numbers.find(key);
  if (found == numbers.end()) {
    const int32_t number = next++;
    ImportFile(GetModelFile(kind, size).path.c_str(), number);
    found = numbers.emplace(key, number).first;
  }
  return Host().GetObject(found->second);
}

}  // namespace korva::bench

// The glTF reader's JSON tape against nlohmann-json on any bytes: both accept the same texts, and
// read each to the same values (kinds of number, bits of every double, decoded string bytes, an
// object's last value for a repeated key, sizes), so the reader's checks and messages are those it
// had when nlohmann-json built its document.
#include <cstdint>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "gltf/read/gltf_json_tape.h"

namespace {

using korva::gltf::doc::JsonValue;
using nlohmann::json;

void Same(bool same, const char* what) {
  if (!same) korva::fuzz::Fail(std::string("the tape and nlohmann-json differ: ") + what);
}

void Compare(const json& expected, const JsonValue& value) {
  std::vector<std::pair<const json*, JsonValue>> pending{{&expected, value}};
  while (!pending.empty()) {
    const json& e = *pending.back().first;
    const JsonValue v = pending.back().second;
    pending.pop_back();
    Same(e.is_null() == v.is_null() && e.is_boolean() == v.is_boolean() &&
             e.is_number() == v.is_number() && e.is_number_integer() == v.is_number_integer() &&
             e.is_number_unsigned() == v.is_number_unsigned() && e.is_string() == v.is_string() &&
             e.is_array() == v.is_array() && e.is_object() == v.is_object(),
         "kind");
    Same(e.size() == v.size(), "size");
    if (e.is_boolean()) Same(e.get<bool>() == v.AsBool(), "boolean");
    if (e.is_number_integer()) {
      Same(e.get<int64_t>() == v.AsInt64() && e.get<uint64_t>() == v.AsUint64(), "integer");
    }
    if (e.is_number()) {
      const double a = e.get<double>(), b = v.AsDouble();
      Same(std::memcmp(&a, &b, sizeof a) == 0, "number");
    }
    if (e.is_string()) Same(e.get_ref<const std::string&>() == v.Text(), "string");
    if (e.is_array()) {
      size_t i = 0;
      for (uint32_t at = v.First(); at < v.End(); at = v.Next(at))
        pending.emplace_back(&e[i++], v.At(at));
    }
    if (e.is_object()) {
      std::map<std::string, JsonValue> members;
      for (uint32_t at = v.First(); at < v.End(); at = v.NextMember(at))
        members.insert_or_assign(std::string(v.At(at).Text()), v.At(at + 1));
      auto member = members.begin();
      for (const auto& [key, item] : e.items()) {
        Same(member != members.end() && member->first == key, "keys");
        JsonValue found = v;
        Same(v.Find(key, &found) && found.First() == member->second.First(), "member found");
        pending.emplace_back(&item, member->second);
        ++member;
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korva::fuzz::CountedRun run(size);
  const char* text = reinterpret_cast<const char*>(data);
  const json expected = json::parse(text, text + size, nullptr, false);
  korva::gltf::doc::JsonTape tape;
  const bool parsed = tape.Parse(text, size);
  Same(parsed == !expected.is_discarded(),
       parsed ? "accepted only by the tape" : "refused only by the tape");
  if (parsed) Compare(expected, tape.Root());
  return 0;
}

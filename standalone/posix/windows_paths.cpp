// Directory entries carry 64-bit inode numbers on many file systems; without this a 32-bit build's
// stat and readdir fail on them with EOVERFLOW and a present file would look absent.
#define _FILE_OFFSET_BITS 64

#include "standalone/windows_paths.h"

#include <sys/stat.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "standalone/posix/folder_listings.h"

namespace korva::standalone {
namespace {
bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The components left once "." is dropped and ".." has taken away the one before it, as Windows
// does on the text alone: "missing\..\x" names x whether or not "missing" exists. ".." at the
// root stays there; at the start of a relative path it is kept and leads out of the current
// directory. The components are parts of `path`.
std::vector<std::string_view> NormalComponents(std::string_view path, bool absolute) {
  std::vector<std::string_view> components;
  components.reserve(static_cast<size_t>(std::count_if(path.begin(), path.end(), IsSeparator) + 1));
  size_t start = 0;
  while (start < path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string_view component = path.substr(start, end - start);
    start = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (!components.empty() && components.back() != "..") {
        components.pop_back();
      } else if (!absolute) {
        components.push_back(component);
      }
      continue;
    }
    components.push_back(component);
  }
  return components;
}

// Whether `path` names something, with its status (links followed: a folder's status is that
// of the folder its entries are read from).
bool StatusOf(const std::string& path, struct stat& status) {
  return ::stat(path.c_str(), &status) == 0;
}

// `folder`, or "." for the current directory that an empty one stands for (no copy either way).
const std::string& FolderPath(const std::string& folder) {
  static const std::string current = ".";
  return folder.empty() ? current : folder;
}

// `folder` with `entry` added as its last component ("" is the current directory).
std::string Within(const std::string& folder, std::string_view entry) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += entry;
  return path;
}

// The entry of `directory` that `name` names: itself when present, otherwise the one its listing
// holds equal to it ignoring case.
std::optional<std::string> EntryNamed(const std::string& directory, std::string_view name) {
  struct stat status;
  if (name == ".." || StatusOf(Within(directory, name), status)) return std::string(name);
  if (!StatusOf(directory, status)) return std::nullopt;
  return ListedEntryIgnoringCase(directory, status, std::string(name));
}

// The path `resolved` (the folder holding components[from], "" for the current directory) walked
// on through the rest of the components: each as written when it is there, else as its folder's
// listing finds it.
std::optional<std::string> WalkedOn(const std::vector<std::string_view>& components, size_t from,
                                    std::string resolved) {
  for (size_t k = from; k < components.size(); ++k) {
    const std::optional<std::string> entry =
        EntryNamed(FolderPath(resolved), components[k]);
    if (!entry) return std::nullopt;
    resolved = Within(resolved, *entry);
  }
  return resolved.empty() ? "." : resolved;
}
}  // namespace

std::optional<std::string> ResolveWindowsPath(const std::string& path) {
  // On Windows a colon only ever follows a drive letter or leads to a file's stream; Linux has
  // neither, and read as part of a name the path could find an unrelated folder named "C:".
  if (path.empty() || path.find(':') != std::string::npos) return std::nullopt;
  const bool absolute = IsSeparator(path[0]);
  const std::vector<std::string_view> components = NormalComponents(path, absolute);
  const size_t count = components.size();
  if (count == 0) return absolute ? "/" : ".";
  // The path as written, separated by "/": its first k components end at ends[k].
  std::string written = absolute ? "/" : "";
  written.reserve(path.size() + 1);
  std::vector<size_t> ends;
  ends.reserve(count + 1);
  ends.push_back(written.size());
  for (size_t k = 0; k < count; ++k) {
    if (k > 0) written += '/';
    written += components[k];
    ends.push_back(written.size());
  }
  std::string prefix;
  const auto leading = [&](size_t k) -> const std::string& {
    return prefix.assign(written, 0, ends[k]);
  };
  // The deepest folder on the way whose listing is kept, when it is unchanged, answers for the
  // component in it with one stat: a texture missing from a model's folder costs that, whatever
  // the levels of the path that are missing too.
  for (size_t k = count; k-- > 0;) {
    const std::string& folder = leading(k);
    std::optional<std::string> entry;
    const KeptListing kept =
        KeptEntryIgnoringCase(FolderPath(folder), std::string(components[k]), entry);
    if (kept == KeptListing::kChanged) break;
    if (kept == KeptListing::kAnswered) {
      if (!entry) return std::nullopt;
      return WalkedOn(components, k + 1, Within(folder, *entry));
    }
  }
  // Otherwise the walk takes a component as written whenever it exists, so it passes through the
  // longest leading part of the path that exists as written. Found from the end (one lookup a
  // missing level), that part is where the walk starts, rather than the root (one lookup a
  // folder): a path that exists as written costs one lookup, one whose folder does one more.
  struct stat status;
  size_t existing = count;
  while (existing > 0 && !StatusOf(leading(existing), status)) --existing;
  if (existing == count) return written;
  if (existing == 0) leading(0);
  // The next component is not there as written: only a listing can find it, and the folder's
  // status is at hand (the start of a relative path aside).
  const std::string& folder = FolderPath(prefix);
  if (existing == 0 && !StatusOf(folder, status)) return std::nullopt;
  const std::optional<std::string> entry =
      components[existing] == ".."
          ? std::optional<std::string>("..")
          : ListedEntryIgnoringCase(folder, status, std::string(components[existing]));
  if (!entry) return std::nullopt;
  return WalkedOn(components, existing + 1, Within(prefix, *entry));
}

}  // namespace korva::standalone

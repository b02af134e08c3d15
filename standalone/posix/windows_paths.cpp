// Directory entries carry 64-bit inode numbers on many file systems; without this a 32-bit build's
// lstat and readdir fail on them with EOVERFLOW and a present file would look absent.
#define _FILE_OFFSET_BITS 64

#include "standalone/windows_paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

namespace korva::standalone {
namespace {
bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The components left once "." is dropped and ".." has taken away the one before it, as Windows
// does on the text alone: "missing\..\x" names x whether or not "missing" exists. ".." at the
// root stays there; at the start of a relative path it is kept and leads out of the current
// directory.
std::vector<std::string> NormalComponents(const std::string& path, bool absolute) {
  std::vector<std::string> components;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string component = path.substr(start, end - start);
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

bool Exists(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0;
}

// The first entry of `directory` in byte order that equals `name` ignoring ASCII case; nothing
// when there is none or the directory cannot be read.
std::optional<std::string> ListedEntry(const std::string& directory, const std::string& name) {
  // Closed on every way out: a failed allocation below throws through here.
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(directory.c_str()), ::closedir);
  if (!listing) return std::nullopt;
  std::optional<std::string> chosen;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string candidate = entry->d_name;
    if (EqualIgnoringAsciiCase(candidate, name) && (!chosen || candidate < *chosen)) {
      chosen = candidate;
    }
  }
  return chosen;
}

// The entry of `directory` that `name` names: itself when present, otherwise ListedEntry.
std::optional<std::string> EntryNamed(const std::string& directory, const std::string& name) {
  if (name == ".." || Exists(directory + "/" + name)) return name;
  return ListedEntry(directory, name);
}

// The first `count` components as one path, each as written.
std::string Joined(const std::vector<std::string>& components, size_t count, bool absolute) {
  std::string joined = absolute ? "/" : "";
  for (size_t k = 0; k < count; ++k) {
    if (k > 0) joined += '/';
    joined += components[k];
  }
  return joined;
}
}  // namespace

std::optional<std::string> ResolveWindowsPath(const std::string& path) {
  // On Windows a colon only ever follows a drive letter or leads to a file's stream; Linux has
  // neither, and read as part of a name the path could find an unrelated folder named "C:".
  if (path.empty() || path.find(':') != std::string::npos) return std::nullopt;
  const bool absolute = IsSeparator(path[0]);
  const std::vector<std::string> components = NormalComponents(path, absolute);
  const size_t count = components.size();
  // The walk below takes a component as written whenever it exists, so it passes through the
  // longest leading part of the path that exists as written. Found from the end (one lookup a
  // missing level), that part is where the walk starts, rather than the root (one lookup a
  // folder): a path that exists as written costs one lookup, one whose folder does one more.
  size_t existing = count;
  std::string resolved;
  for (; existing > 0; --existing) {
    resolved = Joined(components, existing, absolute);
    if (Exists(resolved)) break;
  }
  if (existing == 0) resolved = absolute ? "/" : "";
  for (size_t k = existing; k < count; ++k) {
    const std::string directory = resolved.empty() ? "." : resolved;
    // The first component after that part is not there as written: only a listing can find it.
    const std::optional<std::string> entry = k == existing && components[k] != ".."
                                                 ? ListedEntry(directory, components[k])
                                                 : EntryNamed(directory, components[k]);
    if (!entry) return std::nullopt;
    if (!resolved.empty() && resolved.back() != '/') resolved += '/';
    resolved += *entry;
  }
  if (resolved.empty()) resolved = ".";
  return resolved;
}

}  // namespace korva::standalone

#include "standalone/posix/folder_listings.h"

#include <dirent.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "standalone/windows_paths.h"

namespace korva::standalone {
namespace {

constexpr size_t kFoldersKept = 32;
// Entries kept over all folders: a few megabytes at most.
constexpr size_t kEntriesKept = 65536;
constexpr time_t kSettledSeconds = 2;

std::string AsciiLowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// A folder as it was when read: a change to its entries gives it another change time, and a
// folder replaced by another has another inode or device.
struct Stamp {
  dev_t device;
  ino_t inode;
  timespec modified;
  timespec changed;
};

Stamp StampOf(const struct stat& status) {
  return {status.st_dev, status.st_ino, status.st_mtim, status.st_ctim};
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool SameFolder(const Stamp& a, const Stamp& b) {
  return a.device == b.device && a.inode == b.inode;
}

bool SameState(const Stamp& a, const Stamp& b) {
  return SameFolder(a, b) && SameTime(a.modified, b.modified) && SameTime(a.changed, b.changed);
}

// Whether both time stamps lie at least kSettledSeconds before `now` (whole seconds compared,
// which only ever waits longer).
bool Settled(const Stamp& stamp, const timespec& now) {
  return stamp.changed.tv_sec + kSettledSeconds < now.tv_sec &&
         stamp.modified.tv_sec + kSettledSeconds < now.tv_sec;
}

// A folder's entries as (name in lower case, name), in order: of the names one lower-case name
// stands for, the first in byte order comes first.
using Entries = std::vector<std::pair<std::string, std::string>>;

// The entry named `name` exactly, else the first equal to it ignoring case (`lowered` is `name` in
// lower case).
std::optional<std::string> EntryOf(const Entries& entries, const std::string& name,
                                   const std::string& lowered) {
  auto at = std::lower_bound(
      entries.begin(), entries.end(), lowered,
      [](const Entries::value_type& entry, const std::string& key) { return entry.first < key; });
  if (at == entries.end() || at->first != lowered) return std::nullopt;
  for (auto same = at; same != entries.end() && same->first == lowered; ++same) {
    if (same->second == name) return name;
  }
  return at->second;
}

struct Listing {
  std::string path;  // the path it was last read or asked for through
  Stamp stamp;
  Entries entries;
  uint64_t lastUse;
};

struct Kept {
  std::mutex mutex;
  std::vector<Listing> listings;
  size_t entries = 0;
  uint64_t uses = 0;
  std::atomic<size_t> reads{0};
};

Kept& KeptListings() {
  static Kept kept;
  return kept;
}

// The lookups of one import on this thread (BeginPathLookups): the folders found unchanged since
// it began, each with the stamp it had then.
using Checked = std::pair<std::string, Stamp>;
struct Batch {
  int depth = 0;
  std::vector<Checked> checked;
};

thread_local Batch t_batch;

bool CheckedInBatch(const std::string& folder, const Stamp& stamp) {
  for (const auto& [path, was] : t_batch.checked) {
    if (path == folder && SameState(was, stamp)) return true;
  }
  return false;
}

// Keeps `entries` as the listing of the folder `stamp` names, in place of any older one of it or
// of a folder once under the same path (replaced since: found first by its path, it would cost a
// stat at every lookup through that path), dropping the least recently used listings where the
// bounds need room.
void Keep(Kept& kept, const std::string& path, const Stamp& stamp, Entries entries) {
  std::vector<Listing>& listings = kept.listings;
  const auto drop = [&kept, &listings](std::vector<Listing>::iterator at) {
    kept.entries -= at->entries.size();
    return listings.erase(at);
  };
  for (auto at = listings.begin(); at != listings.end();) {
    at = SameFolder(at->stamp, stamp) || at->path == path ? drop(at) : at + 1;
  }
  while (!listings.empty() &&
         (listings.size() >= kFoldersKept || kept.entries + entries.size() > kEntriesKept)) {
    drop(std::min_element(listings.begin(), listings.end(), [](const Listing& a, const Listing& b) {
      return a.lastUse < b.lastUse;
    }));
  }
  kept.entries += entries.size();
  listings.push_back({path, stamp, std::move(entries), ++kept.uses});
}

// The listing kept for the folder in the state `stamp` names, marked as used; null when there is
// none. Called with the mutex held.
Listing* KeptFor(Kept& kept, const Stamp& stamp) {
  for (Listing& listing : kept.listings) {
    if (!SameState(listing.stamp, stamp)) continue;
    listing.lastUse = ++kept.uses;
    return &listing;
  }
  return nullptr;
}

}  // namespace

std::optional<std::string> ListedEntryIgnoringCase(const std::string& folder,
                                                   const struct stat& status,
                                                   const std::string& name) {
  Kept& kept = KeptListings();
  const std::string lowered = AsciiLowered(name);
  const Stamp stamp = StampOf(status);
  {
    const std::lock_guard<std::mutex> lock(kept.mutex);
    if (Listing* listing = KeptFor(kept, stamp)) {
      listing->path = folder;
      return EntryOf(listing->entries, name, lowered);
    }
  }

  timespec began{};
  const bool clockRead = ::clock_gettime(CLOCK_REALTIME, &began) == 0;
  // Closed on every way out: a failed allocation below throws through here.
  const std::unique_ptr<DIR, int (*)(DIR*)> reading(::opendir(folder.c_str()), ::closedir);
  if (!reading) return std::nullopt;
  kept.reads.fetch_add(1, std::memory_order_relaxed);
  // The folder read is the one the caller saw, unchanged since and for long enough that a change
  // from now on shows in its stamp.
  struct stat opened;
  const bool keep = clockRead && ::fstat(::dirfd(reading.get()), &opened) == 0 &&
                    SameState(StampOf(opened), stamp) && Settled(stamp, began);
  // Every entry when the listing is kept (up to the bound), else those that could answer.
  Entries entries;
  bool complete = true;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(reading.get());
    if (!entry) {
      complete = errno == 0;
      break;
    }
    std::string candidate = entry->d_name;
    std::string candidateLowered = AsciiLowered(candidate);
    if (candidateLowered == lowered || (keep && entries.size() <= kEntriesKept)) {
      entries.emplace_back(std::move(candidateLowered), std::move(candidate));
    }
  }
  std::sort(entries.begin(), entries.end());
  std::optional<std::string> found = EntryOf(entries, name, lowered);
  if (keep && complete && entries.size() <= kEntriesKept) {
    const std::lock_guard<std::mutex> lock(kept.mutex);
    Keep(kept, folder, stamp, std::move(entries));
  }
  return found;
}

KeptListing KeptEntryIgnoringCase(const std::string& folder, const std::string& name,
                                  std::optional<std::string>& entry) {
  Kept& kept = KeptListings();
  Stamp stamp{};
  {
    const std::lock_guard<std::mutex> lock(kept.mutex);
    const auto at = std::find_if(kept.listings.begin(), kept.listings.end(),
                                 [&folder](const Listing& l) { return l.path == folder; });
    if (at == kept.listings.end()) return KeptListing::kNotKept;
    stamp = at->stamp;
  }
  if (!CheckedInBatch(folder, stamp)) {
    struct stat status;
    if (::stat(folder.c_str(), &status) != 0 || !SameState(StampOf(status), stamp)) {
      return KeptListing::kChanged;
    }
    if (t_batch.depth > 0) t_batch.checked.emplace_back(folder, stamp);
  }
  // Found again by its stamp: another thread may have dropped it meanwhile.
  const std::lock_guard<std::mutex> lock(kept.mutex);
  const Listing* listing = KeptFor(kept, stamp);
  if (!listing) return KeptListing::kChanged;
  entry = EntryOf(listing->entries, name, AsciiLowered(name));
  return KeptListing::kAnswered;
}

void BeginPathLookups() {
  ++t_batch.depth;
}

void EndPathLookups() noexcept {
  // The last End leaves nothing behind: a released host holds no memory of its lookups.
  if (t_batch.depth > 0 && --t_batch.depth == 0) std::vector<Checked>().swap(t_batch.checked);
}

void ForgetFolderListings() {
  Kept& kept = KeptListings();
  std::vector<Listing> dropped;
  {
    const std::lock_guard<std::mutex> lock(kept.mutex);
    dropped.swap(kept.listings);
    kept.entries = 0;
  }
}

size_t FolderReadsSoFar() {
  return KeptListings().reads.load(std::memory_order_relaxed);
}

}  // namespace korva::standalone

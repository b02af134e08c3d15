// The entries of folders, read once and reused while the folder stays as it was. A name that is not
// in its folder as written (a texture the artist's machine had, or spelt in another letter case)
// is only found or ruled out by reading the folder's entries; a game loads many models from a few
// folders, each asking for several such names, and reading a folder costs far more than the
// status of it that tells whether it changed.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>

namespace korva::standalone {

// The entry of `folder` named `name` exactly, or else the first in byte order that equals it
// ignoring ASCII letter case; nothing when there is none or the folder cannot be read. `status` is
// the folder's, from a stat() the caller made just before (following links, as the read does).
//
// A listing is kept for the next call while the folder's device, inode, modification and change
// times stay those of `status`: every change to a folder's entries sets its change time to the
// clock's time. Only a folder whose change time lies at least two seconds before the read began
// (the coarsest time stamps kept, FAT's, are two seconds) is kept, so a change made after the read
// cannot leave the stamp as it was. At most a few dozen folders are kept, each of at most
// 65536 entries; safe to call from several threads.
std::optional<std::string> ListedEntryIgnoringCase(const std::string& folder,
                                                   const struct stat& status,
                                                   const std::string& name);

// What the listing kept under the path `folder` says of `name`.
enum class KeptListing {
  kNotKept,   // no listing is kept under that path (found without a system call)
  kChanged,   // one is, but the folder is no longer as it was when read
  kAnswered,  // the folder is unchanged: `entry` is the answer
};

// Looks `name` up in the listing kept under the path `folder` by ListedEntryIgnoringCase, when the
// folder is still as it was when read (one stat, none when this thread's batch of lookups checked
// it already: BeginPathLookups). `entry` is then the entry named `name` exactly, or else the first
// in byte order equal to it ignoring ASCII letter case, or nothing: the folder's entries answer
// for it without a lookup of the name itself.
KeptListing KeptEntryIgnoringCase(const std::string& folder, const std::string& name,
                                  std::optional<std::string>& entry);

// How many times a folder's entries were read from the file system, for tests.
size_t FolderReadsSoFar();

}  // namespace korva::standalone

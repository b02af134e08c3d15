// Finding a file the way Windows finds it. Models made on Windows name their textures with
// backslashes, doubled separators and letter case that need not match the file's; on Windows the
// system accepts all of that when the file is opened, and on Linux this does the same work.
#pragma once

#include <optional>
#include <string>

namespace korva::standalone {

// The file system path of what `path` names when read as Windows reads it, or nothing when it
// names nothing. On Linux: backslash and slash both separate, repeated separators count once,
// "." is skipped and ".." goes up before anything is looked up; a component that is not there
// exactly is the directory entry equal to it ignoring ASCII letter case (of several, the first
// in byte order, from a listing of the folder that is reused while the folder is unchanged:
// folder_listings.h); a path with a drive letter ("C:\", "C:/", "C:name") or any other colon names
// nothing. A leading separator starts at the root, otherwise at the current directory. On
// Windows: `path` itself, since the system resolves it when the file is opened.
std::optional<std::string> ResolveWindowsPath(const std::string& path);

// Lookups on this thread between these calls are one import's, made one after another with nothing
// written in between: each folder whose kept listing they check is taken as it was at its first
// check (one stat a folder rather than one a lookup) until the last End. Calls may nest. Nothing
// on Windows.
void BeginPathLookups();
void EndPathLookups() noexcept;

// Frees the folder listings kept for the lookups above (the next lookup reads afresh): a released
// host leaves nothing of its lookups behind. Nothing is kept on Windows.
void ForgetFolderListings();

}  // namespace korva::standalone

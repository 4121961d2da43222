// How the system's Windows-style path texts map onto Linux file names.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// True when text starts with a drive letter, ":" and "\" or "/".
bool IsDrivePath(std::string_view text);

// The Linux folder that stands for drive letter (either case):
// $XDG_DATA_HOME/glyphwell/drive_x, with XDG_DATA_HOME defaulting to
// ~/.local/share.
std::string DriveFolder(char letter);

// The user's home folder, as a native name ($HOME, else the password entry's).
std::string HomeFolder();

// The user's own folders of the system, as native names:
// $XDG_CONFIG_HOME/glyphwell (default ~/.config/glyphwell) for settings,
// $XDG_DATA_HOME/glyphwell (default ~/.local/share/glyphwell) for data.
enum class UserFolderKind { Settings, Data };
std::string UserFolder(UserFolderKind kind);

// Creates the missing levels of a native folder path with mode 0700 (an
// existing level is left as it is); false when the folder is not there after.
bool MakePrivateFolders(const std::string& nativeFolder);

// The separator that the system appends to a directory text: "\" for a drive
// path, "/" for any other.
char SeparatorFor(std::string_view directoryText);

// The native (UTF-8) file name for a path text in CP936. Drive paths are
// mapped to their drive folder with the backslashes after the drive turned
// into "/". When the converted name does not exist but the text's own bytes
// (or a mix, component by component) name an existing file, that name is
// used, so names that CP936 cannot represent still resolve.
std::string ToNative(std::string_view ansiPath);

// As ToNative, for a file about to be created: also creates the drive c
// folder (mode 0700) when the path lies on drive c. Other drive folders are
// never created.
std::string ToNativeForWrite(std::string_view ansiPath);

// Splits a path text at its last "/" or "\": the directory part keeps its
// trailing separator ("" when there is none), the rest is the last component.
void SplitLastComponent(std::string_view path, std::string& directory, std::string& name);

}  // namespace platform

#pragma once

#include "LauncherPlatform.h"

#include <cstdint>

namespace Launcher {

inline constexpr std::uint32_t PathCapacity = 128; // UTF-16 characters, the NUL included
inline constexpr std::uint32_t ShellRequestSize = 60;
inline constexpr std::uint32_t MaskKeepProcess = 0x40;
inline constexpr std::int32_t ShowNormal = 1;
inline constexpr char16_t VerbOpen[] = u"open";
inline constexpr char16_t ApplicationFileName[] = u"Nobrin.vb";

// The launcher's exit codes. It has no window, so these are all it ever tells.
enum ExitCode : int {
    // The open request was made. Whether the shell could open the file is not known here:
    // the shell reports that itself.
    Started = 0,
    // The program's own path could not be read; nothing was started.
    OwnPathUnreadable = -1,
    // The path does not end in the launcher's own file name (renamed launcher, a name that
    // differs in case). Nothing was started: opening that path would start the launcher again.
    OwnNameNotFound = 1,
    // The own path, or the application file's path derived from it, does not fit into the
    // path buffer. Nothing was written past the buffer and nothing was started.
    PathTooLong = 2,
};

// Opens the application file that lies beside the launcher. path must hold PathCapacity
// characters; it receives the launcher's path and then the application file's path.
// ownName is the launcher's file name on this system ("NobrinLauncher.exe" on Windows).
int launchApplication(LauncherPlatform& platform, const char16_t* ownName, const char16_t* applicationName,
                      char16_t* path);

} // namespace Launcher

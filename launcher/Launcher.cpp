#include "Launcher.h"

#include <cstddef>

namespace Launcher {

namespace {

std::size_t textLength(const char16_t* text) {
    std::size_t length = 0;
    while (text[length] != u'\0')
        ++length;
    return length;
}

// Only an occurrence that is the path's whole file name counts: a folder called like the
// launcher, or a longer file name that merely ends with it, must not turn the path into a
// file outside the launcher's folder.
char16_t* findOwnFileName(LauncherPlatform& platform, char16_t* path, std::size_t pathLength, const char16_t* ownName) {
    const std::size_t nameLength = textLength(ownName);
    for (const char16_t* found = platform.findText(path, ownName); found != nullptr;
         found = platform.findText(found + 1, ownName)) {
        const std::size_t position = static_cast<std::size_t>(found - path);
        const bool startsFileName = position == 0 || path[position - 1] == u'\\' || path[position - 1] == u'/';
        if (startsFileName && position + nameLength == pathLength)
            return path + position;
    }
    return nullptr;
}

} // namespace

int launchApplication(LauncherPlatform& platform, const char16_t* ownName, const char16_t* applicationName,
                      char16_t* path) {
    ShellRequest request;
    platform.fillMemory(&request, 0, sizeof request);
    request.size = ShellRequestSize;

    const std::uint32_t pathLength = platform.moduleFileName(path, PathCapacity);
    if (pathLength == 0)
        return OwnPathUnreadable;
    // A cut path may lack its NUL and names neither the launcher nor its folder.
    if (pathLength >= PathCapacity)
        return PathTooLong;

    char16_t* name = findOwnFileName(platform, path, pathLength, ownName);
    if (name == nullptr)
        return OwnNameNotFound;
    if (static_cast<std::size_t>(name - path) + textLength(applicationName) + 1 > PathCapacity)
        return PathTooLong;
    platform.copyText(name, applicationName);

    request.mask = MaskKeepProcess;
    request.verb = VerbOpen;
    request.file = path;
    request.show = ShowNormal;
    // A file the shell cannot open is the shell's to report; the launcher has asked and is done.
    platform.shellExecute(request);
    return Started;
}

} // namespace Launcher

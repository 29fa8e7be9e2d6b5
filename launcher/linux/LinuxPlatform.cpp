#include "LinuxPlatform.h"

#include "PathText.h"
#include "PortableText.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <unistd.h>

extern char** environ;

std::uint32_t LinuxPlatform::moduleFileName(char16_t* buffer, std::uint32_t capacity) {
    std::string bytes(PATH_MAX, '\0');
    const ssize_t read = readlink("/proc/self/exe", bytes.data(), bytes.size());
    if (read <= 0 || static_cast<std::size_t>(read) == bytes.size())
        return 0;
    bytes.resize(static_cast<std::size_t>(read));
    const std::u16string path = pathToUtf16(bytes);
    if (path.size() >= capacity) {
        path.copy(buffer, capacity - 1);
        buffer[capacity - 1] = u'\0';
        return capacity;
    }
    path.copy(buffer, path.size());
    buffer[path.size()] = u'\0';
    return static_cast<std::uint32_t>(path.size());
}

const char16_t* LinuxPlatform::findText(const char16_t* text, const char16_t* part) {
    return findWideText(text, part);
}

char16_t* LinuxPlatform::copyText(char16_t* target, const char16_t* source) {
    return copyWideText(target, source);
}

void* LinuxPlatform::fillMemory(void* target, int byte, std::size_t count) {
    return std::memset(target, byte, count);
}

// The opener is started and left running: the launcher ends at once, and the opener, now
// orphaned, is reaped by the system. It gets a session of its own and /dev/null for its
// standard streams, so that neither a closing terminal nor a caller that reads the
// launcher's output until it closes is tied to whatever the opener starts. The desktop has
// no verb but "open" and places windows itself, so the show command has no counterpart.
bool LinuxPlatform::shellExecute(ShellRequest& request) {
    if (request.file == nullptr || request.verb == nullptr || std::u16string_view(request.verb) != u"open")
        return false;
    const std::string file = pathFromUtf16(request.file);
    const char* opener = std::getenv("NOBRIN_OPENER");
    if (opener == nullptr || *opener == '\0')
        opener = "xdg-open";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    char* arguments[] = {const_cast<char*>(opener), const_cast<char*>(file.c_str()), nullptr};
    pid_t process = 0;
    const int failure = posix_spawnp(&process, opener, &actions, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failure == 0;
}

#include "Launcher.h"
#include "LinuxPlatform.h"

// The exit codes are the core's; -1 reaches the caller as 255.
int main() {
    LinuxPlatform platform;
    char16_t path[Launcher::PathCapacity];
    return Launcher::launchApplication(platform, u"NobrinLauncher", Launcher::ApplicationFileName, path);
}

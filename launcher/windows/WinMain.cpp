#include "Launcher.h"
#include "WindowsPlatform.h"

#include <objbase.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Some file associations are shell extensions, which need COM on the calling thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    WindowsPlatform platform(instance);
    char16_t path[Launcher::PathCapacity];
    return Launcher::launchApplication(platform, u"NobrinLauncher.exe", Launcher::ApplicationFileName, path);
}

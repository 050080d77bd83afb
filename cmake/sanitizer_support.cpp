// Linked into every program of the sanitizer build only.
//
// SDL loads the X11, GL and sound libraries when the runtime starts and
// unloads them at its end, and Mesa's GL driver goes with the display; the
// blocks they leave behind then have no library name, so the leak
// suppressions cannot match them. Kept loaded, they can.
#include <dlfcn.h>

#include <initializer_list>

namespace {

const bool gl_driver_pinned = [] {
    bool pinned = false;
    for (const char* name : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "/usr/lib/dri/swrast_dri.so",
                             "libGL.so.1", "libGLX_mesa.so.0", "libEGL.so.1", "libX11.so.6", "libXext.so.6",
                             "libXcursor.so.1", "libXi.so.6", "libXrandr.so.2", "libXss.so.1",
                             "libXxf86vm.so.1", "libXfixes.so.3", "libxkbcommon.so.0", "libasound.so.2",
                             "libpulse.so.0", "libdbus-1.so.3", "libdrm.so.2", "libwayland-client.so.0",
                             "libdecor-0.so.0"})
        if (dlopen(name, RTLD_NOW | RTLD_NODELETE) != nullptr)
            pinned = true;
    return pinned;
}();

}  // namespace

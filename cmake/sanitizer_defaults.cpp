// Linked into every program of ours built with the sanitizers.
//
// System libraries keep process-lifetime caches that they never free: fontconfig leaks a
// pattern while parsing its configuration, D-Bus, X11 and SDL keep connection and driver state,
// Pango and GLib keep type and font caches. None of it is ours to free, and without these lines
// every program that shapes text or opens a window would fail under LeakSanitizer.
extern "C" char const* __lsan_default_suppressions();
extern "C" char const* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libX11.so\n"
           "leak:libSDL2\n"
           "leak:libpango\n"
           "leak:libharfbuzz\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n";
}

extern "C" char const* __lsan_default_options();
extern "C" char const* __lsan_default_options() { return "print_suppressions=0"; }

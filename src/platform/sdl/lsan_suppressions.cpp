// The caches system libraries keep for the life of the process (fonts, the X
// connection, the sound and desktop libraries) are not leaks of ours; when a
// program of ours runs under LeakSanitizer, it is told so.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libfreetype\nleak:libX11\nleak:libSDL2\nleak:libdbus\nleak:libxcb\n";
}

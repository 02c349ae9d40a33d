// Leaks the sanitizer must not blame on us: caches that system libraries keep
// for the life of the process (fontconfig's configuration, PulseAudio's
// context that the sound backend opens once). Linked into every test program.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n"
           "leak:libpulse\n";
}

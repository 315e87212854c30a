// Leaks that live inside system libraries and that no test can free. LeakSanitizer asks for
// this list at exit in sanitized builds; in other builds nothing calls it.

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return
        // fontconfig keeps its parsed configuration until the process ends; Qt loads it once,
        // when the first widget of a test process is polished.
        "leak:libfontconfig.so\n";
}

// The GL tests load Mesa's drivers, whose dynamic thread-local storage leaves a slot that the leak checker
// of our compiler's sanitizer runtime reads as an address range and crashes on at exit, after the tests have
// passed. For these tests only, the leak check skips thread-local storage, and so it must be told what glib's
// thread data and the dynamic loader keep only there. LSAN_OPTIONS still comes on top of these defaults.
extern "C" const char* __lsan_default_options() {
    return "use_tls=0";
}

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\nleak:add_to_global_resize\n";
}

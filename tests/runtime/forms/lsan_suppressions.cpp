// The QApplication lives until the process ends (deleting it at exit crashes
// in Qt's already destroyed globals), so fontconfig's caches, which Qt would
// free with it, are still allocated when LeakSanitizer looks. Test programs
// that draw text link this object to leave that one library out.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

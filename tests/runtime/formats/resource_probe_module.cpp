// A shared library with no behaviour of its own: the build attaches the
// control module's resources to it so tests read them back from a real ELF
// file, through the same calls the module's hosts use.
extern "C" __attribute__((visibility("default"))) int kv_resource_probe_marker() { return 42; }

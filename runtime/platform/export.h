#pragma once
// What the runtime library offers outside itself: the host API, and what the
// control module and the kit's own programs link against. Everything else
// is compiled with hidden visibility and stays inside the library. Public
// headers include this file, so it compiles as C++17 and needs no Qt.
#if defined(__GNUC__)
#define KVQMXTMR_EXPORT __attribute__((visibility("default")))
#else
#define KVQMXTMR_EXPORT
#endif

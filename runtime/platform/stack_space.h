#pragma once
// Nesting without end: a handler that starts a loop from inside the same
// loop, over and over. The platform answers a nesting that exhausts the stack
// with its run-time error 28 instead of dying; the runtime does the same by
// checking, each time it hands control to host code again (an event raised
// to the host, a pass of the message pump), that a further level still fits.
// The deepest call then fails like any member and its caller can go on.
namespace platform {

// Throws Error(kErrorOutOfStackSpace, "Out of stack space") when less of
// the calling thread's stack is left than one more level of host code, with
// the event dispatch and painting beneath it, may need.
void RequireStackSpace();

}  // namespace platform

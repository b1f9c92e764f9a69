#pragma once
// The kit's own forms, for a host built on them: a Form with its elements,
// menus and timers, and the Application whose Run ends the program when its
// last form has closed.
#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/form.h"
#include "runtime/forms/timer.h"

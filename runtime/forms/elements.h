#pragma once
// Every kind of windowless element in one include.
#include "runtime/forms/element.h"
#include "runtime/forms/image.h"
#include "runtime/forms/label.h"
#include "runtime/forms/line.h"
#include "runtime/forms/shape.h"

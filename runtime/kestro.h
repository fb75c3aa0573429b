// The runtime in one include: strings, arrays, objects, the collector and
// runtime errors.
#pragma once

#include "runtime/array.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "runtime/gc.h"
#include "runtime/object.h"
#include "runtime/string.h"

// Readable GoogleTest output for framework values.
#pragma once

#include <ostream>

#include "runtime/string.h"

inline void PrintTo(const String& s, std::ostream* os) { *os << '"' << s.ToUtf8() << '"'; }

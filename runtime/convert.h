// Number conversions with defined results where C++ has none.
#pragma once

// Float to int toward zero; values an int cannot hold (and NaN) give 0.
inline int TruncToInt(float v) {
  if (!(v > -2147483648.0f && v < 2147483648.0f)) return 0;
  return (int)v;
}

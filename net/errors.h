// The networking subsystem's runtime error texts, in one place so the code
// and the tests refer to the same words.
#pragma once

namespace net_errors {

constexpr const char* kAllocateDataBuffer = "Allocate DataBuffer failed";
constexpr const char* kInvalidEncoding = "Invalid string encoding:";  // + the name
constexpr const char* kIllegalProtocol = "Illegal socket protocol";
constexpr const char* kSocketOpen = "Socket open failed";
constexpr const char* kQueueOverflow = "AsyncQueue queue overflow!";
constexpr const char* kSourceActive = "Async event source is already active";
// Not a runtime error: printed on standard output before exiting with -1.
constexpr const char* kCreateThread = "CreateThread failed!";

}  // namespace net_errors

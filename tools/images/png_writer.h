// Minimal PNG encoder for the generator: 8-bit RGBA, one IDAT, no ancillary
// chunks (no dates or names), so the same pixels always give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace art {

// Encodes width x height RGBA pixels (rows top first) as a PNG file.
std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& rgba, int width, int height);

// Writes the bytes to path, creating missing parent folders; false on failure.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace art

// The container's checksum arithmetic: the sum of a run of bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// The sum of size bytes, modulo 2^32.
uint32_t ByteSum(const uint8_t* data, size_t size);

// Little-endian fields of the stored page records, read and written at a byte address (memcpy, so
// no field is read through a misaligned pointer). Callers check the record's size first.
#pragma once

#include <cstdint>
#include <cstring>

template <class T>
inline T GetField(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
inline void PutField(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}
inline uint16_t GetU16(const uint8_t* p) { return GetField<uint16_t>(p); }
inline uint32_t GetU32(const uint8_t* p) { return GetField<uint32_t>(p); }
inline int32_t GetI32(const uint8_t* p) { return GetField<int32_t>(p); }
inline float GetF32(const uint8_t* p) { return GetField<float>(p); }
inline void PutU16(uint8_t* p, uint16_t v) { PutField(p, v); }
inline void PutU32(uint8_t* p, uint32_t v) { PutField(p, v); }
inline void PutI32(uint8_t* p, int32_t v) { PutField(p, v); }
inline void PutF32(uint8_t* p, float v) { PutField(p, v); }

// Default options of the fuzz targets, put in front of the command line's own (libFuzzer takes
// the last value of an option, so the command line still decides). The entropic input schedule
// spends most of the time of these targets updating feature frequencies (tens of inputs a second
// instead of thousands); the plain schedule is used unless asked for.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <cstring>
#include <vector>

// The target's dictionary (fuzz/<target>.dict: the tokens of the format, taken from real files)
// is used unless the command line names one.
inline void AddDefaultOptions(int* argc, char*** argv) {
  static std::vector<char*> args;
  static char entropic[] = "-entropic=0";
  static std::string dict;
  args.assign(*argv, *argv + *argc);
  bool hasDict = false;
  for (char* a : args) hasDict = hasDict || std::strncmp(a, "-dict=", 6) == 0;
#ifdef KV_FUZZ_DIR
  if (!hasDict && !args.empty()) {
    std::string name = args[0];
    name = name.substr(name.find_last_of('/') + 1);
    const std::string file = std::string(KV_FUZZ_DIR) + "/" + name + ".dict";
    if (std::FILE* f = std::fopen(file.c_str(), "r")) {
      std::fclose(f);
      dict = "-dict=" + file;
      args.insert(args.begin() + 1, dict.data());
    }
  }
#endif
  args.insert(args.begin() + (args.empty() ? 0 : 1), entropic);
  args.push_back(nullptr);
  *argc = int(args.size()) - 1;
  *argv = args.data();
}

// Patches a sound byte stream from the fuzzer's input: each five bytes name an offset (taken
// modulo Reach, so a little past the end grows the stream) and the byte to put there.
inline void PatchBytes(std::vector<uint8_t>& plain, const uint8_t* data, size_t size, uint32_t Reach) {
  for (size_t i = 0; i + 5 <= size; i += 5) {
    uint32_t at;
    std::memcpy(&at, data + i, 4);
    at %= Reach;
    if (at >= plain.size()) plain.resize(at + 1, 0);
    plain[at] = data[i + 4];
  }
}

// A buffer kept across inputs holds a capacity beyond its size; while the code under test reads
// it, the bytes past its size are marked unaddressable (as a vector the sanitizer annotates has
// them), so that reading past the end is still reported. Does nothing without AddressSanitizer.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KV_FUZZ_ASAN 1
#endif
#ifdef KV_FUZZ_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

class TGuardedTail {
public:
  explicit TGuardedTail(const std::vector<uint8_t>& v) : v_(v) {
#ifdef KV_FUZZ_ASAN
    if (v_.capacity() > v_.size())
      __sanitizer_annotate_contiguous_container(v_.data(), v_.data() + v_.capacity(), v_.data() + v_.capacity(),
                                                v_.data() + v_.size());
#endif
  }
  ~TGuardedTail() {
#ifdef KV_FUZZ_ASAN
    if (v_.capacity() > v_.size())
      __sanitizer_annotate_contiguous_container(v_.data(), v_.data() + v_.capacity(), v_.data() + v_.size(),
                                                v_.data() + v_.capacity());
#endif
  }
  TGuardedTail(const TGuardedTail&) = delete;
  TGuardedTail& operator=(const TGuardedTail&) = delete;

private:
  const std::vector<uint8_t>& v_;
};

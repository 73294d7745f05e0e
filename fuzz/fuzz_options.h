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

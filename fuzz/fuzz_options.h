// Default options of the fuzz targets, put in front of the command line's own (libFuzzer takes
// the last value of an option, so the command line still decides). The entropic input schedule
// spends most of the time of these targets updating feature frequencies (tens of inputs a second
// instead of thousands); the plain schedule is used unless asked for.
#pragma once

#include <vector>

inline void AddDefaultOptions(int* argc, char*** argv) {
  static std::vector<char*> args;
  static char entropic[] = "-entropic=0";
  args.assign(*argv, *argv + *argc);
  args.insert(args.begin() + (args.empty() ? 0 : 1), entropic);
  args.push_back(nullptr);
  *argc = int(args.size()) - 1;
  *argv = args.data();
}

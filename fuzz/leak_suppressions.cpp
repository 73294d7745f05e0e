// Leaks the fuzz targets' leak checker does not report: the font configuration library keeps the
// patterns of the fonts Qt looks up (each family the first time an input names it) in caches it
// frees only at exit, which the per-input leak check takes for leaks of that input.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

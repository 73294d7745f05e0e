// LH5 speed and size side by side with reference libraries on the same data: decoding against
// liblhasa's -lh5- decoder, encoding against zlib's compress2 at level 6, and the coded size
// against jlha-utils' -lh5- (when the jlha tool is installed).
//
// Data: a 600 KB payload shaped like a saved document, and 5 MB of English text (the licence
// texts of /usr/share/common-licenses repeated; a word-list text where they are missing).
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <zlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <lha_decoder.h>
}

#include "../tests/codecs/test_compress_support.h"
#include "codecs/compress.h"

namespace {

using compress_test::Bytes;
using compress_test::DocumentLike;

Bytes ReadAll(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

Bytes EnglishText(size_t n = 5 * 1024 * 1024) {
  Bytes corpus;
  for (const char* name : {"GPL-3", "GPL-2", "LGPL-2.1", "Apache-2.0", "Artistic", "MPL-2.0", "GFDL-1.3",
                           "MPL-1.1", "LGPL-3", "GPL-1"}) {
    const Bytes b = ReadAll(std::string("/usr/share/common-licenses/") + name);
    corpus.insert(corpus.end(), b.begin(), b.end());
  }
  if (corpus.size() < 10000) {
    const char* words[] = {"the", "of", "and", "to", "in", "a", "is", "that", "for", "it", "program",
                           "license", "software", "copy", "terms", "conditions", "work", "source"};
    std::mt19937 rng(3);
    while (corpus.size() < n) {
      const std::string w = words[rng() % 18];
      corpus.insert(corpus.end(), w.begin(), w.end());
      corpus.push_back(rng() % 12 ? ' ' : '\n');
    }
  }
  Bytes text;
  text.reserve(n);
  while (text.size() < n) text.insert(text.end(), corpus.begin(), corpus.end());
  text.resize(n);
  return text;
}

const Bytes& Data(int which) {
  static const Bytes document = DocumentLike();
  static const Bytes text = EnglishText();
  return which == 0 ? document : text;
}

// Our container stream of the data, compressed with LH5.
const Bytes& Packed(int which) {
  static Bytes packed[2];
  if (packed[which].empty()) {
    const Bytes& d = Data(which);
    TCompress c;
    TBytesStream src(d.data(), d.size());
    TMemoryStream dst;
    c.CompressStream(dst, src, cmLH5);
    packed[which] = dst.Data;
  }
  return packed[which];
}

// The size of jlha's -lh5- coded data for the data, or 0 when jlha is not available.
size_t JlhaSize(int which) {
  static size_t sizes[2] = {SIZE_MAX, SIZE_MAX};
  if (sizes[which] != SIZE_MAX) return sizes[which];
  sizes[which] = 0;
  if (access("/usr/bin/jlha", X_OK) != 0) return 0;
  char dir[] = "/tmp/bench_compress_XXXXXX";
  if (!mkdtemp(dir)) return 0;
  const std::string d = dir;
  {
    std::ofstream f(d + "/data.bin", std::ios::binary);
    f.write(reinterpret_cast<const char*>(Data(which).data()), std::streamsize(Data(which).size()));
  }
  const std::string cmd = "cd " + d + " && /usr/bin/jlha ao5q data.lzh data.bin > /dev/null 2>&1";
  if (std::system(cmd.c_str()) == 0) {
    const Bytes a = ReadAll(d + "/data.lzh");
    if (a.size() > 24 && std::memcmp(&a[2], "-lh5-", 5) == 0) {
      uint32_t packedSize;
      std::memcpy(&packedSize, &a[7], 4);
      sizes[which] = packedSize;
    }
  }
  std::system(("rm -rf " + d).c_str());
  return sizes[which];
}

const char* Name(int which) { return which == 0 ? "document" : "text"; }

void BM_LH5Encode(benchmark::State& state) {
  const int which = int(state.range(0));
  const Bytes& d = Data(which);
  TCompress c;
  size_t size = 0;
  for (auto _ : state) {
    TBytesStream src(d.data(), d.size());
    TMemoryStream dst;
    dst.Data.reserve(d.size());
    c.CompressStream(dst, src, cmLH5);
    size = dst.Data.size() - CompressHeaderSize;
    benchmark::DoNotOptimize(dst.Data.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.size()));
  state.SetLabel(Name(which));
  state.counters["coded"] = double(size);
  if (const size_t j = JlhaSize(which)) {
    state.counters["jlha"] = double(j);
    state.counters["size_vs_jlha"] = double(size) / double(j);
  }
}

void BM_ZlibCompress6(benchmark::State& state) {
  const int which = int(state.range(0));
  const Bytes& d = Data(which);
  Bytes out(compressBound(uLong(d.size())));
  uLongf size = 0;
  for (auto _ : state) {
    size = uLongf(out.size());
    compress2(out.data(), &size, d.data(), uLong(d.size()), 6);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.size()));
  state.SetLabel(Name(which));
  state.counters["coded"] = double(size);
}

void BM_LH5Decode(benchmark::State& state) {
  const int which = int(state.range(0));
  const Bytes& packed = Packed(which);
  TCompress c;
  for (auto _ : state) {
    TBytesStream src(packed.data(), packed.size());
    TMemoryStream dst;
    c.ExpandStream(dst, src);
    if (dst.Data.size() != Data(which).size()) state.SkipWithError("wrong size");
    benchmark::DoNotOptimize(dst.Data.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Data(which).size()));
  state.SetLabel(Name(which));
}

struct LhasaInput {
  const uint8_t* data;
  size_t left;
};

size_t LhasaRead(void* buf, size_t len, void* user) {
  auto* in = static_cast<LhasaInput*>(user);
  const size_t n = std::min(len, in->left);
  std::memcpy(buf, in->data, n);
  in->data += n;
  in->left -= n;
  return n;
}

void BM_LhasaDecode(benchmark::State& state) {
  const int which = int(state.range(0));
  const Bytes& packed = Packed(which);
  const Bytes& original = Data(which);
  char name[] = "-lh5-";
  LHADecoderType* type = lha_decoder_for_name(name);
  Bytes out(original.size());
  for (auto _ : state) {
    LhasaInput in{packed.data() + CompressHeaderSize, packed.size() - CompressHeaderSize};
    LHADecoder* dec = lha_decoder_new(type, LhasaRead, &in, original.size());
    size_t got = 0;
    while (got < out.size()) {
      const size_t n = lha_decoder_read(dec, out.data() + got, out.size() - got);
      if (n == 0) break;
      got += n;
    }
    lha_decoder_free(dec);
    if (got != original.size() || std::memcmp(out.data(), original.data(), got) != 0)
      state.SkipWithError("lhasa decoded something else");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(original.size()));
  state.SetLabel(Name(which));
}

}  // namespace

BENCHMARK(BM_LH5Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LhasaDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LH5Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompress6)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// The compressed stream container: header, methods, fall-back to storing, key, checksum and the
// refusals of damaged, cut and lying streams.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "codecs/compress.h"
#include "codecs/test_compress_support.h"

using namespace compress_test;

namespace {

Bytes Compress(TCompress& c, const Bytes& in, uint8_t method) {
  TBytesStream src(in.data(), in.size());
  TMemoryStream dst;
  c.CompressStream(dst, src, method);
  EXPECT_EQ(dst.Position(), dst.Size());
  return dst.Data;
}

Bytes Expand(TCompress& c, const Bytes& in) {
  TBytesStream src(in.data(), in.size());
  TMemoryStream dst;
  c.ExpandStream(dst, src);
  return dst.Data;
}

uint32_t Sum(const Bytes& b) { return std::accumulate(b.begin(), b.end(), 0u, [](uint32_t a, uint8_t x) { return a + x; }); }

TCompressHeader HeaderOf(const Bytes& b, size_t at = 0) {
  TCompressHeader h;
  std::memcpy(&h, b.data() + at, sizeof h);
  return h;
}

Bytes MakeStream(const char* method, uint32_t size, uint32_t checksum, uint32_t flags, const Bytes& data,
                 uint8_t archiveType = 0) {
  TCompressHeader h{};
  std::memcpy(h.Signature, "VELK\x1A", 5);
  std::memcpy(h.MethodId, method, 3);
  h.UncompressedSize = size;
  h.ArchiveType = archiveType;
  h.Checksum = checksum;
  h.Flags = flags;
  Bytes b(sizeof h);
  std::memcpy(b.data(), &h, sizeof h);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

template <typename E>
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message;
  }
  return "(no exception)";
}

struct Payload {
  const char* name;
  Bytes data;
};

std::vector<Payload> Payloads() {
  Bytes runs(70000, 0);
  runs.insert(runs.end(), 30000, 'x');
  const Bytes text = EnglishLike(50000);
  runs.insert(runs.end(), text.begin(), text.end());
  Bytes escapes(3000);
  for (size_t i = 0; i < escapes.size(); ++i) escapes[i] = (i / 7) % 3 ? RLEEscape : uint8_t(i);
  return {{"empty", {}},
          {"one byte", {0x41}},
          {"twenty", Bytes(20, 0x94)},
          {"21 equal", Bytes(21, 'q')},
          {"runs longer than a block", runs},
          {"incompressible", RandomBytes(40000, 1)},
          {"escape bytes", escapes},
          {"document", DocumentLike()}};
}

}  // namespace

TEST(Compress, EveryMethodRoundTripsEveryPayload) {
  TCompress c;
  for (const auto& p : Payloads()) {
    for (int method : {cmNON, cmRLE, cmLZH, cmLH5}) {
      SCOPED_TRACE(std::string(p.name) + " " + MethodIds[method]);
      // The coder alone, on any size.
      const Bytes coded = CodeDirect(true, method, p.data);
      EXPECT_EQ(CodeDirect(false, method, coded, uint32_t(p.data.size())), p.data);
      // Through the container.
      const Bytes stream = Compress(c, p.data, uint8_t(method));
      EXPECT_EQ(Expand(c, stream), p.data);
    }
  }
}

TEST(Compress, HeaderOfAnLH5StreamWrittenAtTheDestinationsPosition) {
  const Bytes doc = DocumentLike();
  TCompress c;
  TBytesStream src(doc.data(), doc.size());
  TMemoryStream dst;
  dst.Data = {'a', 'b', 'c', 'd', 'e', 'f', 'g'};
  dst.Data.resize(200000, 'T');  // bytes beyond the written range stay where they are
  dst.SetPosition(3);
  c.CompressStream(dst, src, cmLH5);
  const int64_t end = dst.Position();
  EXPECT_LT(end, 200000);
  EXPECT_EQ(dst.Size(), 200000);
  EXPECT_EQ(dst.Data[199999], 'T');
  EXPECT_EQ(std::string(dst.Data.begin(), dst.Data.begin() + 3), "abc");
  const TCompressHeader h = HeaderOf(dst.Data, 3);
  EXPECT_EQ(std::string(h.Signature, 5), std::string("VELK\x1A", 5));
  EXPECT_EQ(std::string(h.MethodId, 3), "LH5");
  EXPECT_EQ(uint32_t(h.UncompressedSize), doc.size());
  EXPECT_EQ(uint32_t(h.ArchiveType), 0);
  EXPECT_EQ(uint32_t(h.Checksum), Sum(doc));
  EXPECT_EQ(uint32_t(h.Flags), 0u);
  EXPECT_EQ(c.CompressionRatio, PercentOf(end - 3, int64_t(doc.size())));

  TBytesStream in(dst.Data.data() + 3, size_t(end - 3));
  TMemoryStream out;
  out.Data = {'z'};
  out.SetPosition(1);
  c.ExpandStream(out, in);
  ASSERT_EQ(out.Size(), int64_t(doc.size()) + 1);
  EXPECT_TRUE(std::equal(doc.begin(), doc.end(), out.Data.begin() + 1));
}

TEST(Compress, SmallAndIncompressibleSourcesAreStored) {
  TCompress c;
  for (size_t n : {0, 1, 20}) {
    const Bytes b = RandomBytes(n, 9);
    EXPECT_EQ(Compress(c, b, cmLH5), b) << n;  // no header at all
    EXPECT_EQ(Expand(c, b), b);
  }
  const Bytes random = RandomBytes(20000, 5);
  for (int method : {cmRLE, cmLZH, cmLH5}) EXPECT_EQ(Compress(c, random, uint8_t(method)), random);
  // 21 bytes that do not shrink are stored too.
  EXPECT_EQ(Compress(c, RandomBytes(21, 4), cmLH5), RandomBytes(21, 4));

  // Stored data that begin like a header get a "NON" header, so that they read back as data.
  Bytes lookalike = random;
  std::memcpy(lookalike.data(), "VELK\x1A", 5);
  for (int method : {cmNON, cmLH5}) {
    const Bytes stored = Compress(c, lookalike, uint8_t(method));
    EXPECT_EQ(stored.size(), lookalike.size() + 21);
    EXPECT_EQ(std::string(HeaderOf(stored).MethodId, 3), "NON");
    EXPECT_EQ(Expand(c, stored), lookalike);
  }
  const Bytes lookalike21(lookalike.begin(), lookalike.begin() + 21);
  EXPECT_EQ(Expand(c, Compress(c, lookalike21, cmLH5)), lookalike21);

  // With a key: a header with "NON" and the data XORed with the key bytes.
  c.Key = 0x11223344;
  const Bytes locked = Compress(c, random, cmLH5);
  ASSERT_EQ(locked.size(), random.size() + 21);
  const TCompressHeader h = HeaderOf(locked);
  EXPECT_EQ(std::string(h.MethodId, 3), "NON");
  EXPECT_EQ(uint32_t(h.Flags), 2u);
  EXPECT_EQ(uint32_t(h.Checksum), Sum(random) + 0x11223344u);
  const uint8_t key[4] = {0x44, 0x33, 0x22, 0x11};
  for (size_t i = 0; i < 64; ++i) EXPECT_EQ(locked[21 + i], random[i] ^ key[i % 4]);
  EXPECT_EQ(Expand(c, locked), random);

  // A compressible source with a key round-trips with LH5, and a negative key works too.
  const Bytes doc = DocumentLike(100000);
  EXPECT_EQ(Expand(c, Compress(c, doc, cmLH5)), doc);
  c.Key = -5;
  const Bytes negative = Compress(c, doc, cmLH5);
  EXPECT_EQ(uint32_t(HeaderOf(negative).Flags), 2u);
  EXPECT_EQ(Expand(c, negative), doc);

  // Read without the key: refused before anything reaches Dest.
  TCompress noKey;
  TBytesStream src(negative.data(), negative.size());
  TMemoryStream dst;
  EXPECT_EQ(MessageOf<EInvalidKey>([&] { noKey.ExpandStream(dst, src); }), "File locked -- valid key required");
  EXPECT_EQ(dst.Size(), 0);
  // With a wrong key.
  TCompress wrongKey;
  wrongKey.Key = 77;
  EXPECT_THROW(Expand(wrongKey, negative), EInvalidKey);
}

TEST(Compress, RunLengthCoding) {
  Bytes run(300, 'A');
  EXPECT_EQ(CodeDirect(true, cmRLE, run), (Bytes{'A', 0x94, 255, 'A', 0x94, 45}));
  EXPECT_EQ(CodeDirect(true, cmRLE, Bytes{0x94, 0x94}), (Bytes{0x94, 0, 0x94, 0}));
  EXPECT_EQ(CodeDirect(true, cmRLE, Bytes{1, 1, 2, 2, 2, 3}), (Bytes{1, 1, 2, 0x94, 3, 3}));
  EXPECT_EQ(CodeDirect(false, cmRLE, Bytes{'A', 0x94, 255, 'A', 0x94, 45}), run);
}

TEST(Compress, ExpandRefusesWhatItCannotRead) {
  TCompress c;
  const Bytes doc = DocumentLike(50000);
  Bytes stream = Compress(c, doc, cmLH5);

  // Without the signature the bytes are copied unchanged, whatever they hold.
  Bytes plain = stream;
  plain[0] = 'W';
  EXPECT_EQ(Expand(c, plain), plain);

  Bytes multi = stream;
  multi[12] = 1;
  EXPECT_EQ(MessageOf<EInvalidHeaderArchiveType>([&] { Expand(c, multi); }),
            "Expand can't handle caMulti archive type in compressed header");

  Bytes unknown = stream;
  std::memcpy(&unknown[5], "XYZ", 3);
  EXPECT_EQ(MessageOf<EUnrecognizedCompressionMethod>([&] { Expand(c, unknown); }),
            "Unrecognized compression method: \"XYZ\" in header");
  std::memcpy(&unknown[5], "lh5", 3);  // the comparison is case-sensitive
  EXPECT_THROW(Expand(c, unknown), EUnrecognizedCompressionMethod);

  // A recognised custom id goes to the expand event.
  TCompress custom;
  custom.OnRecognize = [](const std::string& id, bool& ok) { ok = id == "XYZ"; };
  custom.OnExpand = [&](TStream& dest, TStream& source, int32_t sourceSize, int32_t destSize,
                        const std::string& id, int32_t& checksum) {
    EXPECT_EQ(id, "XYZ");
    EXPECT_EQ(destSize, int32_t(doc.size()));
    std::vector<uint8_t> b(static_cast<size_t>(sourceSize));
    source.ReadBuffer(b.data(), sourceSize);
    dest.WriteBuffer(doc.data(), int64_t(doc.size()));
    checksum = int32_t(Sum(doc));
  };
  std::memcpy(&unknown[5], "XYZ", 3);
  EXPECT_EQ(Expand(custom, unknown), doc);

  // One changed coded byte: a checksum or table failure, or (when the change happens to point at
  // equal bytes) the same result; never a different silent result.
  int failures = 0;
  for (size_t at : {size_t(21), size_t(30), stream.size() / 2, stream.size() - 2}) {
    Bytes damaged = stream;
    damaged[at] ^= 0x10;
    try {
      if (Expand(c, damaged) == doc) ++failures;
    } catch (const EBadChecksum& e) {
      ++failures;
    } catch (const ELZHBadDecodeTable& e) {
      EXPECT_EQ(e.Message, "Bad decode table in archive!");
      ++failures;
    }
  }
  EXPECT_EQ(failures, 4);
  Bytes badSum = stream;
  badSum[13] ^= 1;
  EXPECT_EQ(MessageOf<EBadChecksum>([&] { Expand(c, badSum); }),
            "Bad checksum during expansion -- data may be invalid");

  // Stored data with a header and checksum 0 are not checksum-tested.
  const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(Expand(c, MakeStream("NON", 10, 0, 0, data)), data);
  EXPECT_THROW(Expand(c, MakeStream("NON", 10, 1, 0, data)), EBadChecksum);
}

TEST(Compress, CutAndLyingStreamsFail) {
  TCompress c;
  // Mostly zeros, so that a cut keeps the byte sum: the lost length must still be noticed.
  Bytes doc(40000, 0);
  doc[5] = 1;
  for (int method : {cmNON, cmRLE, cmLZH, cmLH5}) {
    SCOPED_TRACE(MethodIds[method]);
    c.Key = method == cmNON ? 9 : 0;  // a stored stream has a header only with a key
    Bytes stream = Compress(c, doc, uint8_t(method));
    ASSERT_GT(stream.size(), 30u);
    for (size_t cut : {size_t(1), size_t(3), stream.size() / 2}) {
      Bytes shorter(stream.begin(), stream.end() - long(cut));
      EXPECT_ANY_THROW(Expand(c, shorter)) << cut;
    }
  }
  c.Key = 0;
  // Stored zeros: the sum stays right, the length does not.
  EXPECT_EQ(MessageOf<EBadChecksum>([&] { Expand(c, MakeStream("RLE", 61, 0, 0, Bytes{0, 0x94, 60})); }),
            "Compressed data ends early -- data may be invalid");
  EXPECT_EQ(Expand(c, MakeStream("RLE", 60, 0, 0, Bytes{0, 0x94, 60})), Bytes(60, 0));
  // A keyed empty source is a bare header and reads back empty.
  c.Key = 3;
  EXPECT_EQ(Compress(c, {}, cmLH5).size(), 21u);
  EXPECT_EQ(Expand(c, Compress(c, {}, cmLH5)), Bytes{});
  c.Key = 0;
  // A size the data cannot hold is refused before anything is allocated for it.
  for (const char* m : {"NON", "RLE", "LZH", "LH5"}) {
    TBytesStream src(nullptr, 0);
    const Bytes lying = MakeStream(m, 0xFFFFFFF0u, 0, 0, Bytes(10, 0));
    TBytesStream in(lying.data(), lying.size());
    TMemoryStream out;
    EXPECT_EQ(MessageOf<EBadChecksum>([&] { c.ExpandStream(out, in); }),
              "Uncompressed size in compressed header is larger than its data can hold")
        << m;
    EXPECT_EQ(out.Size(), 0);
  }
}

TEST(Compress, ProgressAndCustomMethod) {
  TCompress c;
  std::vector<int> seen;
  c.OnShowProgress = [&](int32_t& p) { seen.push_back(p); };
  const Bytes doc = DocumentLike(100000);
  const Bytes stream = Compress(c, doc, cmLH5);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_EQ(Expand(c, stream), doc);

  // Abandoned at the start: nothing is coded and the stream does not read back.
  c.OnShowProgress = [](int32_t& p) { p = -1; };
  const Bytes abandoned = Compress(c, doc, cmLH5);
  EXPECT_EQ(abandoned.size(), 21u);
  c.OnShowProgress = nullptr;
  EXPECT_ANY_THROW(Expand(c, abandoned));

  // The custom method without a handler is stored; with one, its id and checksum are kept.
  EXPECT_EQ(Compress(c, doc, cmCUS), doc);
  c.OnCompress = [](TStream& dest, TStream& source, std::string& id, int32_t& size, int32_t& checksum) {
    const int64_t n = source.Size();
    std::vector<uint8_t> b(static_cast<size_t>(n));
    source.ReadBuffer(b.data(), n);
    for (auto& x : b) x = uint8_t(~x);
    dest.WriteBuffer(b.data(), n);
    size = int32_t(n);
    checksum = int32_t(Sum(Bytes(b.begin(), b.end())));
    id = "INV";
  };
  const Bytes inverted = Compress(c, Bytes(100, 1), cmCUS);
  EXPECT_EQ(std::string(HeaderOf(inverted).MethodId, 3), "INV");
  EXPECT_EQ(uint32_t(HeaderOf(inverted).Checksum), 100u * 0xFE);
  EXPECT_EQ(inverted[21], 0xFE);
}

TEST(Compress, TargetPathGetsATrailingBackslash) {
  TCompress c;
  c.SetTargetPath("C:\\docs");
  EXPECT_EQ(c.TargetPath(), "C:\\docs\\");
  c.SetTargetPath("x\\");
  EXPECT_EQ(c.TargetPath(), "x\\");
  c.SetTargetPath("");
  EXPECT_EQ(c.TargetPath(), "");
}

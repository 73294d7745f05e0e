// The LH5 and LZH coders against independent LHA tools, and the LH5 decoder's refusal of code
// tables that do not describe a code.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>

#include "codecs/compress.h"
#include "codecs/test_compress_support.h"

using namespace compress_test;

namespace {

// The coders alone; a cut stream's overrun is left to the callers that look for it.
Bytes Code(bool compressing, int method, const Bytes& in, uint32_t size = 0) {
  return CodeDirect(compressing, method, in, size, false);
}

uint16_t Crc16(const Bytes& b) {
  uint16_t crc = 0;
  for (uint8_t x : b) {
    crc ^= x;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  return crc;
}

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A one-member LHA archive (level-0 header) around -lh5- coded data.
Bytes LhaArchive(const std::string& name, const Bytes& original, const Bytes& coded) {
  Bytes h;
  h.push_back(0);  // header size, below
  h.push_back(0);  // header checksum, below
  for (char c : std::string("-lh5-")) h.push_back(uint8_t(c));
  Put32(h, uint32_t(coded.size()));
  Put32(h, uint32_t(original.size()));
  Put32(h, 0x5A210000);  // 2025-01-01 00:00
  h.push_back(0x20);
  h.push_back(0);  // level 0
  h.push_back(uint8_t(name.size()));
  for (char c : name) h.push_back(uint8_t(c));
  const uint16_t crc = Crc16(original);
  h.push_back(uint8_t(crc));
  h.push_back(uint8_t(crc >> 8));
  h[0] = uint8_t(h.size() - 2);
  uint8_t sum = 0;
  for (size_t i = 2; i < h.size(); ++i) sum = uint8_t(sum + h[i]);
  h[1] = sum;
  h.insert(h.end(), coded.begin(), coded.end());
  h.push_back(0);  // end of archive
  return h;
}

void WriteFile(const QString& name, const Bytes& b) {
  QFile f(name);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(reinterpret_cast<const char*>(b.data()), qint64(b.size()));
}

Bytes ReadFile(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray a = f.readAll();
  return Bytes(a.begin(), a.end());
}

bool RunTool(const QString& dir, const QString& program, const QStringList& args) {
  QProcess p;
  p.setWorkingDirectory(dir);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForFinished(120000)) return false;
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The coded data of the first member of an LHA archive, with its method.
Bytes MemberData(const Bytes& a, std::string& method, uint32_t& originalSize) {
  if (a.size() < 24) return {};
  method.assign(a.begin() + 2, a.begin() + 7);
  uint32_t packed, original;
  std::memcpy(&packed, &a[7], 4);
  std::memcpy(&original, &a[11], 4);
  originalSize = original;
  const int level = a[20];
  size_t at = 0;
  if (level == 0) {
    at = size_t(a[0]) + 2;
  } else if (level == 1) {
    at = size_t(a[0]) + 2;
    uint16_t next;
    std::memcpy(&next, &a[at - 2], 2);
    while (next != 0) {  // extended headers count in the packed size
      packed -= next;
      at += next;
      std::memcpy(&next, &a[at - 2], 2);
    }
  } else {
    uint16_t total;
    std::memcpy(&total, &a[0], 2);
    at = total;
  }
  if (at + packed > a.size()) return {};
  return Bytes(a.begin() + long(at), a.begin() + long(at + packed));
}

// Bits most significant first, for hand-made streams.
struct BitBuilder {
  Bytes out;
  uint32_t acc = 0;
  int n = 0;
  BitBuilder& Put(int bits, uint32_t v) {
    for (int i = bits - 1; i >= 0; --i) {
      acc = (acc << 1) | ((v >> i) & 1);
      if (++n == 8) {
        out.push_back(uint8_t(acc));
        acc = 0;
        n = 0;
      }
    }
    return *this;
  }
  Bytes Done() {
    Bytes b = out;
    if (n) b.push_back(uint8_t(acc << (8 - n)));
    b.resize(b.size() + 8, 0);
    return b;
  }
};

}  // namespace

// Stretches of repeats of every length up to past the longest match, between short pieces of
// text, over several fillings of the encoder's buffer: the repeats' own match chains and the
// cut-offs for long matches.
Bytes RepeatsAndText(size_t n) {
  Bytes b;
  const Bytes text = EnglishLike(4000, 9);
  uint32_t r = 12345;
  while (b.size() < n) {
    r = r * 1103515245u + 12345u;
    const size_t len = (r >> 8) % 300 + 1;
    b.insert(b.end(), len, uint8_t((r >> 20) % 3 == 0 ? 0 : (r >> 24)));
    const size_t at = (r >> 4) % 3900;
    b.insert(b.end(), text.begin() + long(at), text.begin() + long(at + (r >> 12) % 90));
  }
  b.resize(n);
  return b;
}

TEST(LH5, OurCodedDataExtractsWithLhasa) {
  if (!QFile::exists("/usr/bin/lhasa")) GTEST_SKIP() << "lhasa is not installed";
  QTemporaryDir dir;
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"repeats.bin", RepeatsAndText(400000)},
      {"doc.bin", DocumentLike()},
      {"text.txt", EnglishLike(300000)},
      {"one.bin", Bytes{0x5A}},
      {"same.bin", Bytes(21, 0x33)},
      {"random.bin", RandomBytes(30000, 2)},
  };
  for (const auto& [name, data] : cases) {
    SCOPED_TRACE(name);
    const Bytes coded = Code(true, cmLH5, data);
    const QString arc = dir.filePath(QString::fromStdString(name) + ".lzh");
    WriteFile(arc, LhaArchive(name, data, coded));
    const QString out = dir.filePath("out");
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    ASSERT_TRUE(RunTool(out, "/usr/bin/lhasa", {"xq", arc}));
    EXPECT_EQ(ReadFile(out + "/" + QString::fromStdString(name)), data);
  }
}

TEST(LH5, DecodesArchivesMadeByJlha) {
  if (!QFile::exists("/usr/bin/jlha")) GTEST_SKIP() << "jlha-utils is not installed";
  QTemporaryDir dir;
  Bytes runs(100000, 0);
  runs.insert(runs.end(), 5000, 'r');
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"doc.bin", DocumentLike()},
      {"text.txt", EnglishLike(300000, 11)},
      {"runs.bin", runs},
      {"short.txt", EnglishLike(300, 4)},
  };
  for (const auto& [name, data] : cases) {
    SCOPED_TRACE(name);
    const QString file = QString::fromStdString(name);
    WriteFile(dir.filePath(file), data);
    ASSERT_TRUE(RunTool(dir.path(), "/usr/bin/jlha", {"ao5q", file + ".lzh", file}));
    std::string method;
    uint32_t original = 0;
    const Bytes coded = MemberData(ReadFile(dir.filePath(file + ".lzh")), method, original);
    ASSERT_EQ(method, "-lh5-");
    ASSERT_EQ(original, data.size());
    EXPECT_EQ(Code(false, cmLH5, coded, original), data);
  }
}

TEST(LH5, BlocksSlidesAndDistancesBeforeTheStart) {
  // One value repeated: a literal and a length symbol in one block.
  const Bytes same(5000, 7);
  const Bytes coded = Code(true, cmLH5, same);
  EXPECT_LT(coded.size(), 20u);
  EXPECT_EQ(Code(false, cmLH5, coded, 5000), same);
  // Several blocks and many slides of the dictionary.
  const Bytes text = EnglishLike(200000, 5);
  EXPECT_EQ(Code(false, cmLH5, Code(true, cmLH5, text), uint32_t(text.size())), text);
  // A match reaching back before the first byte reads the spaces the dictionary starts with:
  // a block of one length symbol (3 bytes) with one position class (13).
  const Bytes stream = BitBuilder()
                           .Put(16, 1)
                           .Put(5, 0).Put(5, 0)      // pre-tree: one symbol
                           .Put(9, 0).Put(9, 256)    // characters: one symbol, length 3
                           .Put(4, 0).Put(4, 13)     // positions: one symbol
                           .Put(12, 0)               // position bits
                           .Done();
  EXPECT_EQ(Code(false, cmLH5, stream, 3), (Bytes{' ', ' ', ' '}));
}

TEST(LH5, CodeTablesThatDoNotDescribeACodeAreRefused) {
  struct Case {
    const char* name;
    Bytes stream;
  };
  // Pre-tree with one symbol 3 (code length 1 for characters): a prefix for the character table.
  auto prefix = [] { return BitBuilder().Put(16, 1).Put(5, 0).Put(5, 3); };
  const std::vector<Case> cases = {
      // Four codes of length 1: over-full, though the sum is 0 modulo 2^16.
      {"overfull pre-tree", BitBuilder().Put(16, 1).Put(5, 4).Put(3, 1).Put(3, 1).Put(3, 1).Put(2, 0).Put(3, 1).Done()},
      {"length above 16", BitBuilder().Put(16, 1).Put(5, 1).Put(3, 7).Put(10, 0x3FF).Put(1, 0).Done()},
      {"pre-tree count above 19", BitBuilder().Put(16, 1).Put(5, 20).Done()},
      {"single pre-tree symbol out of range", BitBuilder().Put(16, 1).Put(5, 0).Put(5, 25).Done()},
      {"character count above 510", prefix().Put(9, 511).Done()},
      {"single character out of range", BitBuilder().Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 510).Done()},
      {"under-full character table", prefix().Put(9, 1).Done()},
      {"zero run past 510 lengths",
       BitBuilder().Put(16, 1).Put(5, 0).Put(5, 2).Put(9, 510).Put(9, 511).Done()},
      {"position count above 14",
       BitBuilder().Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 65).Put(4, 15).Done()},
      {"single position out of range",
       BitBuilder().Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 65).Put(4, 0).Put(4, 14).Done()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Code(false, cmLH5, c.stream, 100);
      ADD_FAILURE() << "accepted";
    } catch (const ELZHBadDecodeTable& e) {
      EXPECT_EQ(e.Message, "Bad decode table in archive!");
    }
  }
  // Through the container; a locked stream reports the key instead.
  Bytes header(21, 0);
  std::memcpy(header.data(), "VELK\x1ALH5", 8);
  header[8] = 100;
  Bytes stream = header;
  stream.insert(stream.end(), cases[0].stream.begin(), cases[0].stream.end());
  TCompress comp;
  {
    TBytesStream in(stream.data(), stream.size());
    TMemoryStream out;
    EXPECT_THROW(comp.ExpandStream(out, in), ELZHBadDecodeTable);
  }
  stream[17] = 2;  // locked; bytes read with the key XORed away still make a bad table
  comp.Key = 0x01010101;
  for (size_t i = 21; i < stream.size(); ++i) stream[i] ^= 1;
  {
    TBytesStream in(stream.data(), stream.size());
    TMemoryStream out;
    EXPECT_THROW(comp.ExpandStream(out, in), EInvalidKey);
  }
}

TEST(LZH, SpacesMatchThePresetWindowAndLongInputsRoundTrip) {
  const Bytes spaces(60, ' ');
  const Bytes coded = Code(true, cmLZH, spaces);
  EXPECT_LE(coded.size(), 3u);  // one length symbol and one distance
  EXPECT_EQ(Code(false, cmLZH, coded, 60), spaces);
  // Long enough for the adaptive tree to be rebuilt many times over.
  const Bytes text = EnglishLike(300000, 8);
  EXPECT_EQ(Code(false, cmLZH, Code(true, cmLZH, text), uint32_t(text.size())), text);
  const Bytes skewed(200000, 'a');
  EXPECT_EQ(Code(false, cmLZH, Code(true, cmLZH, skewed), uint32_t(skewed.size())), skewed);
}

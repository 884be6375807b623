// The stream framework: exact bytes of the basic values, round trips through files and
// memory, owned and borrowed file handles, short reads, length checks, the counting
// stream, the checksum and the identity table's bucket rule.
#include "stream/stream.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "stream/file_handle.h"
#include "tests/stream/temp_path.h"

using ::testing::ElementsAre;
using Bytes = std::vector<unsigned char>;

namespace {

using stream_test::TempPath;

// A record with one member of each basic type, streamed in one io() for both directions.
struct Sample : Streamable {
  char c = 'A';
  unsigned char uc = 200;
  bool b = true;
  short s = -2;
  unsigned short us = 65000;
  int i = -100000;
  unsigned int ui = 4000000000u;
  long l = -5;
  unsigned long ul = 4000000000ul;
  float f = 1.5f;
  double d = -2.25;
  long long ll = -(1ll << 40);
  unsigned long long ull = ~0ull;
  char raw[3] = {'x', 'y', 'z'};

  void io(Stream& st) override {
    st.io(c), st.io(uc), st.io(b), st.io(s), st.io(us), st.io(i), st.io(ui), st.io(l);
    st.io(ul), st.io(f), st.io(d), st.io(ll), st.io(ull), st.io(raw, 3);
  }
  bool operator==(const Sample& o) const {
    return c == o.c && uc == o.uc && b == o.b && s == o.s && us == o.us && i == o.i && ui == o.ui &&
           l == o.l && ul == o.ul && f == o.f && d == o.d && ll == o.ll && ull == o.ull &&
           std::memcmp(raw, o.raw, 3) == 0;
  }
};
constexpr uint64_t kSampleBytes = 1 + 1 + 1 + 2 + 2 + 4 + 4 + 4 + 4 + 4 + 8 + 8 + 8 + 3;

template <typename T>
Bytes encode(T v) {
  StreamOutputMemory out;
  out.io(v);
  return out.bytes();
}

Sample zeroed() {
  Sample z;
  z.c = 0, z.uc = 0, z.b = false, z.s = 0, z.us = 0, z.i = 0, z.ui = 0, z.l = 0, z.ul = 0;
  z.f = 0, z.d = 0, z.ll = 0, z.ull = 0, std::memset(z.raw, 0, 3);
  return z;
}

}  // namespace

TEST(Stream, ExactBytesOfBasicValues) {
  EXPECT_THAT(encode<short>(-2), ElementsAre(0xFE, 0xFF));
  EXPECT_THAT(encode(1.0), ElementsAre(0, 0, 0, 0, 0, 0, 0xF0, 0x3F));
  EXPECT_THAT(encode(true), ElementsAre(0x01));
  EXPECT_THAT(encode(-2L), ElementsAre(0xFE, 0xFF, 0xFF, 0xFF));
  EXPECT_THAT(encode(0x12345678UL), ElementsAre(0x78, 0x56, 0x34, 0x12));
  EXPECT_THAT(encode(1.0f), ElementsAre(0, 0, 0x80, 0x3F));
  EXPECT_THAT(encode(0x0102030405060708LL), ElementsAre(8, 7, 6, 5, 4, 3, 2, 1));

  StreamOutputMemory seq;  // the worked example of docs/formats.md
  short s = -2;
  double d = 1.0;
  bool b = true;
  long l = 300;
  seq.io(s), seq.io(d), seq.io(b), seq.io(l), seq.io(const_cast<char*>("abc"), 3);
  EXPECT_EQ(seq.bytes(), (Bytes{0xFE, 0xFF, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0x01, 0x2C, 0x01, 0, 0,
                                0x61, 0x62, 0x63}));

  StreamOutputMemory out;
  long too_big = static_cast<long>(INT32_MAX) + 1;
  unsigned long too_big_u = 0x100000000ul;
  if constexpr (sizeof(long) > 4) {
    EXPECT_THROW(out.io(too_big), dlist::StreamError);
    EXPECT_THROW(out.io(too_big_u), dlist::StreamError);
    EXPECT_TRUE(out.bytes().empty());
  }
}

TEST(Stream, InputExtendsAndNormalises) {
  const unsigned char bytes[] = {0xFE, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x02};
  StreamInputMemory in(bytes, sizeof bytes);
  long l = 0;
  unsigned long ul = 0;
  bool b = false;
  in.io(l), in.io(ul), in.io(b);
  EXPECT_EQ(l, -2);
  EXPECT_EQ(ul, 0xFFFFFFFEul);
  EXPECT_TRUE(b);
  EXPECT_EQ(in.bytesLeft(), 0u);
  EXPECT_TRUE(in.isInput());
  EXPECT_FALSE(StreamOutputMemory().isInput());
}

TEST(Stream, FileRoundTripHasNoBytesBetweenValues) {
  TempPath p("roundtrip");
  Sample written;
  {
    StreamOutputFile out(p.path.c_str());
    written.io(out);
    out.close();
  }
  EXPECT_EQ(std::filesystem::file_size(p.path), kSampleBytes);

  StreamSizer sizer;
  written.io(sizer);
  StreamOutputMemory mem;
  written.io(mem);
  EXPECT_EQ(sizer.size(), kSampleBytes);
  EXPECT_EQ(mem.bytes().size(), kSampleBytes);

  StreamInputFile in(p.path.c_str());
  EXPECT_EQ(in.bytesLeft(), kSampleBytes);
  Sample read = zeroed();
  read.io(in);
  EXPECT_EQ(read, written);
  EXPECT_EQ(in.bytesLeft(), 0u);
  char more;
  EXPECT_THROW(in.io(more), dlist::StreamError);
}

TEST(Stream, CallersHandleStaysOpenOwnedHandleCloses) {
  TempPath p("handles");
  FileHandle handle(p.path.c_str(), "wb");
  {
    StreamOutputFile out(handle);
    int v = 7;
    out.io(v);
  }
  EXPECT_TRUE(handle.is_open());
  handle.write("!", 1);  // still usable after the stream is gone
  handle.close();
  EXPECT_EQ(std::filesystem::file_size(p.path), 5u);

  {
    StreamOutputFile out(p.path.c_str());
    short v = 1;
    out.io(v);
  }  // destruction closes and flushes the owned file
  EXPECT_EQ(std::filesystem::file_size(p.path), 2u);

  FileHandle rh(p.path.c_str(), "rb");
  { StreamInputFile in(rh); }
  EXPECT_TRUE(rh.is_open());
  EXPECT_EQ(rh.remaining(), 2u);

  EXPECT_THROW(StreamInputFile((p.path + ".missing").c_str()), dlist::StreamError);
}

TEST(Stream, ShortReadsThrow) {
  const unsigned char three[] = {1, 2, 3};
  StreamInputMemory in(three, 3);
  int v = 42;
  EXPECT_THROW(in.io(v), dlist::StreamError);
  EXPECT_EQ(v, 42);
  EXPECT_EQ(in.bytesLeft(), 3u);  // nothing consumed
  char block[4];
  EXPECT_THROW(in.io(block, 4), dlist::StreamError);
  EXPECT_THROW(in.io(block, -1), dlist::StreamError);
  Streamable* ref = nullptr;
  EXPECT_THROW(in.io(ref), dlist::StreamError);
  StreamOutputMemory out;
  EXPECT_THROW(out.io(ref), dlist::StreamError);
}

TEST(Stream, RequireBytesRefusesInflatedCounts) {
  const unsigned char ten[10] = {};
  StreamInputMemory in(ten, sizeof ten);
  EXPECT_NO_THROW(dlist::require_bytes(in, 10, 100, "text"));
  EXPECT_THROW(dlist::require_bytes(in, 11, 100, "text"), dlist::StreamError);
  EXPECT_THROW(dlist::require_bytes(in, 5, 4, "text"), dlist::StreamError);
  try {
    dlist::require_bytes(in, 0xFFFFFFFFu, UINT64_MAX, "TEXTBUFFER size");
    FAIL();
  } catch (const dlist::StreamError& e) {
    EXPECT_NE(std::string(e.what()).find("TEXTBUFFER size"), std::string::npos);
  }
  EXPECT_NO_THROW(dlist::require_items(in, 2, 5, 10, "points"));
  EXPECT_THROW(dlist::require_items(in, 3, 5, 10, "points"), dlist::StreamError);
  EXPECT_THROW(dlist::require_items(in, UINT64_MAX, 1ull << 40, UINT64_MAX, "points"),
               dlist::StreamError);  // no overflow in count * size

  StreamSizer out;  // output streams are not checked
  EXPECT_NO_THROW(dlist::require_bytes(out, 1u << 30, 1, "text"));
}

TEST(CheckSum, SumsLittleEndianWords) {
  EXPECT_EQ(CheckSum::f(nullptr, 0), 0u);
  EXPECT_EQ(CheckSum::f("abc", 3), 6513249u);
  EXPECT_EQ(CheckSum::f("abcd", 4), 1684234849u);
  EXPECT_EQ(CheckSum::f("abcdefg", 7), 1691011270u);
  const unsigned char five[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  EXPECT_EQ(CheckSum::f(five, 5), 0x04030201u + 0x05u);
  const unsigned char wrap[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x02};
  EXPECT_EQ(CheckSum::f(wrap, 5), 1u);  // wraps modulo 2^32
}

TEST(IdentityTable, BucketRuleAndChains) {
  using dlist::IdentityTable;
  EXPECT_EQ(IdentityTable::bits_for(0), 1u);
  EXPECT_EQ(IdentityTable::bits_for(2), 1u);
  EXPECT_EQ(IdentityTable::bits_for(3), 2u);
  EXPECT_EQ(IdentityTable::bits_for(4), 2u);
  EXPECT_EQ(IdentityTable::bits_for(5), 3u);
  EXPECT_EQ(IdentityTable::bits_for(987), 10u);
  EXPECT_EQ(IdentityTable::bucket_of(1, 10), 0x9E3DBF6Du >> 22);
  EXPECT_EQ(IdentityTable::bucket_of(2, 3), (2u * 0x9E3DBF6Du) >> 29);

  StreamOutputMemory out;
  EXPECT_EQ(out.identities.bucket_count(), 1024u);
  EXPECT_EQ(out.lowLimit, 610u);
  EXPECT_EQ(out.highLimit, 987u);

  IdentityTable t(4);
  int objs[300];
  for (int& o : objs) t.add(&o);
  EXPECT_EQ(t.size(), 300u);  // spans two pages
  t.rebuild(3);               // same exponent: nothing happens
  EXPECT_EQ(t.bucket_count(), 4u);
  t.rebuild(600);
  EXPECT_EQ(t.bucket_count(), 1024u);
  uint32_t chained = 0;
  for (uint32_t bucket = 0; bucket < t.bucket_count(); ++bucket) {
    uint32_t prev = 0;
    for (uint32_t link = t.head(bucket); link != 0; link = t.next(link - 1)) {
      EXPECT_EQ(IdentityTable::bucket_of(IdentityTable::key_of(t.address(link - 1)), 10), bucket);
      EXPECT_GT(link, prev);  // rebuilt chains run from the first entry to the last
      prev = link;
      ++chained;
    }
  }
  EXPECT_EQ(chained, 300u);
  for (uint32_t i = 0; i < 300; ++i) EXPECT_EQ(t.find(&objs[i]), i + 1);
  int other;
  EXPECT_EQ(t.find(&other), 0u);
}

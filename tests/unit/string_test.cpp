// Strings: the operations callers rely on, their sharing of representations,
// conversions and the text-file decoding rules.
#include <gtest/gtest.h>

#include "runtime/kestro.h"
#include "support/printers.h"

namespace {

std::string utf8(const String& s) { return s.ToUtf8(); }

template <std::size_t N>
String from(const char (&bytes)[N]) {  // the literal's bytes, NULs included
  return String::FromBytes(reinterpret_cast<const unsigned char*>(bytes), N - 1);
}

TEST(StringSlicing, NegativeAndClampedBounds) {
  String s("abcdef");
  EXPECT_EQ(utf8(s.Slice(-3, 6)), "def");
  EXPECT_EQ(utf8(s.Slice(2, -1)), "cde");
  EXPECT_TRUE(s.Slice(4, 2).Empty());
  EXPECT_EQ(utf8(s.Slice(-100, 100)), "abcdef");
  EXPECT_EQ(s.Slice(0, 6).GetRep(), s.GetRep());
  EXPECT_EQ(s.Slice(3, 3).GetRep(), &String::nullRep);
}

TEST(StringSplitJoin, PiecesAndSeparators) {
  Array<String> a = String("a,,b").Split(String(","));
  ASSERT_EQ(a.Length(), 3);
  EXPECT_EQ(utf8(a[0]), "a");
  EXPECT_TRUE(a[1].Empty());
  EXPECT_EQ(utf8(a[2]), "b");

  Array<String> chars = String("abc").Split(String());
  ASSERT_EQ(chars.Length(), 3);
  EXPECT_EQ(utf8(chars[2]), "c");

  Array<String> one = String().Split(String(","));
  ASSERT_EQ(one.Length(), 1);
  EXPECT_TRUE(one[0].Empty());
  EXPECT_EQ(String().Split(String()).Length(), 0);

  // Separators do not overlap, and a missing separator shares the string.
  String aaa("aaaa");
  EXPECT_EQ(aaa.Split(String("aa")).Length(), 3);
  String plain("xyz");
  EXPECT_EQ(plain.Split(String(",")).Length(), 1);
  EXPECT_EQ(plain.Split(String(","))[0].GetRep(), plain.GetRep());

  EXPECT_EQ(utf8(String(", ").Join(a)), "a, , b");
  EXPECT_TRUE(String(",").Join(Array<String>()).Empty());
  Array<String> single(1);
  single[0] = plain;
  EXPECT_EQ(String("-").Join(single).GetRep(), plain.GetRep());
  // Splitting a saved text and joining it back gives it unchanged.
  String text("1|2||3|");
  EXPECT_EQ(String("|").Join(text.Split(String("|"))), text);
}

TEST(StringReplace, LeftToRightWithoutOverlap) {
  EXPECT_EQ(utf8(String("aaa").Replace(String("aa"), String("b"))), "ba");
  EXPECT_EQ(utf8(String("a.b.c").Replace(String("."), String("--"))), "a--b--c");
  EXPECT_TRUE(String("xx").Replace(String("x"), String()).Empty());
  String s("hello");
  EXPECT_EQ(s.Replace(String("z"), String("y")).GetRep(), s.GetRep());
}

TEST(StringConcat, SharesWhenOneSideIsEmpty) {
  String a("abc"), e;
  EXPECT_EQ((a + e).GetRep(), a.GetRep());
  EXPECT_EQ((e + a).GetRep(), a.GetRep());
  EXPECT_EQ(utf8(a + String("de")), "abcde");
}

TEST(StringFind, StartAndBounds) {
  String s("abcabc");
  EXPECT_EQ(s.Find(String("bc")), 1);
  EXPECT_EQ(s.Find(String("bc"), 2), 4);
  EXPECT_EQ(s.Find(String("bc"), -5), 1);
  EXPECT_EQ(s.Find(String("cab"), 3), -1);
  EXPECT_EQ(s.Find(String(), 2), 2);
  EXPECT_EQ(s.FindLast(String("ab")), 3);
}

TEST(StringCase, MapsAndSharesWhenUnchanged) {
  String s("MiXeD 1");
  EXPECT_EQ(utf8(s.ToUpper()), "MIXED 1");
  EXPECT_EQ(utf8(s.ToLower()), "mixed 1");
  String upper("ABC");
  EXPECT_EQ(upper.ToUpper().GetRep(), upper.GetRep());
}

TEST(StringToInt, LeadingBlanksSignAndGarbage) {
  EXPECT_EQ(String("  42xyz").ToInt(), 42);
  EXPECT_EQ(String("abc").ToInt(), 0);
  EXPECT_EQ(String("-17").ToInt(), -17);
  EXPECT_EQ(String("+5").ToInt(), 5);
  // Only the first 63 units count.
  EXPECT_EQ((String(std::string(63, ' ').c_str()) + String("7")).ToInt(), 0);
  // Out of range never traps: it narrows.
  (void)String("99999999999999999999999").ToInt();
}

TEST(StringConversions, NumbersAndBytes) {
  EXPECT_EQ(utf8(String(3.0f)), "3.0");
  EXPECT_EQ(utf8(String(1.0f)), "1.0");
  EXPECT_EQ(utf8(String(0.1f)), "0.10000000149011612");
  EXPECT_EQ(utf8(String(1.5f)), "1.5");
  EXPECT_EQ(utf8(String(-7)), "-7");
  EXPECT_EQ(utf8(String(1e30f)), "1.0000000150474662e+30");
  EXPECT_EQ(String("\xE9")[0], 0xFFE9);
  EXPECT_EQ(String("A")[0], 0x41);
  EXPECT_EQ(String("").GetRep(), &String::nullRep);
}

TEST(StringUtf8, EachUnitEncodedAlone) {
  EXPECT_EQ(String(u"\u00e9").ToUtf8(), "\xC3\xA9");
  EXPECT_EQ(String(u"\u20ac").ToUtf8(), "\xE2\x82\xAC");
  // A surrogate pair is two three-byte sequences, not one four-byte one.
  EXPECT_EQ(String(u"\U0001F600").ToUtf8().size(), 6u);
}

TEST(TextDecoding, ByteOrderMarksAndFallback) {
  EXPECT_EQ(from("\xFE\xFF\x00\x41\x00\xE9"), String(u"A\u00e9"));
  EXPECT_EQ(from("\xFF\xFE\x41\x00\xE9\x00\x7F"), String(u"A\u00e9"));  // odd byte dropped
  EXPECT_EQ(from("\xEF\xBB\xBFhi \xC3\xA9"), String(u"hi \u00e9"));
  EXPECT_EQ(from("caf\xE9 ok"), String(u"caf\u00e9 ok"));  // Latin-1 fallback
  EXPECT_EQ(from("\xEF\xBB\xBF\xE9"), String(u"\u00e9"));  // fallback after the mark
  EXPECT_EQ(from("\xF0\x9F\x98\x80"), String(u"\u00f0\u009f\u0098\u0080"));
  EXPECT_EQ(from("\xE2\x82"), String(u"\u00e2\u0082"));  // cut-off sequence
  EXPECT_TRUE(from("").Empty());
  EXPECT_TRUE(from("\xEF\xBB\xBF").Empty());
  EXPECT_TRUE(from("\xFF\xFE").Empty());
}

TEST(StringCounts, CopiesShareAndReleaseTheirRep) {
  String a("shared");
  String::Rep* rep = a.GetRep();
  EXPECT_EQ(rep->refs, 1);
  {
    String b = a;
    String c;
    c = b;
    EXPECT_EQ(rep->refs, 3);
  }
  EXPECT_EQ(rep->refs, 1);
}

}  // namespace

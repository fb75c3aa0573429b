// URLs as a caller writes them, hostile ones included, and the string stack
// the HTTP client builds its lines with.
#include <gtest/gtest.h>

#include "net/stringstack.h"
#include "net/url.h"
#include "support/printers.h"

namespace {

c_Url* Parse(const char16_t* text) {
  return (new c_Url())->m_new(String(text), String("http"), 80);
}

TEST(NetUrl, SplitsEveryPart) {
  c_Url* u = Parse(u"s://srv/a/b?x=1#top");
  EXPECT_EQ(u->m_scheme, String("s"));
  EXPECT_EQ(u->p_Domain(), String("srv"));
  EXPECT_EQ(u->p_Port(), 80);
  EXPECT_EQ(u->m_path, String("/a/b"));
  EXPECT_EQ(u->m_query, String("x=1"));
  EXPECT_EQ(u->m_fragment, String("top"));
  EXPECT_EQ(u->p_FullPath(), String("/a/b?x=1#top"));
  EXPECT_EQ(u->m_url, String("s://srv/a/b?x=1#top"));
}

TEST(NetUrl, DefaultsFillWhatIsMissing) {
  c_Url* u = Parse(u"srv:8080");
  EXPECT_EQ(u->m_scheme, String("http"));
  EXPECT_EQ(u->p_Domain(), String("srv"));
  EXPECT_EQ(u->p_Port(), 8080);
  EXPECT_EQ(u->m_path, String("/"));
  EXPECT_EQ(u->p_FullPath(), String("/"));
  c_Url* other = (new c_Url())->m_new(String("srv"), String("ftp"), 21);
  EXPECT_EQ(other->m_scheme, String("ftp"));
  EXPECT_EQ(other->p_Port(), 21);
}

TEST(NetUrl, CredentialsSplitAtTheFirstColon) {
  c_Url* u = Parse(u"s://jo:se:cret@srv:81/p");
  EXPECT_EQ(u->m_username, String("jo"));
  EXPECT_EQ(u->m_password, String("se:cret"));
  EXPECT_EQ(u->p_Domain(), String("srv"));
  EXPECT_EQ(u->p_Port(), 81);
  EXPECT_EQ(u->m_path, String("/p"));
  c_Url* user_only = Parse(u"jo@srv");
  EXPECT_EQ(user_only->m_username, String("jo"));
  EXPECT_EQ(user_only->m_password, String());
  EXPECT_EQ(user_only->p_Domain(), String("srv"));
}

TEST(NetUrl, AColonAfterTheFirstSlashBelongsToThePath) {
  c_Url* u = Parse(u"s://srv/a:b");
  EXPECT_EQ(u->p_Domain(), String("srv"));
  EXPECT_EQ(u->m_path, String("/a:b"));
  EXPECT_EQ(u->p_Port(), 80);
}

TEST(NetUrl, AQuestionMarkInsideTheFragmentIsNoQuery) {
  c_Url* u = Parse(u"s://srv#f?g");
  EXPECT_EQ(u->p_Domain(), String("srv"));
  EXPECT_EQ(u->m_fragment, String("f?g"));
  EXPECT_EQ(u->m_query, String());
  EXPECT_EQ(u->p_FullPath(), String("/#f?g"));
  // "://" or "@" after the query does not count.
  c_Url* q = Parse(u"srv/p?to=a://b@c");
  EXPECT_EQ(q->m_scheme, String("http"));
  EXPECT_EQ(q->p_Domain(), String("srv"));
  EXPECT_EQ(q->m_username, String());
  EXPECT_EQ(q->m_query, String("to=a://b@c"));
}

TEST(NetUrl, HostileTextGivesEmptyPartsNeverACrash) {
  c_Url* empty = Parse(u"");
  EXPECT_EQ(empty->p_Domain(), String());
  EXPECT_EQ(empty->m_path, String("/"));
  EXPECT_EQ(empty->p_Port(), 80);

  c_Url* only_sep = Parse(u"://");
  EXPECT_EQ(only_sep->m_scheme, String());
  EXPECT_EQ(only_sep->p_Domain(), String());

  c_Url* at_only = Parse(u"@");
  EXPECT_EQ(at_only->m_username, String());
  EXPECT_EQ(at_only->p_Domain(), String());
  c_Url* no_host = Parse(u"s://user:pw@");
  EXPECT_EQ(no_host->m_password, String("pw"));
  EXPECT_EQ(no_host->p_Domain(), String());
  c_Url* no_host_path = Parse(u"s://u@/x");
  EXPECT_EQ(no_host_path->p_Domain(), String());
  EXPECT_EQ(no_host_path->m_path, String("/x"));

  c_Url* marks = Parse(u"?#");
  EXPECT_EQ(marks->p_Domain(), String());
  EXPECT_EQ(marks->m_query, String());
  EXPECT_EQ(marks->m_fragment, String());
  EXPECT_EQ(marks->p_FullPath(), String("/"));
}

TEST(NetUrl, PortTextIsReadAsTheCLibraryReadsNumbers) {
  EXPECT_EQ(Parse(u"srv:")->p_Port(), 0);
  EXPECT_EQ(Parse(u"srv:abc/")->p_Port(), 0);
  EXPECT_EQ(Parse(u"srv:81x/")->p_Port(), 81);
  EXPECT_EQ(Parse(u"srv:-5")->p_Port(), -5);
  // Huge: saturates (the socket layer refuses ports outside 0 to 65535).
  std::u16string huge = u"srv:" + std::u16string(5000, u'9') + u"/p";
  c_Url* u = Parse(huge.c_str());
  EXPECT_TRUE(u->p_Port() < 0 || u->p_Port() > 65535);
  EXPECT_EQ(u->m_path, String("/p"));
  // Only the first 63 characters are read.
  std::u16string long_zeros = u"srv:" + std::u16string(70, u'0') + u"12";
  EXPECT_EQ(Parse(long_zeros.c_str())->p_Port(), 0);
}

TEST(NetUrl, SettingAgainForgetsTheOldParts) {
  c_Url* u = Parse(u"s://a:b@srv:9/p?q#f");
  u->p_Set2(String("other"));
  EXPECT_EQ(u->m_scheme, String("http"));
  EXPECT_EQ(u->m_username, String());
  EXPECT_EQ(u->m_password, String());
  EXPECT_EQ(u->p_Domain(), String("other"));
  EXPECT_EQ(u->p_Port(), 80);
  EXPECT_EQ(u->p_FullPath(), String("/"));
}

// ---- String stacks ----------------------------------------------------------

TEST(NetStringStack, JoinsNoneOneOrMany) {
  c_StringStack* s = (new c_StringStack())->m_new();
  EXPECT_EQ(s->p_Join(String(",")), String());
  s->p_Push4(String("a"));
  EXPECT_EQ(s->p_Join(String(",")), String("a"));
  s->p_Push4(String());
  s->p_Push4(String("c"));
  EXPECT_EQ(s->p_Join(String("\r\n")), String("a\r\n\r\nc"));
  EXPECT_EQ(s->p_Join(String()), String("ac"));
}

TEST(NetStringStack, GrowsKeepsOrderAndClipsRanges) {
  c_StringStack* s = (new c_StringStack())->m_new();
  for (int i = 0; i < 100; ++i) s->p_Push4(String(i));
  EXPECT_EQ(s->p_Length(), 100);
  EXPECT_EQ(s->p_Get(0), String("0"));
  EXPECT_EQ(s->p_Get(99), String("99"));
  EXPECT_EQ(s->p_Get(100), String());
  EXPECT_EQ(s->p_Get(-1), String());
  Array<String> arr = s->p_ToArray();
  EXPECT_EQ(arr.Length(), 100);
  EXPECT_EQ(arr[42], String("42"));

  c_StringStack* t = (new c_StringStack())->m_new();
  t->p_Push5(arr, 98, 10);  // two left
  t->p_Push6(arr, 99);
  t->p_Push5(arr, -1, 5);
  t->p_Push5(arr, 200, 1);
  EXPECT_EQ(t->p_Join(String(" ")), String("98 99 99"));
  t->p_Length(1);
  EXPECT_EQ(t->p_Join(String(" ")), String("98"));
  t->p_Length(3);
  EXPECT_EQ(t->p_Join(String(",")), String("98,,"));
  t->p_Clear();
  EXPECT_EQ(t->p_Length(), 0);
  EXPECT_EQ(t->p_ToArray().Length(), 0);
}

}  // namespace

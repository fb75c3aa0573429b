// URL parsing: every position below is a unit index into the whole text.
#include "net/url.h"

c_Url* c_Url::m_new(String url, String defaultScheme, int defaultPort) {
  m_defaultScheme = defaultScheme;
  m_defaultPort = defaultPort;
  p_Set2(url);
  return this;
}

int c_Url::p_Set2(String url) {
  m_url = url;
  m_scheme = m_defaultScheme;
  m_username = String();
  m_password = String();
  m_domain = String();
  m_port = m_defaultPort;
  m_path = String("/");
  m_query = String();
  m_fragment = String();

  const int len = url.Length();
  int q = url.Find(String("?"));
  int h = url.Find(String("#"));
  if (q != -1 && h != -1 && h < q) q = -1;  // the "?" is inside the fragment
  int end = q != -1 ? q : (h != -1 ? h : len);
  // A search result that counts: found, and before `limit`.
  auto before = [](int at, int limit) { return at != -1 && at < limit; };

  int pos = 0;
  int s = url.Find(String("://"));
  if (before(s, end)) {
    m_scheme = url.Slice(0, s);
    pos = s + 3;
  }

  int a = url.Find(String("@"), pos);
  if (before(a, end)) {
    int c = url.Find(String(":"), pos);
    if (before(c, a)) {
      m_username = url.Slice(pos, c);
      m_password = url.Slice(c + 1, a);
    } else {
      m_username = url.Slice(pos, a);
    }
    pos = a + 1;
  }

  int c = url.Find(String(":"), pos);
  int slash = url.Find(String("/"), pos);
  bool has_c = before(c, end);
  bool has_slash = before(slash, end);
  if (!has_c && !has_slash) {
    m_domain = url.Slice(pos, end);
  } else if (!has_slash) {
    m_domain = url.Slice(pos, c);
    m_port = url.Slice(c + 1, end).ToInt();
  } else if (!has_c || slash < c) {
    m_domain = url.Slice(pos, slash);
    m_path = url.Slice(slash, end);
  } else {
    m_domain = url.Slice(pos, c);
    m_port = url.Slice(c + 1, slash).ToInt();
    m_path = url.Slice(slash, end);
  }

  if (q != -1) m_query = h != -1 ? url.Slice(q + 1, h) : url.Slice(q + 1, len);
  if (h != -1) m_fragment = url.Slice(h + 1, len);
  return 0;
}

String c_Url::p_FullPath() {
  String out = m_path;
  if (!m_query.Empty()) out = out + String("?") + m_query;
  if (!m_fragment.Empty()) out = out + String("#") + m_fragment;
  return out;
}

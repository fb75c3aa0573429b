// c_Url: splits a URL into scheme, credentials, domain, port, path, query
// and fragment with plain substring searches.
//
// Forms: [scheme "://"] [user [":" password] "@"] domain [":" port]
// [path] ["?" query] ["#" fragment]. A "?" after the first "#" belongs to
// the fragment; a ":" after the first "/" belongs to the path. Absent parts
// take their defaults: the scheme and port given to the constructor, path
// "/", the others empty.
//
// Limits: no percent-decoding, no validation. The port is read as the C
// library reads a decimal number (leading digits of at most the first 63
// characters; 0 if none, saturating when huge), so it may lie outside 0 to
// 65535; the socket layer refuses such ports.
#pragma once

#include "runtime/kestro.h"

class c_Url : public Object {
 public:
  String m_defaultScheme;
  int m_defaultPort = 0;
  String m_url;
  String m_scheme;
  String m_username;
  String m_password;
  String m_domain;
  int m_port = 0;
  String m_path;
  String m_query;
  String m_fragment;

  c_Url* m_new(String url, String defaultScheme, int defaultPort);
  int p_Set2(String url);
  // Path, then "?" and the query, then "#" and the fragment (each only when
  // not empty).
  String p_FullPath();
  String p_Domain() { return m_domain; }
  int p_Port() { return m_port; }
};

// Which URLs the platform hands to the desktop: http: and https: ones only,
// so a link can never start a program through another scheme.
#include <gtest/gtest.h>

#include "host/platform.h"

namespace {

TEST(PlatformUrl, OnlyWebUrlsAreOpened) {
  struct Case {
    const char* url;
    bool web;
  };
  const Case cases[] = {
      {"http://127.0.0.1/", true},      {"https://example.org/a?b=c", true},
      {"HTTP://EXAMPLE.ORG", true},     {"hTTps://x", true},
      {"file:///etc/passwd", false},    {"javascript:alert(1)", false},
      {"ftp://127.0.0.1/", false},      {"mailto:a@b", false},
      {"http:/x", false},               {"https://", false},
      {"httpx://x", false},             {"/usr/bin/xterm", false},
      {"http://a\nb", false},           {"http://a\x7f", false},
      {"", false},                      {nullptr, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::IsWebUrl(c.url), c.web) << (c.url ? c.url : "null");
    // Refused ones are never handed on (nothing is started for them).
    if (!c.web) EXPECT_FALSE(platform::OpenUrl(c.url)) << (c.url ? c.url : "null");
  }
}

}  // namespace

// String operations. Results that equal an operand share its Rep; Join,
// Replace and Split size their result exactly before filling it.
#include "runtime/string.h"

#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "runtime/array.h"

String::Rep String::nullRep = {1, 0};

void String::Rep::release() {
  if (--refs == 0 && this != &nullRep) std::free(this);
}

String::Rep* String::Rep::alloc(int length) {
  if (length < 0 || length > 0x3ffffff0) rv_out_of_memory();
  Rep* r = static_cast<Rep*>(std::malloc(sizeof(Rep) + sizeof(Char) * (std::size_t)length));
  if (!r) rv_out_of_memory();
  r->refs = 1;
  r->length = length;
  return r;
}

namespace {

String::Rep* copy_rep(const Char* p, int n) {
  if (n <= 0) {
    String::nullRep.retain();
    return &String::nullRep;
  }
  String::Rep* r = String::Rep::alloc(n);
  std::memcpy(r->data, p, sizeof(Char) * n);
  return r;
}

}  // namespace

String::String(const Char* p, int n) : rep_(copy_rep(p, n)) {}

String::String(const char16_t* literal) {
  int n = 0;
  while (literal[n]) ++n;
  rep_ = copy_rep(reinterpret_cast<const Char*>(literal), n);
}

String::String(const char16_t* p, int n) : rep_(copy_rep(reinterpret_cast<const Char*>(p), n)) {}

String::String(const char* p, int n) {
  if (n <= 0) {
    rep_ = &nullRep;
    nullRep.retain();
    return;
  }
  rep_ = Rep::alloc(n);
  for (int i = 0; i < n; ++i) rep_->data[i] = (Char)(short)(signed char)p[i];
}

String::String(const char* cstr) : String(cstr, cstr ? (int)std::strlen(cstr) : 0) {}

namespace {

String format_int(int n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%i", n);
  return String(buf);
}

String format_float(float f) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17lg", (double)f);
  if (!std::strchr(buf, '.') && !std::strchr(buf, 'e')) std::strcat(buf, ".0");
  return String(buf);
}

}  // namespace

String::String(int n) : String(format_int(n)) {}

String::String(float f) : String(format_float(f)) {}

String String::FromChar(int ch) {
  Char c = (Char)ch;
  return String(&c, 1);
}

bool String::operator==(const String& s) const {
  if (rep_ == s.rep_) return true;
  if (rep_->length != s.rep_->length) return false;
  return std::memcmp(rep_->data, s.rep_->data, sizeof(Char) * rep_->length) == 0;
}

int String::Compare(const String& s) const {
  int n = Length() < s.Length() ? Length() : s.Length();
  for (int i = 0; i < n; ++i) {
    if (rep_->data[i] != s.rep_->data[i]) return (int)rep_->data[i] - (int)s.rep_->data[i];
  }
  return Length() - s.Length();
}

String String::operator+(const String& s) const {
  if (rep_->length == 0) return s;
  if (s.rep_->length == 0) return *this;
  Rep* r = Rep::alloc(rep_->length + s.rep_->length);
  std::memcpy(r->data, rep_->data, sizeof(Char) * rep_->length);
  std::memcpy(r->data + rep_->length, s.rep_->data, sizeof(Char) * s.rep_->length);
  return String(r);
}

String operator+(const char16_t* a, const String& b) { return String(a) + b; }
String operator+(const char* a, const String& b) { return String(a) + b; }

int String::Find(const String& find, int start) const {
  if (start < 0) start = 0;
  int n = find.Length();
  for (int i = start; i + n <= Length(); ++i) {
    if (std::memcmp(rep_->data + i, find.rep_->data, sizeof(Char) * n) == 0) return i;
  }
  return -1;
}

int String::FindLast(const String& find) const {
  int n = find.Length();
  for (int i = Length() - n; i >= 0; --i) {
    if (std::memcmp(rep_->data + i, find.rep_->data, sizeof(Char) * n) == 0) return i;
  }
  return -1;
}

bool String::StartsWith(const String& s) const {
  return s.Length() <= Length() &&
         std::memcmp(rep_->data, s.rep_->data, sizeof(Char) * s.Length()) == 0;
}

bool String::EndsWith(const String& s) const {
  return s.Length() <= Length() &&
         std::memcmp(rep_->data + Length() - s.Length(), s.rep_->data,
                     sizeof(Char) * s.Length()) == 0;
}

String String::Slice(int from, int to) const {
  int len = Length();
  if (from < 0) {
    from += len;
    if (from < 0) from = 0;
  } else if (from > len) {
    from = len;
  }
  if (to < 0) {
    to += len;
  } else if (to > len) {
    to = len;
  }
  if (from >= to) return String();
  if (from == 0 && to == len) return *this;
  return String(rep_->data + from, to - from);
}

Array<String> String::Split(const String& sep) const {
  if (sep.Length() == 0) {
    Array<String> out(Length());
    for (int i = 0; i < Length(); ++i) out[i] = String(rep_->data + i, 1);
    return out;
  }
  int count = 1;
  for (int i = Find(sep); i != -1; i = Find(sep, i + sep.Length())) ++count;
  Array<String> out(count);
  if (count == 1) {
    out[0] = *this;
    return out;
  }
  int start = 0, k = 0;
  for (int i = Find(sep); i != -1; i = Find(sep, start)) {
    out[k++] = Slice(start, i);
    start = i + sep.Length();
  }
  out[k] = Slice(start, Length());
  return out;
}

String String::Join(const Array<String>& parts) const {
  int n = parts.Length();
  if (n == 0) return String();
  if (n == 1) return parts[0];
  long long total = (long long)Length() * (n - 1);
  for (int i = 0; i < n; ++i) total += parts[i].Length();
  if (total > 0x3ffffff0) rv_out_of_memory();
  if (total == 0) return String();
  Rep* r = Rep::alloc((int)total);
  Char* p = r->data;
  for (int i = 0; i < n; ++i) {
    if (i > 0) {
      std::memcpy(p, rep_->data, sizeof(Char) * Length());
      p += Length();
    }
    std::memcpy(p, parts[i].rep_->data, sizeof(Char) * parts[i].Length());
    p += parts[i].Length();
  }
  return String(r);
}

String String::Replace(const String& find, const String& repl) const {
  int fn = find.Length();
  if (fn == 0) return *this;  // an empty pattern would never advance
  int count = 0;
  for (int i = Find(find); i != -1; i = Find(find, i + fn)) ++count;
  if (count == 0) return *this;
  long long total = Length() + (long long)count * (repl.Length() - fn);
  if (total > 0x3ffffff0) rv_out_of_memory();
  if (total == 0) return String();
  Rep* r = Rep::alloc((int)total);
  Char* p = r->data;
  int start = 0;
  for (int i = Find(find); i != -1; i = Find(find, start)) {
    std::memcpy(p, rep_->data + start, sizeof(Char) * (i - start));
    p += i - start;
    std::memcpy(p, repl.rep_->data, sizeof(Char) * repl.Length());
    p += repl.Length();
    start = i + fn;
  }
  std::memcpy(p, rep_->data + start, sizeof(Char) * (Length() - start));
  return String(r);
}

String String::MapCase(bool upper) const {
  auto map = [upper](Char c) { return (Char)(upper ? std::towupper(c) : std::towlower(c)); };
  int n = Length();
  const Char* d = rep_->data;
  int i = 0;
  while (i < n && map(d[i]) == d[i]) ++i;
  if (i == n) return *this;
  Rep* r = Rep::alloc(n);
  std::memcpy(r->data, d, sizeof(Char) * i);
  for (; i < n; ++i) r->data[i] = map(d[i]);
  return String(r);
}

String String::ToUpper() const { return MapCase(true); }

String String::ToLower() const { return MapCase(false); }

String String::Trim() const {
  int i = 0, j = Length();
  while (i < j && rep_->data[i] <= 32) ++i;
  while (j > i && rep_->data[j - 1] <= 32) --j;
  return Slice(i, j);
}

int String::ToInt() const {
  char buf[64];
  int n = Length() < 63 ? Length() : 63;
  for (int i = 0; i < n; ++i) buf[i] = (char)rep_->data[i];
  buf[n] = 0;
  // atoi's conversion with the out-of-range case made defined: strtol
  // saturates, and the narrowing keeps the low 32 bits.
  return (int)(unsigned int)(unsigned long)std::strtol(buf, nullptr, 10);
}

std::string String::ToCString() const {
  std::string out;
  out.resize(Length());
  for (int i = 0; i < Length(); ++i) out[i] = (char)rep_->data[i];
  return out;
}

void String::AppendUtf8(std::string& out) const {
  for (int i = 0; i < Length(); ++i) {
    unsigned c = rep_->data[i];
    if (c < 0x80) {
      out.push_back((char)c);
    } else if (c < 0x800) {
      out.push_back((char)(0xc0 | c >> 6));
      out.push_back((char)(0x80 | (c & 0x3f)));
    } else {
      out.push_back((char)(0xe0 | c >> 12));
      out.push_back((char)(0x80 | ((c >> 6) & 0x3f)));
      out.push_back((char)(0x80 | (c & 0x3f)));
    }
  }
}

std::string String::ToUtf8() const {
  std::string out;
  out.reserve(Length());
  AppendUtf8(out);
  return out;
}

String String::FromBytes(const unsigned char* p, std::size_t n) {
  if (n == 0) return String();
  if (n >= 2 && ((p[0] == 0xfe && p[1] == 0xff) || (p[0] == 0xff && p[1] == 0xfe))) {
    bool big = p[0] == 0xfe;
    std::size_t count = (n - 2) / 2;
    if (count == 0) return String();
    if (count > 0x3ffffff0) rv_out_of_memory();
    Rep* r = Rep::alloc((int)count);
    for (std::size_t i = 0; i < count; ++i) {
      unsigned char a = p[2 + 2 * i], b = p[3 + 2 * i];
      r->data[i] = big ? (Char)(a << 8 | b) : (Char)(b << 8 | a);
    }
    return String(r);
  }
  std::size_t start = (n >= 3 && p[0] == 0xef && p[1] == 0xbb && p[2] == 0xbf) ? 3 : 0;
  if (n - start > 0x3ffffff0) rv_out_of_memory();
  // UTF-8 never yields more units than bytes.
  Rep* r = Rep::alloc((int)(n - start));
  int len = 0;
  bool valid = true;
  for (std::size_t i = start; i < n;) {
    unsigned c = p[i];
    if (c < 0x80) {
      r->data[len++] = (Char)c;
      i += 1;
    } else if ((c & 0xe0) == 0xc0 && i + 1 < n && (p[i + 1] & 0xc0) == 0x80) {
      r->data[len++] = (Char)((c & 0x1f) << 6 | (p[i + 1] & 0x3f));
      i += 2;
    } else if ((c & 0xf0) == 0xe0 && i + 2 < n && (p[i + 1] & 0xc0) == 0x80 &&
               (p[i + 2] & 0xc0) == 0x80) {
      r->data[len++] = (Char)((c & 0x0f) << 12 | (p[i + 1] & 0x3f) << 6 | (p[i + 2] & 0x3f));
      i += 3;
    } else {
      valid = false;
      break;
    }
  }
  if (!valid) {
    len = 0;
    for (std::size_t i = start; i < n; ++i) r->data[len++] = p[i];
  }
  if (len == 0) {
    r->release();
    return String();
  }
  r->length = len;
  return String(r);
}

String String::Load(FILE* file) {
  std::string bytes;
  char block[4096];
  for (;;) {
    std::size_t got = std::fread(block, 1, sizeof block, file);
    bytes.append(block, got);
    if (got < sizeof block) break;
  }
  return FromBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

void t_create(int n, String* p) {
  for (int i = 0; i < n; ++i) new (p + i) String();
}
void t_create(int n, String* p, const String* src) {
  for (int i = 0; i < n; ++i) new (p + i) String(src[i]);
}
void t_destroy(int n, String* p) {
  for (int i = 0; i < n; ++i) p[i].~String();
}

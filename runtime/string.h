// String: an immutable, reference-counted string of 16-bit units.
//
// One heap block holds the header and the units. Every empty string shares
// String::nullRep, which is counted like any other but never freed. Results
// that equal an operand share its Rep instead of copying. Units are never
// decoded: one unit is one character and Length() counts units.
//
// Construction from `const char*` takes one character per byte, sign-extended
// (byte 0xE9 becomes 0xFFE9); write non-ASCII literals as u"..." instead.
// Reference counts are plain ints: strings stay on the thread that made them,
// except where the networking layer hands over a deep copy.
#pragma once

#include <cstdio>
#include <string>

typedef unsigned short Char;

template <class T>
class Array;

class String {
 public:
  struct Rep {
    int refs;
    int length;
    Char data[];

    void retain() { ++refs; }
    void release();
    static Rep* alloc(int length);  // refs 1, units uninitialised
  };
  static Rep nullRep;

  String() : rep_(&nullRep) { rep_->retain(); }
  String(const String& s) : rep_(s.rep_) { rep_->retain(); }
  String(String&& s) noexcept : rep_(s.rep_) {
    s.rep_ = &nullRep;
    nullRep.retain();
  }
  ~String() { rep_->release(); }
  String& operator=(const String& s) {
    s.rep_->retain();
    rep_->release();
    rep_ = s.rep_;
    return *this;
  }
  String& operator=(String&& s) noexcept {
    if (this != &s) {
      Rep* old = rep_;
      rep_ = s.rep_;
      s.rep_ = old;
    }
    return *this;
  }

  String(const Char* p, int n);
  String(const char16_t* literal);  // NUL-terminated UTF-16 literal
  String(const char16_t* p, int n);
  String(const char* cstr);  // 8-bit, one character per byte, sign-extended
  String(const char* p, int n);
  explicit String(int n);    // "%i"
  explicit String(float f);  // "%.17lg", plus ".0" when it looks like an integer

  static String FromChar(int ch);
  // Decodes a whole text file's bytes: UTF-16 by byte-order mark, else UTF-8
  // (mark skipped), falling back to Latin-1 when the UTF-8 is invalid.
  static String FromBytes(const unsigned char* p, std::size_t n);
  static String Load(FILE* file);

  int Length() const { return rep_->length; }
  int operator[](int i) const { return rep_->data[i]; }
  const Char* Data() const { return rep_->data; }
  Rep* GetRep() const { return rep_; }
  bool Empty() const { return rep_->length == 0; }

  bool operator==(const String& s) const;
  bool operator!=(const String& s) const { return !(*this == s); }
  bool operator<(const String& s) const { return Compare(s) < 0; }
  int Compare(const String& s) const;

  String operator+(const String& s) const;
  String& operator+=(const String& s) { return *this = *this + s; }

  int Find(const String& find, int start = 0) const;
  int FindLast(const String& find) const;
  bool Contains(const String& s) const { return Find(s) != -1; }
  bool StartsWith(const String& s) const;
  bool EndsWith(const String& s) const;

  String Slice(int from) const { return Slice(from, Length()); }
  String Slice(int from, int to) const;
  Array<String> Split(const String& separator) const;
  String Join(const Array<String>& parts) const;
  String Replace(const String& find, const String& repl) const;
  String ToUpper() const;
  String ToLower() const;
  String Trim() const;  // drops units up to U+0020 at both ends
  int ToInt() const;

  // Conversions for the platform and for output.
  std::string ToCString() const;  // low byte of each unit
  std::string ToUtf8() const;     // each unit alone: 1, 2 or 3 bytes
  void AppendUtf8(std::string& out) const;

 private:
  explicit String(Rep* adopted) : rep_(adopted) {}
  String MapCase(bool upper) const;
  Rep* rep_;
};

String operator+(const char16_t* a, const String& b);
String operator+(const char* a, const String& b);

// Raw-storage helpers for blocks of strings.
void t_create(int n, String* p);
void t_create(int n, String* p, const String* src);
void t_destroy(int n, String* p);

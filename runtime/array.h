// Array<T>: a fixed-length array in the collected heap.
//
// Each element type has one static empty representation (length 0, colour 3,
// never collected) shared by every empty array. Elements start cleared:
// numbers 0, bools false, pointers null, strings empty. Indexing is not
// checked. Assigning an Array marks the assigned representation at once, so
// storing an array into a field or global needs no explicit barrier; storing
// an object into an element does: gc_assign(arr[i], obj).
#pragma once

#include <cstring>
#include <new>
#include <type_traits>

#include "runtime/gc.h"
#include "runtime/string.h"

[[noreturn]] void rv_out_of_memory();

template <class T>
class Array {
 public:
  class Rep : public gc_object {
   public:
    int length;

    T* data() {
      return reinterpret_cast<T*>(reinterpret_cast<char*>(this) + DataOffset());
    }
    static constexpr std::size_t DataOffset() {
      constexpr std::size_t a = alignof(T) > 8 ? alignof(T) : 8;
      return (sizeof(Rep) + a - 1) / a * a;
    }

    explicit Rep(gc_object::static_tag tag) : gc_object(tag), length(0) {}
    explicit Rep(int n) : length(n) {
      // Trivial elements come from zeroed memory (see Alloc).
      if constexpr (!std::is_trivially_default_constructible_v<T>) {
        for (int i = 0; i < n; ++i) new (data() + i) T();
      }
    }
    ~Rep() override {
      if constexpr (!std::is_trivially_destructible_v<T>) {
        for (int i = 0; i < length; ++i) data()[i].~T();
      }
    }
    void mark() override {
      if constexpr (std::is_pointer_v<T>) {
        T* d = data();
        for (int i = 0; i < length; ++i) {
          if (d[i]) gc_mark(d[i]);
        }
      }
    }

    static Rep* Alloc(int n) {
      if (n <= 0) return Null();
      unsigned long long bytes = DataOffset() + (unsigned long long)n * sizeof(T);
      if (bytes > 0x7ffffff0ull) rv_out_of_memory();
      void* mem = std::is_trivially_default_constructible_v<T>
                      ? gc_object_alloc_zeroed((std::size_t)bytes)
                      : gc_object_alloc((std::size_t)bytes);
      return ::new (mem) Rep(n);
    }
    static Rep* Null() {
      static Rep* null_rep = [] {
        alignas(Rep) static unsigned char storage[sizeof(Rep)];
        // Colour 3 is never white: never marked, moved or freed.
        return ::new (static_cast<void*>(storage)) Rep(gc_object::static_tag{});
      }();
      return null_rep;
    }
  };

  Array() : rep_(Rep::Null()) {}
  explicit Array(int length) : rep_(Rep::Alloc(length)) {}
  Array(const T* src, int length) : rep_(Rep::Alloc(length)) {
    for (int i = 0; i < rep_->length; ++i) rep_->data()[i] = src[i];
  }
  Array(const Array& a) : rep_(a.rep_) {}
  Array& operator=(const Array& a) {
    gc_mark(a.rep_);
    rep_ = a.rep_;
    return *this;
  }

  int Length() const { return rep_->length; }
  T& operator[](int i) const { return rep_->data()[i]; }
  T* Data() const { return rep_->data(); }
  Rep* GetRep() const { return rep_; }
  bool IsNull() const { return rep_ == Rep::Null(); }

  // A new array of `length` elements holding the first elements of this one.
  Array Resize(int length) const {
    Array r(length);
    int n = length < Length() ? length : Length();
    for (int i = 0; i < n; ++i) r[i] = (*this)[i];
    return r;
  }

 private:
  Rep* rep_;
};

template <class T>
inline void gc_mark(const Array<T>& a) {
  gc_mark(a.GetRep());
}
template <class T>
inline void gc_mark_q(const Array<T>& a) {
  gc_mark_q(a.GetRep());
}

// The suite's growable arrays, shared with the host modules by layout and growth rule.
//
// CDA<T,N> keeps its elements in one block of plain bytes that grows and shrinks in
// steps of 2^N elements; CRAS<T,N> adds stack operations; SCDA<T> is CDA<T,8>.
// PDA<T,N,M> keeps constructed elements in pages of 2^N, reached through a directory
// of page pointers whose capacity grows in steps of 2^M pages; elements never move,
// so references to them survive growth. PRAS<T,N,M> adds the stack operations.
//
// Capacities are never stored: a CDA block holds count rounded up to a whole step,
// a PDA has count rounded up to whole pages and a directory of that many pages
// rounded up to a whole directory step. Index arithmetic is by shift and mask.
//
// Every failed allocation leaves the array exactly as it was and is reported by the
// operation's result. Indexing and the stack operations check nothing beyond debug
// assertions: the caller keeps indices and depths below the count.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "foundation/memory.h"

namespace dlist {

// The element a push-like operation returns when the array cannot grow: a scratch
// object of the thread, outside every array, so that writes through the returned
// reference land nowhere.
template <class T>
T& scratch_element() {
  static thread_local T scratch{};
  return scratch;
}

}  // namespace dlist

// ---- CDA ----------------------------------------------------------------------------

// Contiguous dynamic array of plain-data elements, in steps of 2^N elements.
template <class T, int N>
class CDA {
  static_assert(N >= 0 && N < 31, "CDA step exponent out of range");
  static_assert(std::is_trivially_copyable_v<T>, "CDA elements are copied as plain bytes");

 public:
  // Empty: no block, count 0.
  CDA() noexcept = default;
  // n zero-filled elements in a block of the rounded capacity; no block when n is 0.
  // When memory is short the array is empty (size() tells).
  explicit CDA(unsigned n) noexcept;
  // A deep copy; empty when memory is short.
  CDA(const CDA& src) noexcept;
  // As clone(src); when memory is short the array is left unchanged.
  CDA& operator=(const CDA& src) noexcept;
  CDA(CDA&& src) noexcept;
  CDA& operator=(CDA&& src) noexcept;
  ~CDA();

  unsigned int size() const noexcept { return count; }
  bool is_empty() const noexcept { return count == 0; }

  // Element i, unchecked.
  T& operator[](int i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](long i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](long long i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](short i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](unsigned i) noexcept { return at(i); }
  T& operator[](unsigned long i) noexcept { return at(i); }
  T& operator[](unsigned long long i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](unsigned short i) noexcept { return at(i); }
  const T& operator[](int i) const noexcept { return at(static_cast<std::size_t>(i)); }
  const T& operator[](long i) const noexcept { return at(static_cast<std::size_t>(i)); }
  const T& operator[](long long i) const noexcept { return at(static_cast<std::size_t>(i)); }
  const T& operator[](short i) const noexcept { return at(static_cast<std::size_t>(i)); }
  const T& operator[](unsigned i) const noexcept { return at(i); }
  const T& operator[](unsigned long i) const noexcept { return at(i); }
  const T& operator[](unsigned long long i) const noexcept {
    return at(static_cast<std::size_t>(i));
  }
  const T& operator[](unsigned short i) const noexcept { return at(i); }

  // Element count-1-k (k counts from the end); top() is pick(0).
  T& pick(unsigned k) noexcept { return at(std::size_t{count} - 1 - k); }
  const T& pick(unsigned k) const noexcept { return at(std::size_t{count} - 1 - k); }
  T& top() noexcept { return pick(0); }
  const T& top() const noexcept { return pick(0); }

  // The block itself (null when empty).
  operator T*() noexcept { return data; }  // NOLINT(google-explicit-constructor)
  operator const T*() const noexcept { return data; }  // NOLINT(google-explicit-constructor)

  // Sets the count to n. The block is reallocated only when the number of steps
  // changes; grown space is not cleared. Returns the block, or null when memory is
  // short (array unchanged) or n is 0 (block freed).
  T* resize(unsigned n) noexcept;
  // resize(count + k); null and unchanged when count + k does not fit the count.
  T* extend(unsigned k) noexcept;
  // resize(count - k); null and unchanged when k exceeds the count.
  T* shrink(unsigned k) noexcept;
  // Makes this array a copy of src: resize to its count, then copy its bytes. Returns
  // the block; null when src is empty or memory is short (array then unchanged).
  T* clone(const CDA& src) noexcept;

 protected:
  static constexpr std::uint64_t kStep = std::uint64_t{1} << N;

  // Whole steps needed for n elements.
  static std::uint64_t steps(std::uint64_t n) noexcept { return (n + (kStep - 1)) >> N; }

  T& at(std::size_t i) noexcept {
    assert(i < count);
    return data[i];
  }
  const T& at(std::size_t i) const noexcept {
    assert(i < count);
    return data[i];
  }

  // Grows by one element; false (unchanged) when the count is at its limit or
  // memory is short.
  bool grow_by_one() noexcept { return count != ~0u && resize(count + 1) != nullptr; }

  T* data = nullptr;       // the element block, null when the capacity is 0
  unsigned int count = 0;  // elements in use
};

// ---- CRAS ---------------------------------------------------------------------------

// CDA with stack operations. Depth k is element count-1-k (depth 0 is the top);
// index i counts from the bottom. Moves are block moves of the bytes.
//
// Push-like operations return a reference to the new top. When the array cannot grow
// (memory short), nothing changes and the reference is to dlist::scratch_element<T>(),
// outside the array; compare size() before and after when it matters.
template <class T, int N>
class CRAS : public CDA<T, N> {
  using Base = CDA<T, N>;

 public:
  using Base::Base;

  // Appends a copy of x (x may be an element of this array).
  T& push(const T& x) noexcept;
  // Appends a copy of the top / element i / the element at depth k.
  T& dup() noexcept { return push(this->top()); }
  T& idx_dup(unsigned i) noexcept { return push(this->at(i)); }
  T& rel_dup(unsigned k) noexcept { return push(this->pick(k)); }

  // Removes the k top elements. False, and nothing changes, when k exceeds the count
  // or memory is short.
  bool drop(unsigned k) noexcept;
  // Removes the element at depth k / index i; the elements above it move one place
  // down (one block move). False, and nothing changes, on an empty array or when
  // memory is short.
  bool rel_drop(unsigned k) noexcept;
  bool idx_drop(unsigned i) noexcept;

  // Exchanges the top and depth 1 / element i and the top / elements i and j /
  // the top and depth k / depths k and l.
  void swap() noexcept { exchange(top_index(), depth_index(1)); }
  void idx_swap(unsigned i) noexcept { exchange(i, top_index()); }
  void idx_swap(unsigned i, unsigned j) noexcept { exchange(i, j); }
  void rel_swap(unsigned k) noexcept { exchange(top_index(), depth_index(k)); }
  void rel_swap(unsigned k, unsigned l) noexcept { exchange(depth_index(k), depth_index(l)); }

  // Depths 1..k move one place towards the top; the old top is overwritten and
  // depth k keeps its value. The count is unchanged.
  void shift_up(unsigned k) noexcept;
  // Depths 0..k-1 move one place away from the top; the old depth k is overwritten
  // and the top keeps its value. The count is unchanged.
  void shift_dn(unsigned k) noexcept;
  // Rotations: the top goes to depth k and depths 1..k move up / depth k goes to the
  // top and depths 0..k-1 move down.
  void rc_up(unsigned k) noexcept;
  void rc_dn(unsigned k) noexcept;

 private:
  std::size_t top_index() const noexcept { return depth_index(0); }
  std::size_t depth_index(unsigned k) const noexcept {
    assert(k < this->count);
    return std::size_t{this->count} - 1 - k;
  }
  void exchange(std::size_t i, std::size_t j) noexcept;
};

// ---- SCDA ---------------------------------------------------------------------------

// Layout and behaviour of CDA<T,8>: steps of 256 elements.
template <class T>
class SCDA : public CDA<T, 8> {
 public:
  using CDA<T, 8>::CDA;
};

// ---- PDA ----------------------------------------------------------------------------

// Paged dynamic array: pages of 2^N constructed elements, created together by
// ORB::NewArray and destroyed together by ORB::DeleteArray, reached through a
// directory of 2^M-slot steps. Element i lives in page i >> N at i & (2^N - 1).
// Elements never move. An element removed from the end stays constructed, with its
// old value, until its whole page is released; a later growth assigns over it.
template <class T, int N, int M>
class PDA {
  static_assert(N >= 0 && N < 31 && M >= 0 && M < 31, "PDA exponents out of range");

 public:
  // Empty: no directory, count 0.
  PDA() noexcept = default;
  // Starts empty and resizes to n; stays empty when memory is short.
  explicit PDA(unsigned n) noexcept;
  // A deep copy, assigned element by element from the last down; empty when memory
  // is short.
  PDA(const PDA& src) noexcept;
  // A deep copy as PRAS::clone; when memory is short the array is left unchanged.
  PDA& operator=(const PDA& src) noexcept;
  PDA(PDA&& src) noexcept;
  PDA& operator=(PDA&& src) noexcept;
  // Destroys every page from the highest down, then frees the directory.
  ~PDA();

  unsigned int size() const noexcept { return count; }
  bool is_empty() const noexcept { return count == 0; }

  // Element i, unchecked.
  T& operator[](int i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](long i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](long long i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](short i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](unsigned i) noexcept { return at(i); }
  T& operator[](unsigned long i) noexcept { return at(i); }
  T& operator[](unsigned long long i) noexcept { return at(static_cast<std::size_t>(i)); }
  T& operator[](unsigned short i) noexcept { return at(i); }
  const T& operator[](int i) const noexcept { return at(static_cast<std::size_t>(i)); }
  const T& operator[](long i) const noexcept { return at(static_cast<std::size_t>(i)); }
  const T& operator[](long long i) const noexcept { return at(static_cast<std::size_t>(i)); }
  const T& operator[](short i) const noexcept { return at(static_cast<std::size_t>(i)); }
  const T& operator[](unsigned i) const noexcept { return at(i); }
  const T& operator[](unsigned long i) const noexcept { return at(i); }
  const T& operator[](unsigned long long i) const noexcept {
    return at(static_cast<std::size_t>(i));
  }
  const T& operator[](unsigned short i) const noexcept { return at(i); }

  // Element count-1-k (k counts from the end); top() is pick(0).
  T& pick(unsigned k) noexcept { return at(std::size_t{count} - 1 - k); }
  const T& pick(unsigned k) const noexcept { return at(std::size_t{count} - 1 - k); }
  T& top() noexcept { return pick(0); }
  const T& top() const noexcept { return pick(0); }

  // Sets the count to n: releases the pages no longer needed from the highest down,
  // fits the directory, creates the new pages from the highest down. False when
  // memory is short; the array is then unchanged.
  bool resize(unsigned n) noexcept;
  // Grows by one element (a new page when the count is a multiple of 2^N). False,
  // unchanged, when memory is short or the count is at its limit.
  bool extend() noexcept;
  // Removes the last element, releasing its page when it was the page's first.
  // Nothing happens on an empty array.
  void shrink() noexcept;

 protected:
  static constexpr std::uint64_t kPage = std::uint64_t{1} << N;      // elements a page
  static constexpr std::uint64_t kPageMask = kPage - 1;
  static constexpr std::uint64_t kDirStep = std::uint64_t{1} << M;   // slots a directory step
  static constexpr std::uint64_t kDirMask = kDirStep - 1;

  // Pages needed for n elements, and directory slots for that many pages.
  static std::uint64_t page_count(std::uint64_t n) noexcept { return (n + kPageMask) >> N; }
  static std::uint64_t slot_count(std::uint64_t pages) noexcept {
    return ((pages + kDirMask) >> M) << M;
  }

  T& at(std::size_t i) noexcept {
    assert(i < count);
    return pages[i >> N][i & kPageMask];
  }
  const T& at(std::size_t i) const noexcept {
    assert(i < count);
    return pages[i >> N][i & kPageMask];
  }

  // Reallocates the directory to the slots needed for n elements (none for 0; the
  // directory is then freed). Slots beyond the pages of the current count become
  // null. False when memory is short; the directory then stays as it was. A directory
  // left larger than needed (it could not shrink) does no harm: every later
  // reallocation asks for the exact size again.
  bool _resize(unsigned n) noexcept;
  // Creates the page in slot count >> N, growing the directory first when the page
  // count is a multiple of 2^M. False, and nothing changes, when memory is short.
  bool _extend() noexcept;
  // Releases the page in slot count >> N and shrinks the directory when the remaining
  // page count is a multiple of 2^M. Called after the count has been lowered.
  void _shrink() noexcept;

  // Destroys page p and nulls its slot.
  void release_page(std::size_t p) noexcept {
    ORB::DeleteArray(pages[p]);
    pages[p] = nullptr;
  }
  // Makes this array a copy of src: resize, then assign from the last index down.
  bool assign_from(const PDA& src) noexcept;
  void release_all() noexcept;

  T** pages = nullptr;     // directory of page pointers, null when there is none
  unsigned int count = 0;  // elements in use
};

// ---- PRAS ---------------------------------------------------------------------------

// PDA with stack operations, as CRAS; moves are element-by-element assignments.
// Push-like operations return a reference to the new top; when the array cannot grow,
// nothing changes and the reference is to dlist::scratch_element<T>(), outside the
// array (compare size() before and after when it matters).
template <class T, int N, int M>
class PRAS : public PDA<T, N, M> {
  using Base = PDA<T, N, M>;

 public:
  using Base::Base;

  // Appends a copy of x; x may be an element of this array (pages never move).
  T& push(const T& x) noexcept;
  T& dup() noexcept { return push(this->top()); }
  T& idx_dup(unsigned i) noexcept { return push(this->at(i)); }
  T& rel_dup(unsigned k) noexcept { return push(this->pick(k)); }

  // Removes the top; nothing happens on an empty array.
  void drop() noexcept { this->shrink(); }
  // Removes the k top elements. False, and nothing changes, when k exceeds the count.
  bool drop(unsigned k) noexcept;
  // Removes the element at depth k / index i; the elements above it move one place
  // down, assigned one by one. False, and nothing changes, on an empty array.
  bool rel_drop(unsigned k) noexcept;
  bool idx_drop(unsigned i) noexcept;

  void swap() noexcept { exchange(top_index(), depth_index(1)); }
  void idx_swap(unsigned i) noexcept { exchange(i, top_index()); }
  void idx_swap(unsigned i, unsigned j) noexcept { exchange(i, j); }
  void rel_swap(unsigned k) noexcept { exchange(top_index(), depth_index(k)); }
  void rel_swap(unsigned k, unsigned l) noexcept { exchange(depth_index(k), depth_index(l)); }

  void shift_up(unsigned k) noexcept;
  void shift_dn(unsigned k) noexcept;
  void rc_up(unsigned k) noexcept;
  void rc_dn(unsigned k) noexcept;

  // Makes this array a copy of src (nothing happens when src is this array): resize to
  // its count, then assign every element from the last index down. False when memory
  // is short; the array is then unchanged.
  bool clone(const PDA<T, N, M>& src) noexcept;

 private:
  std::size_t top_index() const noexcept { return depth_index(0); }
  std::size_t depth_index(unsigned k) const noexcept {
    assert(k < this->count);
    return std::size_t{this->count} - 1 - k;
  }
  void exchange(std::size_t i, std::size_t j) noexcept {
    using std::swap;
    swap(this->at(i), this->at(j));
  }
};

// ---- CDA members --------------------------------------------------------------------

template <class T, int N>
CDA<T, N>::CDA(unsigned n) noexcept {
  if (n == 0) return;
  std::size_t elements = 0;
  if (!dlist::array_bytes(steps(n) << N, 1, &elements)) return;
  void* block = ORB_calloc(elements, sizeof(T));
  if (block == nullptr) return;
  data = static_cast<T*>(block);
  count = n;
}

template <class T, int N>
CDA<T, N>::CDA(const CDA& src) noexcept {
  if (src.count == 0) return;
  CDA copy(src.count);
  if (copy.count == 0) return;
  std::memcpy(static_cast<void*>(copy.data), src.data, sizeof(T) * src.count);
  *this = std::move(copy);
}

template <class T, int N>
CDA<T, N>& CDA<T, N>::operator=(const CDA& src) noexcept {
  clone(src);
  return *this;
}

template <class T, int N>
CDA<T, N>::CDA(CDA&& src) noexcept : data(src.data), count(src.count) {
  src.data = nullptr;
  src.count = 0;
}

template <class T, int N>
CDA<T, N>& CDA<T, N>::operator=(CDA&& src) noexcept {
  if (&src != this) {
    ORB_free(data);
    data = src.data;
    count = src.count;
    src.data = nullptr;
    src.count = 0;
  }
  return *this;
}

template <class T, int N>
CDA<T, N>::~CDA() {
  ORB_free(data);
}

template <class T, int N>
T* CDA<T, N>::resize(unsigned n) noexcept {
  if (n == 0) {
    ORB_free(data);
    data = nullptr;
    count = 0;
    return nullptr;
  }
  const std::uint64_t new_steps = steps(n);
  if (new_steps == steps(count)) {
    count = n;
    return data;
  }
  std::size_t bytes = 0;
  if (!dlist::array_bytes(new_steps << N, sizeof(T), &bytes)) return nullptr;
  void* block = ORB_realloc(data, bytes);
  if (block == nullptr) return nullptr;
  data = static_cast<T*>(block);
  count = n;
  return data;
}

template <class T, int N>
T* CDA<T, N>::extend(unsigned k) noexcept {
  if (k > ~0u - count) return nullptr;
  return resize(count + k);
}

template <class T, int N>
T* CDA<T, N>::shrink(unsigned k) noexcept {
  if (k > count) return nullptr;
  return resize(count - k);
}

template <class T, int N>
T* CDA<T, N>::clone(const CDA& src) noexcept {
  if (&src == this) return data;
  if (resize(src.count) == nullptr) return nullptr;
  std::memcpy(static_cast<void*>(data), src.data, sizeof(T) * src.count);
  return data;
}

// ---- CRAS members -------------------------------------------------------------------

template <class T, int N>
T& CRAS<T, N>::push(const T& x) noexcept {
  // x may lie in the block, which can move when it grows: take its bytes first.
  alignas(T) unsigned char saved[sizeof(T)];
  std::memcpy(saved, static_cast<const void*>(&x), sizeof(T));
  if (!this->grow_by_one()) return dlist::scratch_element<T>();
  T& slot = this->data[this->count - 1];
  std::memcpy(static_cast<void*>(&slot), saved, sizeof(T));
  return slot;
}

template <class T, int N>
bool CRAS<T, N>::drop(unsigned k) noexcept {
  if (k > this->count) return false;
  const unsigned n = this->count - k;
  return k == 0 || n == 0 || this->resize(n) != nullptr;
}

template <class T, int N>
bool CRAS<T, N>::rel_drop(unsigned k) noexcept {
  if (this->count == 0) return false;
  const unsigned n = this->count - 1;
  alignas(T) unsigned char saved[sizeof(T)];
  std::memcpy(saved, static_cast<const void*>(&this->at(depth_index(k))), sizeof(T));
  shift_dn(k);
  if (n == 0 || this->resize(n) != nullptr) return true;
  // The block could not shrink: undo the move so that nothing has changed.
  shift_up(k);
  std::memcpy(static_cast<void*>(&this->at(depth_index(k))), saved, sizeof(T));
  return false;
}

template <class T, int N>
bool CRAS<T, N>::idx_drop(unsigned i) noexcept {
  if (this->count == 0) return false;
  return rel_drop(this->count - 1 - i);
}

template <class T, int N>
void CRAS<T, N>::shift_up(unsigned k) noexcept {
  if (k == 0) return;
  const std::size_t low = depth_index(k);
  std::memmove(static_cast<void*>(this->data + low + 1), this->data + low, sizeof(T) * k);
}

template <class T, int N>
void CRAS<T, N>::shift_dn(unsigned k) noexcept {
  if (k == 0) return;
  const std::size_t low = depth_index(k);
  std::memmove(static_cast<void*>(this->data + low), this->data + low + 1, sizeof(T) * k);
}

template <class T, int N>
void CRAS<T, N>::rc_up(unsigned k) noexcept {
  const T saved = this->top();
  shift_up(k);
  this->data[depth_index(k)] = saved;
}

template <class T, int N>
void CRAS<T, N>::rc_dn(unsigned k) noexcept {
  const T saved = this->data[depth_index(k)];
  shift_dn(k);
  this->top() = saved;
}

template <class T, int N>
void CRAS<T, N>::exchange(std::size_t i, std::size_t j) noexcept {
  alignas(T) unsigned char saved[sizeof(T)];
  T* a = &this->at(i);
  T* b = &this->at(j);
  std::memcpy(saved, static_cast<const void*>(a), sizeof(T));
  std::memmove(static_cast<void*>(a), b, sizeof(T));
  std::memcpy(static_cast<void*>(b), saved, sizeof(T));
}

// ---- PDA members --------------------------------------------------------------------

template <class T, int N, int M>
PDA<T, N, M>::PDA(unsigned n) noexcept {
  resize(n);
}

template <class T, int N, int M>
PDA<T, N, M>::PDA(const PDA& src) noexcept {
  assign_from(src);
}

template <class T, int N, int M>
PDA<T, N, M>& PDA<T, N, M>::operator=(const PDA& src) noexcept {
  if (&src != this) assign_from(src);
  return *this;
}

template <class T, int N, int M>
PDA<T, N, M>::PDA(PDA&& src) noexcept : pages(src.pages), count(src.count) {
  src.pages = nullptr;
  src.count = 0;
}

template <class T, int N, int M>
PDA<T, N, M>& PDA<T, N, M>::operator=(PDA&& src) noexcept {
  if (&src != this) {
    release_all();
    pages = src.pages;
    count = src.count;
    src.pages = nullptr;
    src.count = 0;
  }
  return *this;
}

template <class T, int N, int M>
PDA<T, N, M>::~PDA() {
  release_all();
}

template <class T, int N, int M>
void PDA<T, N, M>::release_all() noexcept {
  for (std::size_t p = page_count(count); p-- > 0;) release_page(p);
  ORB_free(pages);
  pages = nullptr;
  count = 0;
}

template <class T, int N, int M>
bool PDA<T, N, M>::_resize(unsigned n) noexcept {
  const std::uint64_t slots = slot_count(page_count(n));
  if (slots == 0) {
    ORB_free(pages);
    pages = nullptr;
    return true;
  }
  std::size_t bytes = 0;
  if (!dlist::array_bytes(slots, sizeof(T*), &bytes)) return false;
  void* block = ORB_realloc(pages, bytes);
  if (block == nullptr) return false;
  pages = static_cast<T**>(block);
  for (std::uint64_t p = page_count(count); p < slots; ++p) pages[p] = nullptr;
  return true;
}

template <class T, int N, int M>
bool PDA<T, N, M>::resize(unsigned n) noexcept {
  const std::uint64_t have = page_count(count);
  const std::uint64_t want = page_count(n);
  if (want < have) {
    for (std::uint64_t p = have; p-- > want;) release_page(p);
    _resize(n);
  } else if (want > have) {
    if (!_resize(n)) return false;
    for (std::uint64_t p = want; p-- > have;) {
      pages[p] = ORB::NewArray<T>(kPage);
      if (pages[p] == nullptr) {
        for (std::uint64_t q = p + 1; q < want; ++q) release_page(q);
        _resize(count);
        return false;
      }
    }
  }
  count = n;
  return true;
}

template <class T, int N, int M>
bool PDA<T, N, M>::_extend() noexcept {
  const std::uint64_t p = count >> N;
  const bool grow_directory = (p & kDirMask) == 0;
  if (grow_directory && !_resize(count + 1)) return false;
  T* page = ORB::NewArray<T>(kPage);
  if (page == nullptr) {
    if (grow_directory) _resize(count);
    return false;
  }
  pages[p] = page;
  return true;
}

template <class T, int N, int M>
bool PDA<T, N, M>::extend() noexcept {
  if (count == ~0u) return false;
  if ((count & kPageMask) == 0 && !_extend()) return false;
  ++count;
  return true;
}

template <class T, int N, int M>
void PDA<T, N, M>::_shrink() noexcept {
  const std::uint64_t p = count >> N;
  release_page(p);
  if ((p & kDirMask) == 0) _resize(count);
}

template <class T, int N, int M>
void PDA<T, N, M>::shrink() noexcept {
  if (count == 0) return;
  --count;
  if ((count & kPageMask) == 0) _shrink();
}

template <class T, int N, int M>
bool PDA<T, N, M>::assign_from(const PDA& src) noexcept {
  if (!resize(src.count)) return false;
  for (std::size_t i = src.count; i-- > 0;) at(i) = src.at(i);
  return true;
}

// ---- PRAS members -------------------------------------------------------------------

template <class T, int N, int M>
T& PRAS<T, N, M>::push(const T& x) noexcept {
  if (!this->extend()) return dlist::scratch_element<T>();
  T& slot = this->top();
  slot = x;
  return slot;
}

template <class T, int N, int M>
bool PRAS<T, N, M>::drop(unsigned k) noexcept {
  if (k > this->count) return false;
  return this->resize(this->count - k);
}

template <class T, int N, int M>
bool PRAS<T, N, M>::rel_drop(unsigned k) noexcept {
  if (this->count == 0) return false;
  shift_dn(k);
  this->shrink();
  return true;
}

template <class T, int N, int M>
bool PRAS<T, N, M>::idx_drop(unsigned i) noexcept {
  if (this->count == 0) return false;
  return rel_drop(this->count - 1 - i);
}

template <class T, int N, int M>
void PRAS<T, N, M>::shift_up(unsigned k) noexcept {
  for (unsigned j = 1; j <= k; ++j) this->at(depth_index(j - 1)) = this->at(depth_index(j));
}

template <class T, int N, int M>
void PRAS<T, N, M>::shift_dn(unsigned k) noexcept {
  for (unsigned j = k; j >= 1; --j) this->at(depth_index(j)) = this->at(depth_index(j - 1));
}

template <class T, int N, int M>
void PRAS<T, N, M>::rc_up(unsigned k) noexcept {
  T saved = this->top();
  shift_up(k);
  this->at(depth_index(k)) = saved;
}

template <class T, int N, int M>
void PRAS<T, N, M>::rc_dn(unsigned k) noexcept {
  T saved = this->at(depth_index(k));
  shift_dn(k);
  this->top() = saved;
}

template <class T, int N, int M>
bool PRAS<T, N, M>::clone(const PDA<T, N, M>& src) noexcept {
  if (&src == this) return true;
  return this->assign_from(src);
}

// Members compiled once, in arrays.cpp.
extern template class CDA<int, 6>;
extern template class CDA<double, 6>;
extern template class CDA<long, 8>;
extern template class SCDA<long>;
extern template class CRAS<long, 4>;
extern template class PDA<double, 5, 5>;
extern template class PRAS<double, 5, 5>;

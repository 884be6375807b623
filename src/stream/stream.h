// The symmetric binary stream framework. One and the same io() call writes a value to
// an output stream or reads it from an input stream, so a record's streaming code is
// written once and serves both directions.
//
// Basic values are encoded as their images on the little-endian 32-bit target, with no
// tag, length, alignment or padding between them (table in docs/formats.md, "Stream
// encoding"): char, bool 1 byte; short 2; int, long, float 4; double, long long 8, all
// least significant byte first. `long` is 4 bytes on every host; note that int64_t is
// `long` on LP64 hosts, so 8-byte values are streamed as `long long`.
//
// Every failure (a short read, a failed write, a value or count that does not fit) is
// thrown as dlist::StreamError; exchange code catches it around each pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "dlist/api.h"
#include "foundation/object.h"
#include "foundation/orb_string.h"
#include "foundation/stream_error.h"
#include "stream/checksum.h"
#include "stream/identity_table.h"

class FileHandle;
struct Streamable;

// A stream: the direction and the transfer of raw bytes.
struct DLIST_API Stream : virtual Object {
  Stream() = default;
  Stream(const Stream&) : Object() {}
  Stream& operator=(const Stream&) { return *this; }

  // Reads the value (input) or writes it, unchanged (output).
  void io(char& v);
  void io(signed char& v);
  void io(unsigned char& v);
  void io(bool& v);  // 0 or 1 on output; any non-zero byte reads as true
  void io(short& v);
  void io(unsigned short& v);
  void io(int& v);
  void io(unsigned int& v);
  // 4 bytes. On output a value outside 32 bits throws StreamError; on input the value
  // is sign- (long) or zero-extended (unsigned long).
  void io(long& v);
  void io(unsigned long& v);
  void io(float& v);
  void io(double& v);
  void io(long long& v);
  void io(unsigned long long& v);
  // size bytes copied as they stand; a negative size throws StreamError.
  void io(void* data, int size);
  // An object reference; no stream of this library supports them (throws StreamError).
  void io(Streamable*& object);

  virtual bool isInput() const = 0;

 private:
  virtual void ioCallback(Streamable*& object) = 0;
  virtual void ioCallback(void* data, int size) = 0;

  // Transfers an n-byte little-endian image of bits (n = 1, 2, 4 or 8).
  void io_bits(uint64_t& bits, int n);
  // Transfers the low n bytes of an integer; what is read is sign- or zero-extended.
  template <typename T>
  void io_integer(T& v, int n);
};

// An object whose contents can be streamed through a stream in either direction.
struct DLIST_API Streamable : virtual Object {
  Streamable() = default;
  Streamable(const Streamable&) : Object() {}
  Streamable& operator=(const Streamable&) { return *this; }
  virtual void io(Stream& s) = 0;
};

// Creates an object for a class read from a stream (used only by object references).
struct DLIST_API Factory : virtual Object {
  Factory() = default;
  Factory(const Factory&) : Object() {}
  Factory& operator=(const Factory&) { return *this; }
  virtual Streamable* create(uint32_t class_id) = 0;
};

// An input stream. Its object table serves object references and starts empty.
struct DLIST_API StreamInput : Stream {
  bool isInput() const override { return true; }
  // Bytes that can still be read; readers check counts against it before allocating.
  virtual uint64_t bytesLeft() const = 0;

  Streamable** objects = nullptr;  // objects read so far, by reference number
  uint32_t objectCount = 0;        // entries in objects

 private:
  void ioCallback(Streamable*& object) override;
};

// An output stream. Its identity table numbers the objects written by reference.
struct DLIST_API StreamOutput : virtual Stream {
  static constexpr uint32_t kInitialCapacity = 987;

  bool isInput() const override { return false; }

  dlist::IdentityTable identities{kInitialCapacity};
  uint32_t lowLimit = 610;  // growth limits of the identity table
  uint32_t highLimit = 987;

 private:
  void ioCallback(Streamable*& object) override;
};

// Reads a file through a FileHandle: its own (opened "rb" on a name) or the caller's.
struct DLIST_API StreamInputFile : StreamInput {
  // Opens name for reading; throws StreamError when it cannot.
  explicit StreamInputFile(const ORB::String& name);
  // Reads through the caller's open handle, which outlives the stream and stays open.
  explicit StreamInputFile(FileHandle& handle);
  ~StreamInputFile() override;
  StreamInputFile(const StreamInputFile&) = delete;
  StreamInputFile& operator=(const StreamInputFile&) = delete;

  uint64_t bytesLeft() const override;
  FileHandle& handle() { return *handle_; }

 private:
  void ioCallback(void* data, int size) override;

  bool ownsHandle_;     // the handle was created by this stream
  FileHandle* handle_;  // the file read
};

// Writes a file through a FileHandle: its own (opened "wb" on a name) or the caller's.
struct DLIST_API StreamOutputFile : virtual StreamOutput {
  // Creates or truncates name for writing; throws StreamError when it cannot.
  explicit StreamOutputFile(const ORB::String& name);
  // Writes through the caller's open handle, which outlives the stream and stays open.
  explicit StreamOutputFile(FileHandle& handle);
  // Closes an owned handle; a failure there is not reported, so a writer that must know
  // its file is complete calls close() first.
  ~StreamOutputFile() override;
  StreamOutputFile(const StreamOutputFile&) = delete;
  StreamOutputFile& operator=(const StreamOutputFile&) = delete;

  // Flushes the written bytes to the system and, for an owned handle, closes the file;
  // throws StreamError when that fails. Nothing may be written afterwards.
  void close();
  FileHandle& handle() { return *handle_; }

 private:
  void ioCallback(void* data, int size) override;

  bool ownsHandle_;     // the handle was created by this stream
  FileHandle* handle_;  // the file written
};

// Reads from a block of memory that outlives the stream.
struct DLIST_API StreamInputMemory : StreamInput {
  explicit StreamInputMemory(std::span<const unsigned char> bytes) : bytes_(bytes) {}
  StreamInputMemory(const void* data, std::size_t size)
      : bytes_(static_cast<const unsigned char*>(data), size) {}

  uint64_t bytesLeft() const override { return bytes_.size() - position_; }
  std::size_t position() const { return position_; }

 private:
  // Copies size bytes, or throws StreamError (consuming nothing) when fewer are left.
  void ioCallback(void* data, int size) override;

  std::span<const unsigned char> bytes_;
  std::size_t position_ = 0;
};

// Appends what is written to a byte vector of its own.
struct DLIST_API StreamOutputMemory : virtual StreamOutput {
  const std::vector<unsigned char>& bytes() const { return bytes_; }
  // Hands over the bytes written so far, leaving the stream empty.
  std::vector<unsigned char> take() { return std::move(bytes_); }

 private:
  void ioCallback(void* data, int size) override;

  std::vector<unsigned char> bytes_;
};

// An output stream that only counts bytes: the length of a block comes from the same
// io() code that writes it.
struct DLIST_API StreamSizer : virtual StreamOutput {
  uint64_t size() const { return size_; }

 private:
  void ioCallback(void* data, int size) override;

  uint64_t size_ = 0;
};

namespace dlist {

// On an input stream, throws StreamError naming `what` when the n bytes about to be
// read exceed cap or the bytes left in the stream; on an output stream does nothing.
// Readers call it with a length read from a file before allocating for it.
DLIST_API void require_bytes(Stream& s, uint64_t n, uint64_t cap, const char* what);

// The same for count items of item_size bytes each: refuses count > cap and
// count * item_size beyond the bytes left (without overflowing).
DLIST_API void require_items(Stream& s, uint64_t count, uint64_t item_size, uint64_t cap,
                             const char* what);

}  // namespace dlist

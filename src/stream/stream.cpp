// The stream framework: the encoding of the basic values, the file, memory and
// counting streams, and the length checks that readers make before allocating.
#include "stream/stream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "foundation/byte_order.h"
#include "stream/file_handle.h"

using dlist::StreamError;

// ---- basic values ----------------------------------------------------------------

void Stream::io_bits(uint64_t& bits, int n) {
  unsigned char b[8];
  if (isInput()) {
    ioCallback(b, n);
    bits = n == 1   ? b[0]
           : n == 2 ? dlist::load_le16(b)
           : n == 4 ? dlist::load_le32(b)
                    : dlist::load_le64(b);
  } else {
    switch (n) {
      case 1:
        b[0] = static_cast<unsigned char>(bits);
        break;
      case 2:
        dlist::store_le16(b, static_cast<uint16_t>(bits));
        break;
      case 4:
        dlist::store_le32(b, static_cast<uint32_t>(bits));
        break;
      default:
        dlist::store_le64(b, bits);
        break;
    }
    ioCallback(b, n);
  }
}

template <typename T>
void Stream::io_integer(T& v, int n) {
  uint64_t bits = static_cast<uint64_t>(v);
  io_bits(bits, n);
  if (!isInput()) return;
  if constexpr (std::numeric_limits<T>::is_signed) {
    int shift = 64 - 8 * n;
    v = static_cast<T>(static_cast<int64_t>(bits << shift) >> shift);
  } else {
    v = static_cast<T>(bits);
  }
}

void Stream::io(char& v) {
  io_integer(v, 1);
}
void Stream::io(signed char& v) {
  io_integer(v, 1);
}
void Stream::io(unsigned char& v) {
  io_integer(v, 1);
}
void Stream::io(short& v) {
  io_integer(v, 2);
}
void Stream::io(unsigned short& v) {
  io_integer(v, 2);
}
void Stream::io(int& v) {
  io_integer(v, 4);
}
void Stream::io(unsigned int& v) {
  io_integer(v, 4);
}
void Stream::io(long long& v) {
  io_integer(v, 8);
}
void Stream::io(unsigned long long& v) {
  io_integer(v, 8);
}

void Stream::io(bool& v) {
  uint64_t bits = v ? 1 : 0;
  io_bits(bits, 1);
  if (isInput()) v = bits != 0;
}

void Stream::io(long& v) {
  if (!isInput() && (v < INT32_MIN || v > INT32_MAX)) {
    throw StreamError("long value " + std::to_string(v) + " does not fit in 4 bytes");
  }
  io_integer(v, 4);
}

void Stream::io(unsigned long& v) {
  if (!isInput() && v > UINT32_MAX) {
    throw StreamError("unsigned long value " + std::to_string(v) + " does not fit in 4 bytes");
  }
  io_integer(v, 4);
}

void Stream::io(float& v) {
  uint64_t bits = std::bit_cast<uint32_t>(v);
  io_bits(bits, 4);
  if (isInput()) v = std::bit_cast<float>(static_cast<uint32_t>(bits));
}

void Stream::io(double& v) {
  uint64_t bits = std::bit_cast<uint64_t>(v);
  io_bits(bits, 8);
  if (isInput()) v = std::bit_cast<double>(bits);
}

void Stream::io(void* data, int size) {
  if (size < 0) throw StreamError("negative block size " + std::to_string(size));
  ioCallback(data, size);
}

void Stream::io(Streamable*& object) {
  ioCallback(object);
}

// ---- object references -------------------------------------------------------------

void StreamInput::ioCallback(Streamable*&) {
  throw StreamError("object references are not supported");
}

void StreamOutput::ioCallback(Streamable*&) {
  throw StreamError("object references are not supported");
}

// ---- file streams --------------------------------------------------------------------

StreamInputFile::StreamInputFile(const ORB::String& name)
    : ownsHandle_(true), handle_(new FileHandle(name, "rb")) {}

StreamInputFile::StreamInputFile(FileHandle& handle) : ownsHandle_(false), handle_(&handle) {}

StreamInputFile::~StreamInputFile() {
  if (ownsHandle_) delete handle_;
}

uint64_t StreamInputFile::bytesLeft() const {
  return handle_->remaining();
}

void StreamInputFile::ioCallback(void* data, int size) {
  handle_->read(data, static_cast<unsigned>(size));
}

StreamOutputFile::StreamOutputFile(const ORB::String& name)
    : ownsHandle_(true), handle_(new FileHandle(name, "wb")) {}

StreamOutputFile::StreamOutputFile(FileHandle& handle) : ownsHandle_(false), handle_(&handle) {}

StreamOutputFile::~StreamOutputFile() {
  if (ownsHandle_) delete handle_;
}

void StreamOutputFile::close() {
  if (ownsHandle_) {
    handle_->close();
  } else {
    handle_->flush();
  }
}

void StreamOutputFile::ioCallback(void* data, int size) {
  handle_->write(data, static_cast<unsigned>(size));
}

// ---- memory streams ------------------------------------------------------------------

void StreamInputMemory::ioCallback(void* data, int size) {
  std::size_t n = static_cast<std::size_t>(size);
  if (n > bytes_.size() - position_) {
    throw StreamError("short read: " + std::to_string(n) + " bytes wanted, " +
                      std::to_string(bytes_.size() - position_) + " left");
  }
  if (n != 0) std::memcpy(data, bytes_.data() + position_, n);
  position_ += n;
}

void StreamOutputMemory::ioCallback(void* data, int size) {
  // Records are written a field of a few bytes at a time: room is made in steps,
  // and each field is copied into it.
  const auto n = static_cast<std::size_t>(size);
  const std::size_t at = bytes_.size();
  if (bytes_.capacity() - at < n) bytes_.reserve(std::max<std::size_t>(2 * bytes_.capacity(), at + n + 256));
  bytes_.resize(at + n);
  if (n != 0) std::memcpy(bytes_.data() + at, data, n);
}

void StreamSizer::ioCallback(void*, int size) {
  size_ += static_cast<uint64_t>(size);
}

// ---- length checks -------------------------------------------------------------------

namespace dlist {
namespace {

// The bytes an input stream can still deliver, or the largest value when it cannot say.
uint64_t bytes_left(Stream& s) {
  const auto* in = dynamic_cast<const StreamInput*>(&s);
  return in != nullptr ? in->bytesLeft() : std::numeric_limits<uint64_t>::max();
}

}  // namespace

void require_bytes(Stream& s, uint64_t n, uint64_t cap, const char* what) {
  if (!s.isInput()) return;
  if (n > cap) {
    throw StreamError(std::string(what) + ": length " + std::to_string(n) + " exceeds the limit " +
                      std::to_string(cap));
  }
  uint64_t left = bytes_left(s);
  if (n > left) {
    throw StreamError(std::string(what) + ": length " + std::to_string(n) + " but only " +
                      std::to_string(left) + " bytes left");
  }
}

void require_items(Stream& s, uint64_t count, uint64_t item_size, uint64_t cap, const char* what) {
  if (!s.isInput()) return;
  if (count > cap) {
    throw StreamError(std::string(what) + ": count " + std::to_string(count) +
                      " exceeds the limit " + std::to_string(cap));
  }
  uint64_t left = bytes_left(s);
  if (item_size != 0 && count > left / item_size) {
    throw StreamError(std::string(what) + ": count " + std::to_string(count) + " of " +
                      std::to_string(item_size) + "-byte items but only " + std::to_string(left) +
                      " bytes left");
  }
}

}  // namespace dlist

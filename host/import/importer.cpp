// The record reader. The file is read through one window (ByteSource) that can
// be asked for a few bytes ahead, so separators of several bytes and the end of a
// repeated group are recognised without reading twice. Every loop consumes at
// least one byte or ends, so no input can keep the reader from finishing.
#include "host/import/importer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "host/resources.h"

namespace dlist::import_internal {
namespace {

constexpr size_t kWindow = size_t{64} << 10;
// How far ahead the reader looks to tell that only line breaks (record layout)
// or only delimiters and blanks (delimited text) are left on a line or in the file.
constexpr size_t kLookahead = 4096;

// A window over a file opened for reading.
class ByteSource {
 public:
  explicit ByteSource(std::FILE* file) : file_(file), buf_(kWindow) {}

  // Makes at least want bytes available unless the file ends first; returns the
  // number available.
  size_t fill(size_t want) {
    if (end_ - pos_ >= want) return end_ - pos_;
    if (pos_ > 0) {
      std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    if (buf_.size() < want) buf_.resize(want);
    while (end_ < want && !eof_) {
      const size_t n = std::fread(buf_.data() + end_, 1, buf_.size() - end_, file_);
      if (n == 0) {
        eof_ = true;
        error_ = std::ferror(file_) != 0;
      }
      end_ += n;
    }
    return end_ - pos_;
  }

  const char* data() const { return buf_.data() + pos_; }
  size_t available() const { return end_ - pos_; }

  void consume(size_t n) {
    n = std::min(n, end_ - pos_);
    lines_ += static_cast<long>(std::count(buf_.data() + pos_, buf_.data() + pos_ + n, '\n'));
    pos_ += n;
    consumed_ += n;
  }

  // True when the whole rest of the file is in the window.
  bool exhausted() const { return eof_; }
  bool error() const { return error_; }
  uint64_t consumed() const { return consumed_; }
  long lines() const { return lines_; }

 private:
  std::FILE* file_;
  std::vector<char> buf_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  bool error_ = false;
  uint64_t consumed_ = 0;
  long lines_ = 0;  // LF bytes consumed
};

bool is_line_end(const std::string& separator) {
  return separator == kSeparatorCrLf || separator == kSeparatorLine;
}

}  // namespace

// One pass of Importer::Process over an open file.
class RecordRun {
 public:
  RecordRun(Importer& importer, std::FILE* file, int64_t total)
      : imp_(importer), src_(*importer.source_), in_(file), total_(total) {}

  int run() {
    if (imp_.Reset() == 0) return fail(ReadFailure::kRefused, "the reader was not reset");
    if (!skip_to_start()) return 0;
    for (;;) {
      bool more = false;
      const bool ok = src_.Delimiter() != 0 ? read_line_record(&more) : read_layout_record(&more);
      if (!ok) return 0;
      if (!more) return 1;
      if (imp_.RecordReady() == 0) {
        return fail(ReadFailure::kRefused, record_place() + " was refused");
      }
      ++imp_.records_;
      if (imp_.progress_) {
        ImportProgress p;
        p.records = imp_.records_;
        p.bytes_read = in_.consumed();
        p.bytes_total = total_;
        imp_.progress_(p);
      }
    }
  }

 private:
  enum class End { kSeparator, kLineEnd, kFileEnd };

  int fail(ReadFailure kind, std::string text) {
    imp_.failure_ = kind;
    imp_.failure_text_ = std::move(text);
    return 0;
  }

  bool read_error() {
    fail(ReadFailure::kUnreadable, "the file cannot be read (line " +
                                       std::to_string(in_.lines() + 1) + ")");
    return false;
  }

  std::string record_place() const {
    return "record " + std::to_string(record_) + " (from line " + std::to_string(record_line_) +
           ")";
  }

  static std::string field_name(const FIELDPARS& f) {
    std::string name = f.name > 0 ? load_string(static_cast<unsigned>(f.name)) : std::string();
    if (name.empty()) name = "type " + std::to_string(f.type);
    return "\"" + name + "\"";
  }

  bool truncated(const FIELDPARS& f) {
    fail(ReadFailure::kTruncated, record_place() + ", field " + field_name(f) +
                                      ": the file ends inside the record");
    return false;
  }

  // Adds n bytes to the current field, refusing a field that would pass the limit.
  bool append(const FIELDPARS& f, const char* p, size_t n, bool keep = true) {
    if (!keep || n == 0) return true;
    std::string& field = imp_.field_;
    if (n > imp_.field_limit_ || field.size() > imp_.field_limit_ - n) {
      fail(ReadFailure::kFieldTooLong, record_place() + ", field " + field_name(f) +
                                           ": longer than " +
                                           std::to_string(imp_.field_limit_) + " bytes");
      return false;
    }
    field.append(p, n);
    return true;
  }

  void drop_final_cr() {
    std::string& field = imp_.field_;
    if (!field.empty() && field.back() == '\r') field.pop_back();
  }

  bool deliver(const FIELDPARS& f) {
    if (imp_.FieldReady(f) != 0) return true;
    fail(ReadFailure::kRefused, record_place() + ", field " + field_name(f) + " was refused");
    return false;
  }

  // The number of bytes at the front that make up separator (0: none). CR stands
  // for CR LF, and also for a CR that is the last byte of the file; LF also takes
  // a CR before it.
  size_t separator_at_front(const std::string& separator) {
    if (separator == kSeparatorLine) {
      const size_t avail = in_.fill(2);
      if (avail >= 1 && in_.data()[0] == '\n') return 1;
      if (avail >= 2 && in_.data()[0] == '\r' && in_.data()[1] == '\n') return 2;
      return 0;
    }
    if (separator == kSeparatorCrLf) {
      const size_t avail = in_.fill(2);
      if (avail >= 2 && in_.data()[0] == '\r' && in_.data()[1] == '\n') return 2;
      if (avail == 1 && in_.data()[0] == '\r' && in_.exhausted()) return 1;
      return 0;
    }
    const size_t avail = in_.fill(separator.size());
    if (avail >= separator.size() &&
        std::memcmp(in_.data(), separator.data(), separator.size()) == 0) {
      return separator.size();
    }
    return 0;
  }

  // Reads up to the field's separator and consumes it.
  bool read_to_separator(const FIELDPARS& f, End* end) {
    const char first = f.separator == kSeparatorLine ? '\n' : f.separator[0];
    for (;;) {
      const size_t avail = in_.fill(1);
      if (avail == 0) {
        if (in_.error()) return read_error();
        if (f.separator == kSeparatorLine) drop_final_cr();
        *end = End::kFileEnd;
        return true;
      }
      const char* p = in_.data();
      const void* hit = std::memchr(p, first, avail);
      const size_t k = hit != nullptr ? static_cast<size_t>(static_cast<const char*>(hit) - p) : avail;
      if (!append(f, p, k)) return false;
      in_.consume(k);
      if (hit == nullptr) continue;
      if (const size_t n = separator_at_front(f.separator); n > 0) {
        in_.consume(n);
        if (f.separator == kSeparatorLine) drop_final_cr();
        *end = End::kSeparator;
        return true;
      }
      if (in_.error()) return read_error();
      if (!append(f, in_.data(), 1)) return false;  // not the separator: it is data
      in_.consume(1);
    }
  }

  // Reads a field of f.count bytes; false when the file ends before.
  bool read_fixed(const FIELDPARS& f) {
    size_t left = static_cast<size_t>(f.count);
    if (left > imp_.field_limit_) return append(f, nullptr, left);  // refused by the limit
    while (left > 0) {
      const size_t avail = in_.fill(1);
      if (avail == 0) return in_.error() ? read_error() : truncated(f);
      const size_t take = std::min(avail, left);
      if (!append(f, in_.data(), take)) return false;
      in_.consume(take);
      left -= take;
    }
    return true;
  }

  // Record layout: reads field f (the record's last when last) and delivers it.
  bool read_layout_field(const FIELDPARS& f, bool last) {
    imp_.field_.clear();
    if (f.count > 0) {
      if (!read_fixed(f)) return false;
    } else {
      End end = End::kSeparator;
      if (!read_to_separator(f, &end)) return false;
      if (end == End::kFileEnd && !(last && is_line_end(f.separator))) return truncated(f);
    }
    return deliver(f);
  }

  // Record layout: true when nothing but line breaks is left in the file; they are
  // consumed.
  bool only_line_breaks_left() {
    const size_t avail = in_.fill(kLookahead);
    if (!in_.exhausted() || in_.error()) return false;
    const char* p = in_.data();
    for (size_t i = 0; i < avail; ++i) {
      if (p[i] != '\r' && p[i] != '\n') return false;
    }
    in_.consume(avail);
    return true;
  }

  bool read_layout_record(bool* more) {
    *more = false;
    if (in_.fill(1) == 0) return in_.error() ? read_error() : true;
    if (only_line_breaks_left()) return true;
    begin_record();
    const int n = src_.GetFieldNb();
    int i = 0;
    while (i < n) {
      const FIELDPARS& f = src_[i];
      if (f.repeat == 0) {
        if (!read_layout_field(f, i == n - 1)) return false;
        ++i;
        continue;
      }
      // A repeated group: its members up to the end mark (CheckFields saw the mark).
      int mark_index = i;
      while (src_[mark_index].repeat != 0) ++mark_index;
      const FIELDPARS& mark = src_[mark_index];
      const bool mark_last = mark_index == n - 1;
      for (;;) {
        if (const size_t m = separator_at_front(mark.separator); m > 0) {
          in_.consume(m);
          break;
        }
        if (in_.fill(1) == 0) {
          if (in_.error()) return read_error();
          if (mark_last && is_line_end(mark.separator)) break;
          return truncated(mark);
        }
        for (int k = i; k < mark_index; ++k) {
          if (!read_layout_field(src_[k], false)) return false;
        }
      }
      imp_.field_.clear();
      if (!deliver(mark)) return false;
      i = mark_index + 1;
    }
    *more = true;
    return true;
  }

  // Delimited text: consumes the line at the front when it holds only delimiters,
  // blanks and tabs (and its line break); false, consuming nothing, otherwise.
  bool skip_blank_line() {
    const size_t avail = in_.fill(kLookahead);
    const char* p = in_.data();
    const char d = src_.Delimiter();
    for (size_t i = 0; i < avail && i < kLookahead; ++i) {
      const char c = p[i];
      if (c == '\n') {
        in_.consume(i + 1);
        return true;
      }
      if (c != d && c != ' ' && c != '\t' && c != '\r') return false;
    }
    if (avail < kLookahead && in_.exhausted() && !in_.error()) {
      in_.consume(avail);  // the last line, without a line break
      return true;
    }
    return false;
  }

  // Delimited text: reads one column up to the delimiter or the line end.
  bool read_column(const FIELDPARS& f, bool keep, End* end) {
    const char d = src_.Delimiter();
    for (;;) {
      const size_t avail = in_.fill(1);
      if (avail == 0) {
        if (in_.error()) return read_error();
        if (keep) drop_final_cr();
        *end = End::kFileEnd;
        return true;
      }
      const char* p = in_.data();
      size_t k = 0;
      while (k < avail && p[k] != d && p[k] != '\n') ++k;
      if (!append(f, p, k, keep)) return false;
      if (k == avail) {
        in_.consume(k);
        continue;
      }
      const char stop = p[k];
      in_.consume(k + 1);
      if (stop == '\n') {
        if (keep) drop_final_cr();
        *end = End::kLineEnd;
      } else {
        *end = End::kSeparator;
      }
      return true;
    }
  }

  bool discard_line() {
    for (;;) {
      const size_t avail = in_.fill(1);
      if (avail == 0) return in_.error() ? read_error() : true;
      const void* nl = std::memchr(in_.data(), '\n', avail);
      if (nl != nullptr) {
        in_.consume(static_cast<size_t>(static_cast<const char*>(nl) - in_.data()) + 1);
        return true;
      }
      in_.consume(avail);
    }
  }

  bool read_line_record(bool* more) {
    *more = false;
    for (;;) {
      if (in_.fill(1) == 0) return in_.error() ? read_error() : true;
      if (!skip_blank_line()) break;
    }
    begin_record();
    bool line_done = false;
    const int n = src_.GetFieldNb();
    for (int i = 0; i < n; ++i) {
      const FIELDPARS& f = src_[i];
      const bool keep = f.type != kSkippedColumn;
      imp_.field_.clear();
      if (!line_done) {
        End end = End::kSeparator;
        if (!read_column(f, keep, &end)) return false;
        line_done = end != End::kSeparator;
      }
      if (keep && !deliver(f)) return false;
    }
    if (!line_done && !discard_line()) return false;
    *more = true;
    return true;
  }

  void begin_record() {
    ++record_;
    record_line_ = in_.lines() + 1;
  }

  bool skip_to_start() {
    long offset = src_.GetOffset();
    while (offset > 0) {
      const size_t avail = in_.fill(1);
      if (avail == 0) {
        if (in_.error()) return read_error();
        fail(ReadFailure::kBadStart, "the records would start beyond the end of the file");
        return false;
      }
      const size_t take = std::min(avail, static_cast<size_t>(offset));
      in_.consume(take);
      offset -= static_cast<long>(take);
    }
    for (long r = src_.GetStartRecord(); r > 0; --r) {
      if (in_.fill(1) == 0) return in_.error() ? read_error() : true;
      if (!discard_line()) return false;
    }
    return true;
  }

  Importer& imp_;
  const FileImport& src_;
  ByteSource in_;
  int64_t total_;
  long record_ = 0;
  long record_line_ = 0;
};

}  // namespace dlist::import_internal

Importer::~Importer() = default;

int Importer::Process(const char* path) {
  records_ = 0;
  field_.clear();
  if (path == nullptr || *path == 0) {
    failure_ = dlist::ReadFailure::kUnreadable;
    failure_text_ = "no file was named";
    return 0;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    failure_ = dlist::ReadFailure::kUnreadable;
    failure_text_ = std::string("the file cannot be opened: ") + path;
    return 0;
  }
  const int result = Process(file);
  std::fclose(file);
  return result;
}

int Importer::Process(std::FILE* file) {
  records_ = 0;
  field_.clear();
  failure_ = dlist::ReadFailure::kNone;
  failure_text_.clear();
  if (file == nullptr) {
    failure_ = dlist::ReadFailure::kUnreadable;
    failure_text_ = "no file was given";
    return 0;
  }
  if (std::string problem = source_->CheckFields(); !problem.empty()) {
    failure_ = dlist::ReadFailure::kBadFieldList;
    failure_text_ = "the field list cannot be read: " + problem;
    return 0;
  }
  int64_t total = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long size = std::ftell(file);
    if (size >= 0) total = size;
  }
  if (std::fseek(file, 0, SEEK_SET) != 0) {
    failure_ = dlist::ReadFailure::kUnreadable;
    failure_text_ = "the file cannot be positioned at its start";
    return 0;
  }
  std::clearerr(file);
  dlist::import_internal::RecordRun run(*this, file, total);
  return run.run();
}

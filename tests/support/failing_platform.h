// Platform errors in tests: the real platform failing as a test chooses (a full
// disk, a busy share, a server gone), and the check of an error's kind and path.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"

namespace webexam::test {

using Kind = PlatformError::Kind;

// A folder where a file is read or written: Windows refuses the access, POSIX
// names the case (EISDIR), of no kind a caller decides on.
#ifdef _WIN32
inline constexpr Kind kFolderInTheWay = Kind::kDenied;
#else
inline constexpr Kind kFolderInTheWay = Kind::kOther;
#endif

// The error the platform throws when `operation` fails on `path` for `kind`,
// with this system's error number and words: "cannot write /c/cj.txt: No space…".
PlatformError ErrorOf(Kind kind, std::string_view operation, std::u16string_view path);

// Whether `operation` throws a PlatformError of `kind` that names `path`
// (for an empty path: that names none).
::testing::AssertionResult ThrowsPlatformError(const std::function<void()>& operation, Kind kind,
                                               std::u16string_view path);

// The real platform, failing the operations a test names as the real one
// would; the report viewer never starts, the documents go to `opened`.
class FailingPlatform : public ForwardingPlatform {
 public:
  enum class Op {
    kReadHead,
    kWriteFile,
    kAppendExclusively,
    kRemoveFile,
    kMakeFolder,
    kOpenDocument,
    kWriteNewFile,
    kConnectShare,
  };
  struct Fault {
    Op op;
    Kind kind;
    std::u16string where;  // only paths that hold this text fail; every path when empty
    int times = -1;        // the calls that fail before the operation works again; -1: all
    // Only calls before Now() reaches this fail.
    std::optional<std::chrono::steady_clock::time_point> until;
  };

  using ForwardingPlatform::ForwardingPlatform;

  // Makes `op` fail with `kind` on the paths that hold `where` (every path
  // when empty) from now on; the fault returned may be narrowed further.
  Fault& Fail(Op op, Kind kind, std::u16string where = {}) {
    return faults_.emplace_back(Fault{op, kind, std::move(where), -1, std::nullopt});
  }
  void Clear() { faults_.clear(); }
  // How many times `op` was called, failed calls included.
  int Calls(Op op) const { return calls_[static_cast<std::size_t>(op)]; }

  std::string ReadHead(const std::u16string& path, std::size_t limit,
                       IfMissing if_missing) override {
    Call(Op::kReadHead, path);
    return inner_.ReadHead(path, limit, if_missing);
  }
  void WriteFile(const std::u16string& path, std::string_view bytes) override {
    Call(Op::kWriteFile, path);
    inner_.WriteFile(path, bytes);
  }
  void AppendExclusively(const std::u16string& path, std::string_view bytes) override {
    Call(Op::kAppendExclusively, path);
    if (torn_appends > 0) {
      // As a Windows open for appending alone leaves a write the connection
      // dropped in the middle of: the first half stands, and cannot be cut.
      --torn_appends;
      inner_.AppendToFile(path, bytes.substr(0, bytes.size() / 2));
      throw ErrorOf(Kind::kTransient, "cannot write", path).MarkPartWritten();
    }
    inner_.AppendExclusively(path, bytes);
  }
  void RemoveFile(const std::u16string& path) override {
    Call(Op::kRemoveFile, path);
    inner_.RemoveFile(path);
  }
  void MakeFolder(const std::u16string& path) override {
    Call(Op::kMakeFolder, path);
    inner_.MakeFolder(path);
  }
  void OpenDocument(const std::u16string& path) override {
    Call(Op::kOpenDocument, path);
    opened.push_back(path);
  }
  void WriteNewFile(const std::u16string& path, std::string_view bytes) override {
    Call(Op::kWriteNewFile, path);
    inner_.WriteNewFile(path, bytes);
  }
  void ConnectShare(const std::u16string& share) override {
    Call(Op::kConnectShare, share);
    inner_.ConnectShare(share);
  }

  std::vector<std::u16string> opened;
  // How many next appends write half their bytes, then fail as part_written().
  int torn_appends = 0;

 private:
  // Counts the call and throws when a fault takes it.
  void Call(Op op, const std::u16string& path);

  std::deque<Fault> faults_;  // keeps the faults handed out in place
  std::array<int, 8> calls_{};
};

}  // namespace webexam::test

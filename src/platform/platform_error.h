// The one exception type for a failing operating-system operation. It carries
// the platform's error number and a description naming the operation and the
// path, which is what the fatal-error box shows.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace webexam {

class PlatformError : public std::runtime_error {
 public:
  // What the results share submission needs to know to decide on a retry.
  enum class Kind {
    kOther,
    kBusy,       // another process holds the file: a sharing or lock violation
    kTransient,  // a network error that may pass: timeouts, resets, a stale handle
  };

  // `description` is UTF-8.
  PlatformError(int code, const std::string& description, Kind kind = Kind::kOther);

  int code() const { return code_; }
  Kind kind() const { return kind_; }
  bool IsRetryable() const { return kind_ != Kind::kOther; }

 private:
  int code_;
  Kind kind_;
};

// Runs one step of a removal that goes on past what it cannot remove: with
// `left`, an error the step throws is kept there and false returned; without
// it, the error ends the removal.
template <typename Step>
bool KeepGoing(std::vector<PlatformError>* left, Step step) {
  if (left == nullptr) {
    step();
    return true;
  }
  try {
    step();
    return true;
  } catch (const PlatformError& error) {
    left->push_back(error);
    return false;
  }
}

}  // namespace webexam

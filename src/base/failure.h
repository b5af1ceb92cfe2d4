#pragma once
// The one way an operation says it did not happen: a Failure names what was
// tried on which thing ("estudio_12-07-2026: write failed") and carries the
// system's error number, 0 when the reason is not the system's. Operations
// that can fail return a Result<T>, a value or a Failure, or an Outcome when
// they have no value.

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace novabit {

struct Failure {
  std::string what;
  int error = 0;  // errno, or 0

  // The same failure with `context` before what was tried: "cannot create the study log " + what.
  Failure after(const std::string& context) const { return {context + what, error}; }
  // "what: the system's reason", or `what` alone.
  std::string message() const { return error == 0 ? what : what + ": " + std::strerror(error); }
  bool operator==(const Failure&) const = default;
};

// A Failure with the errno of the call that just failed.
inline Failure system_failure(std::string what) { return {std::move(what), errno}; }

template <typename T>
class [[nodiscard]] Result {
 public:
  // Implicit by design, from anything that makes a T: `return std::nullopt;` for a Result<std::optional<U>>.
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U&&, T> &&
                                                    !std::is_same_v<std::remove_cvref_t<U>, Failure> &&
                                                    !std::is_same_v<std::remove_cvref_t<U>, Result>>>
  Result(U&& value) : state_(std::in_place_index<0>, std::forward<U>(value)) {}    // NOLINT
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(state_); }
  const T& value() const { return std::get<0>(state_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Failure& failure() const { return std::get<1>(state_); }

 private:
  std::variant<T, Failure> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)) {}  // NOLINT: implicit by design

  bool ok() const { return !failure_; }
  explicit operator bool() const { return ok(); }
  const Failure& failure() const { return *failure_; }

 private:
  std::optional<Failure> failure_;
};

using Outcome = Result<void>;

}  // namespace novabit

// SPDX-License-Identifier: MIT
// The one way the logic says that something did not work: a value, or the
// reason there is none. The window and the command line turn the reason into
// a box or a line; AppError is for a handler that cannot go on.
#pragma once

#include <QString>
#include <utility>
#include <variant>

namespace dtu {

// Why an operation failed: `message` is translated and whole ("Cannot write
// the file: ..."); `detail` is the system's own cause, where there is one.
struct Failure {
  QString message;
  QString detail = {};
};

template <typename T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : state_(std::move(value)) {}            // NOLINT(google-explicit-constructor)
  Expected(Failure failure) : state_(std::move(failure)) {}  // NOLINT(google-explicit-constructor)

  bool ok() const noexcept { return state_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Failure& failure() const { return std::get<1>(state_); }
  // The failure's message; empty when it worked.
  QString message() const { return ok() ? QString() : failure().message; }

 private:
  std::variant<T, Failure> state_;
};

// Success without a value.
struct Done {};
using Status = Expected<Done>;

}  // namespace dtu

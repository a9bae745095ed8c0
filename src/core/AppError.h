// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <stdexcept>

namespace dtu {

// An error that ends the running handler and reaches the application error
// box. The message is already in its final (display) form.
class AppError : public std::runtime_error {
 public:
  explicit AppError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const noexcept { return message_; }

 private:
  QString message_;
};

}  // namespace dtu

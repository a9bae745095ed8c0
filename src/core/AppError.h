// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <stdexcept>
#include <utility>

namespace dtu {

// An error that ends the running handler and reaches the application error
// box. The message is already in its final (display) form; `detail` is the
// system's own cause, where there is one, for whoever wants to log it.
class AppError : public std::runtime_error {
 public:
  explicit AppError(const QString& message, QString detail = {})
      : std::runtime_error(message.toStdString()), message_(message), detail_(std::move(detail)) {}
  const QString& message() const noexcept { return message_; }
  const QString& detail() const noexcept { return detail_; }

 private:
  QString message_;
  QString detail_;
};

}  // namespace dtu

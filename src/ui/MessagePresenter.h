// SPDX-License-Identifier: MIT
// The one place where modal boxes are shown, so tests can observe them
// instead of blocking on a real dialog.
#pragma once

#include <QString>

class QWidget;

namespace dtu {

enum class BoxIcon { None, Information, Critical };

struct BoxRequest {
  QWidget* owner = nullptr;  // null: no owner window
  QString caption;
  QString text;
  BoxIcon icon = BoxIcon::Information;
};

// A question whose yes does something that cannot be taken back.
struct ConfirmRequest {
  QWidget* owner = nullptr;
  QString caption;
  QString text;     // shown whole, plain text
  QString confirm;  // the button that goes on ("Send 3 messages")
  bool warning = false;
};

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // Returns when the user has closed the box.
  virtual void show(const BoxRequest& request) = 0;
  // True only when the user chose `confirm`; Cancel is the default button.
  virtual bool confirm(const ConfirmRequest& request) = 0;
};

// Shows real QMessageBox dialogs: OK alone, or the confirm button and Cancel.
class QtMessagePresenter final : public MessagePresenter {
 public:
  void show(const BoxRequest& request) override;
  bool confirm(const ConfirmRequest& request) override;
};

}  // namespace dtu

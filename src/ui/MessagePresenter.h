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

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // Returns when the user has closed the box.
  virtual void show(const BoxRequest& request) = 0;
};

// Shows real QMessageBox dialogs with a single OK button.
class QtMessagePresenter final : public MessagePresenter {
 public:
  void show(const BoxRequest& request) override;
};

}  // namespace dtu

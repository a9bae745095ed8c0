// SPDX-License-Identifier: MIT
#include "ui/MessagePresenter.h"

#include <QMessageBox>

namespace dtu {

void QtMessagePresenter::show(const BoxRequest& request) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if (request.icon == BoxIcon::Information) icon = QMessageBox::Information;
  if (request.icon == BoxIcon::Critical) icon = QMessageBox::Critical;
  QMessageBox box(icon, request.caption, request.text, QMessageBox::Ok, request.owner);
  box.setObjectName(QStringLiteral("messageBox"));
  // Addresses and file paths are user text: "<b>x</b>" must not turn bold.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace dtu

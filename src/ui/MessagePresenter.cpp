// SPDX-License-Identifier: MIT
#include "ui/MessagePresenter.h"

#include <QMessageBox>
#include <QPushButton>

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

bool QtMessagePresenter::confirm(const ConfirmRequest& request) {
  QMessageBox box(request.warning ? QMessageBox::Warning : QMessageBox::Question, request.caption, request.text,
                  QMessageBox::NoButton, request.owner);
  box.setObjectName(QStringLiteral("confirmBox"));
  box.setTextFormat(Qt::PlainText);
  QPushButton* yes = box.addButton(request.confirm, QMessageBox::AcceptRole);
  yes->setObjectName(QStringLiteral("confirmBox_Confirm"));
  QPushButton* no = box.addButton(QMessageBox::Cancel);
  // A stray Enter must not send.
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

}  // namespace dtu

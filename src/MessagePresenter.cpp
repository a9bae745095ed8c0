// SPDX-License-Identifier: MIT
#include "MessagePresenter.h"

#include <QMessageBox>

namespace dtu {

void QtMessagePresenter::show(const BoxRequest& request) {
  QMessageBox box(request.icon == BoxIcon::Critical ? QMessageBox::Critical : QMessageBox::Information,
                  request.caption, request.text, QMessageBox::Ok, request.owner);
  box.setObjectName(QStringLiteral("messageBox"));
  box.exec();
}

namespace {
QtMessagePresenter g_qtPresenter;
MessagePresenter* g_presenter = &g_qtPresenter;
}  // namespace

MessagePresenter& Presenter() { return *g_presenter; }
void SetPresenter(MessagePresenter* presenter) { g_presenter = presenter ? presenter : &g_qtPresenter; }

}  // namespace dtu

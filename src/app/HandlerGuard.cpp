// SPDX-License-Identifier: MIT
#include "app/HandlerGuard.h"

#include <QPointer>
#include <QWidget>
#include <exception>

#include "AppError.h"
#include "app/MessagePresenter.h"
#include "MyDataType.h"
#include "i18n/Localizer.h"

namespace dtu {

namespace {
QPointer<QWidget> g_owner;
}

void SetErrorBoxOwner(QWidget* owner) { g_owner = owner; }

QString WithFullStop(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + QLatin1Char('.');
  return message;
}

void ShowApplicationError(const QString& message) {
  Presenter().show(
      BoxRequest{g_owner.data(), QString::fromLatin1(kAppTitle), WithFullStop(message), BoxIcon::Critical});
}

void ShowLocalizationProblem() {
  if (const std::optional<LocalizationProblem> problem = TakeLocalizationProblem())
    Presenter().show(BoxRequest{nullptr, problem->caption, problem->text, BoxIcon::None});
}

void RunGuarded(const std::function<void()>& handler) noexcept {
  try {
    try {
      handler();
      ShowLocalizationProblem();
    } catch (const AppError& e) {
      ShowLocalizationProblem();
      ShowApplicationError(e.message());
    } catch (const std::exception& e) {
      ShowApplicationError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
      ShowApplicationError(QStringLiteral("Unexpected error"));
    }
  } catch (...) {
    // Showing the box itself failed (out of memory); nothing sensible is left to do.
  }
}

}  // namespace dtu

// SPDX-License-Identifier: MIT
#include "ui/HandlerGuard.h"

#include <QDir>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <exception>
#include <utility>

#include "core/AppConstants.h"
#include "core/AppError.h"
#include "core/i18n/Format.h"
#include "core/i18n/Localizer.h"
#include "core/i18n/Translate.h"
#include "ui/MessagePresenter.h"

namespace dtu {

namespace {
int g_depth = 0;  // handlers running, nested ones included
bool g_lastWindowClosedInside = false;

// Qt posts its quit when the last window closes, but drops a posted quit as
// soon as another window appears; a result box shown by the handler that was
// running does just that, and the process would live on without a window.
void WatchLastWindow() {
  static const bool connected = [] {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return false;
    QObject::connect(app, &QGuiApplication::lastWindowClosed, app, [] {
      if (g_depth > 0) g_lastWindowClosedInside = true;
    });
    return true;
  }();
  (void)connected;
}

void QuitIfNoWindowLeft() {
  if (!QGuiApplication::quitOnLastWindowClosed()) return;
  for (const QWindow* window : QGuiApplication::topLevelWindows())
    if (window->isVisible() && (window->type() == Qt::Window || window->type() == Qt::Dialog)) return;
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}
}  // namespace

QString WithFullStop(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + QLatin1Char('.');
  return message;
}

void ShowApplicationError(MessagePresenter& boxes, QWidget* owner, const QString& message) {
  boxes.show(BoxRequest{owner, QString::fromLatin1(kAppTitle), WithFullStop(message), BoxIcon::Critical});
}

void ShowFileWriteError(MessagePresenter& boxes, QWidget* owner, const QString& path, const QString& cause) {
  const QString shown = QDir::toNativeSeparators(path);
  const QString where = cause.isEmpty() ? shown : shown + QStringLiteral(": ") + cause;
  ShowApplicationError(boxes, owner, FormatMessage(Translate(N_("Cannot write the file: %s")), {where}));
}

void ShowLocalizationProblem(MessagePresenter& boxes) {
  if (const std::optional<LocalizationProblem> problem = TakeLocalizationProblem())
    boxes.show(BoxRequest{nullptr, problem->caption, problem->text, BoxIcon::None});
}

void RunGuarded(MessagePresenter& boxes, QWidget* owner, const std::function<void()>& handler) noexcept {
  WatchLastWindow();
  ++g_depth;
  try {
    try {
      handler();
      ShowLocalizationProblem(boxes);
    } catch (const AppError& e) {
      ShowLocalizationProblem(boxes);
      ShowApplicationError(boxes, owner, e.message());
    } catch (const std::exception& e) {
      ShowApplicationError(boxes, owner, QString::fromLocal8Bit(e.what()));
    } catch (...) {
      ShowApplicationError(boxes, owner, QStringLiteral("Unexpected error"));
    }
  } catch (...) {
    // Showing the box itself failed (out of memory); nothing sensible is left to do.
  }
  if (--g_depth == 0 && std::exchange(g_lastWindowClosedInside, false)) QuitIfNoWindowLeft();
}

}  // namespace dtu

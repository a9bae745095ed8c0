// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace dtu {

// The application error box: application title as caption, stop icon, OK.
// A full stop is added unless the message is empty or already ends in a
// character at or below "." (so "!" or "." get none).
void ShowApplicationError(const QString& message);
QString WithFullStop(const QString& message);

// The window that owns the application error box (the main window).
void SetErrorBoxOwner(QWidget* owner);

// Shows the box for a catalog that could not serve, once, if there is one.
void ShowLocalizationProblem();

// Runs one event handler. An error ends that handler only: it is shown in
// the application error box and never reaches Qt's event loop, so the code
// whose assignment caused the event goes on.
void RunGuarded(const std::function<void()>& handler) noexcept;

}  // namespace dtu

// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace dtu {

class MessagePresenter;

// The application error box: application title as caption, stop icon, OK.
// A full stop is added unless the message is empty or already ends in a
// character at or below "." (so "!" or "." get none).
void ShowApplicationError(MessagePresenter& boxes, QWidget* owner, const QString& message);
QString WithFullStop(const QString& message);

// Shows the box for a catalog that could not serve, once, if there is one.
void ShowLocalizationProblem(MessagePresenter& boxes);

// Runs one event handler of `owner`. An error ends that handler only: it is
// shown in the application error box and never reaches Qt's event loop, so
// the code whose assignment caused the event goes on.
void RunGuarded(MessagePresenter& boxes, QWidget* owner, const std::function<void()>& handler) noexcept;

}  // namespace dtu

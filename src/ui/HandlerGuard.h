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

// The one box for a user's file that could not be written (a list, a sheet,
// an image): the application error box naming the path and the system's cause.
void ShowFileWriteError(MessagePresenter& boxes, QWidget* owner, const QString& path, const QString& cause);

// Shows the box for a catalog that could not serve, once, if there is one.
void ShowLocalizationProblem(MessagePresenter& boxes);

// Runs one event handler of `owner`. An error ends that handler only: it is
// shown in the application error box and never reaches Qt's event loop, so
// the code whose assignment caused the event goes on.
void RunGuarded(MessagePresenter& boxes, QWidget* owner, const std::function<void()>& handler) noexcept;

// A slot that runs `owner`'s member `handler` through RunGuarded: how every
// window and dialog connects its events.
template <typename Owner>
auto GuardedSlot(MessagePresenter& boxes, Owner* owner, void (Owner::*handler)()) {
  return [&boxes, owner, handler] { RunGuarded(boxes, owner, [owner, handler] { (owner->*handler)(); }); };
}

}  // namespace dtu

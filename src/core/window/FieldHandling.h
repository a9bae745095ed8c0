// SPDX-License-Identifier: MIT
// Loading the window's fields from the settings file and enabling the
// controls of the chosen server address mode. The window implements
// FieldControls; assignments go through it so that the window's own change
// handlers run (and save) exactly as they would for any program assignment.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "core/config/AnsiCodec.h"
#include "platform/FileStore.h"

namespace dtu {

class FieldControls {
 public:
  virtual ~FieldControls() = default;
  // Program selections raise no change event; an index outside the list
  // leaves it without a selection.
  virtual void selectServerMode(int index) = 0;
  virtual void selectSmsCommandType(int index) = 0;
  virtual void selectServiceNetwork(int index) = 0;
  // Raise the field's change event when the shown text changes.
  virtual void setPortValue(std::int64_t value) = 0;
  virtual void setStaticIpText(const QString& text) = 0;
  virtual void setDomainAddressText(const QString& text) = 0;
  virtual void setOtherApnText(const QString& text) = 0;
  virtual void setDtuNumberText(const QString& text) = 0;
  // The five controls whose enablement follows the mode, in this order:
  // static-IP label, edit, button; domain label, edit.
  virtual void setServerModeControlsEnabled(bool staticIpControls, bool domainControls) = 0;
};

using LocalAddressFn = std::function<std::string()>;

void LoadSettings(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files,
                  std::int32_t& languageId, FieldControls& controls, const LocalAddressFn& localHostAddress);

void UpdateServerModeControls(FieldControls& controls, std::int32_t mode);

}  // namespace dtu

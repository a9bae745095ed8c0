// SPDX-License-Identifier: MIT
// The main window: builds every control, wires each event to a thin handler
// and implements the views that the field loader and the diagnostics drive.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "core/i18n/Format.h"
#include "core/i18n/Languages.h"
#include "core/text/AnsiCodec.h"
#include "core/window/FieldHandling.h"
#include "core/window/ServerDiagnostics.h"
#include "ui/AppServices.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;

namespace dtu {

class AppError;
class LimitedLineEdit;
class NoteLabel;
class PortSpinEdit;
class SettingsStore;
class SettingsUpdate;

// The window's own record of the chosen interface language.
struct TagSysParameter {
  std::int32_t LanguageId = 0;
};

class Ttntfrm_Main : public QWidget, private FieldControls, private DiagnosticsView {
  Q_OBJECT

 public:
  struct Options {
    // Empty: the running executable. Tests point it into a temporary folder.
    QString executablePath;
    // Resolver, interfaces, echo page, time-outs and message boxes.
    AppServices services;
    // Off: the bare controls only, without translation, settings or loading
    // (the baseline that start-up benchmarks compare against).
    bool runFormHandlers = true;
  };

  explicit Ttntfrm_Main(Options options, QWidget* parent = nullptr);
  ~Ttntfrm_Main() override;

  const QString& AppDirectory() const { return appDirectory_; }
  const QString& SettingsFilePath() const { return settingsFilePath_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  void wireEvents();

  // Form handlers.
  void TntFormCreate();
  void TntFormShow();

  // Field change handlers: each saves its field (the table's row for it).
  void tntcomb_ServerNetModeChange();
  void rzspnedt_PortChange();
  void tntedt_StaticIPChange();
  void tntedt_DomainAddressChange();
  void tntcomb_ServiceNetworkChange();
  void tntedt_OtherChange();
  void tntedt_DTUNumberChange();
  void tntcomb_SMSCommandTypeChange();

  // Buttons and the language menu.
  void tntbtn_StaticIPClick();
  void tntbtn_TestServerPortClick();
  void tntbtn_JudgeMapingClick();
  void tntbtn_GenerationSMSClick();
  void tntbtn_CloseClick();
  // Hand-off of the composed command to a phone.
  void tntbtn_CopyClick();
  void tntbtn_QrCodeClick();
  void tntbtn_BatchClick();
  SmsCommandInputs fieldInputs();
  void markOutputStale();
  void updateHandOffButtons();
  // Shown in the note section now and again after each language switch.
  void showNote(MessageLine note);
  void tntpmn_LanguagePopup();
  void tntmntm_AutomaticClick(QObject* sender);

  // Runs a handler with its errors shown in this window's boxes.
  void guarded(const std::function<void()>& handler);
  // Translates the window into a language id (0: the system's) and shows a catalog problem.
  void switchLanguage(std::int32_t languageId);
  void applyLanguage(std::int32_t languageId);
  MessagePresenter& boxes() const { return options_.services.boxes(); }
  std::string localHostAddress() const { return net::GetLocalHostAddress(options_.services.probes); }
  platform::FileStore& files() const { return options_.services.platform->files; }

  // A row of the field table and what shows its value: a control, or for
  // the language the window's record.
  struct BoundField {
    const Field* field;
    std::variant<std::int32_t*, QComboBox*, PortSpinEdit*, QLineEdit*> control;
    void (Ttntfrm_Main::*changed)();  // the control's change handler
  };
  void bindFields();
  const BoundField& bound(const Field& field) const;
  void takeField(const BoundField& bound, StoredFields& values);
  // Fills every field from one read of the settings file; `beforeFields` sees the values first.
  void loadFields(const std::function<void(const StoredFields&)>& beforeFields);
  void saveField(const Field& field);
  void writeString(const char* key, const QString& value);
  void reportWriteFailure(const SettingsStore& store, const AppError& error);
  QAction* languageItemForTag(int tag) const;

  // FieldControls
  void showField(const Field& field, const StoredFields& values) override;
  void setServerModeControlsEnabled(bool staticIpControls, bool domainControls) override;

  // DiagnosticsView
  int serverMode() const override;
  QString staticIp() const override;
  void setStaticIp(const QString& text) override;
  QString domainAddress() const override;
  int port() override;
  void setStatusText(const QString& text) override;
  void processPendingEvents() override;
  void showInvalidField(const char* fieldName) override;
  void showInformation(const QString& caption, const QString& text) override;
  void setBusy(bool busy) override;

  Options options_;
  // The user's charset, from the platform's code page.
  AnsiCodec codec_;
  QString appDirectory_;
  QString settingsFilePath_;
  bool shownOnce_ = false;
  int busyDepth_ = 0;
  // A field changed after "Generation SMS": the output no longer matches them.
  bool outputStale_ = false;
  TagSysParameter SysParameter_;
  // In the table's order.
  std::array<BoundField, kFields.size()> boundFields_{};
  // While the fields load, their change handlers write here, to go into the file together.
  SettingsUpdate* loading_ = nullptr;

  QGroupBox* tntgrp_NetWork = nullptr;
  QLabel* tntlbl_ServerNetMode = nullptr;
  QComboBox* tntcomb_ServerNetMode = nullptr;
  QLabel* tntlbl_Port = nullptr;
  PortSpinEdit* rzspnedt_Port = nullptr;
  QLabel* tntlbl_StaticIP = nullptr;
  QLineEdit* tntedt_StaticIP = nullptr;
  QPushButton* tntbtn_StaticIP = nullptr;
  QLabel* tntlbl_DomainAddress = nullptr;
  QLineEdit* tntedt_DomainAddress = nullptr;
  QPushButton* tntbtn_TestServerPort = nullptr;
  QPushButton* tntbtn_JudgeMaping = nullptr;

  QGroupBox* tntgrp_SMSCommandFormat = nullptr;
  QLabel* tntlbl_ServiceNetwork = nullptr;
  QComboBox* tntcomb_ServiceNetwork = nullptr;
  QLabel* tntlbl_Ohter = nullptr;
  QLineEdit* tntedt_Other = nullptr;
  QLabel* tntlbl_DTUNumber = nullptr;
  LimitedLineEdit* tntedt_DTUNumber = nullptr;
  QLabel* tntlbl1 = nullptr;
  QComboBox* tntcomb_SMSCommandType = nullptr;
  QLabel* tntlbl_SMSCommandFormat = nullptr;
  QLineEdit* tntedt_SMSCommandFormat = nullptr;

  QWidget* TntPanel1 = nullptr;
  QPushButton* rzMenubtn_Language = nullptr;
  QPushButton* tntbtn_Close = nullptr;
  QPushButton* tntbtn_GenerationSMS = nullptr;
  QPushButton* tntbtn_Copy = nullptr;
  QPushButton* tntbtn_QrCode = nullptr;
  QPushButton* tntbtn_Batch = nullptr;
  QMenu* tntpmn_Language = nullptr;
  std::array<QAction*, kLanguages.size()> languageItems_{};  // indexed by Tag

  QStatusBar* tntstsbr_Status = nullptr;
  QLabel* statusPanel_ = nullptr;
  NoteLabel* notePanel_ = nullptr;
  MessageLine note_;
};

}  // namespace dtu

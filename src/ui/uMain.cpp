// SPDX-License-Identifier: MIT
#include "ui/uMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTextLayout>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/AppConstants.h"
#include "core/AppError.h"
#include "core/config/SettingsFields.h"
#include "core/config/SettingsStore.h"
#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"
#include "core/sms/SmsCheck.h"
#include "core/text/AnsiCodec.h"
#include "render/Fonts.h"
#include "ui/BatchDialog.h"
#include "ui/Captions.h"
#include "ui/HandlerGuard.h"
#include "ui/InvalidFieldPrompt.h"
#include "ui/LanguageSelection.h"
#include "ui/LimitedLineEdit.h"
#include "ui/MessagePresenter.h"
#include "ui/PortSpinEdit.h"
#include "ui/QrCodeDialog.h"
#include "ui/SendDialogs.h"
#include "ui/WidgetAccess.h"
#include "ui/WindowTranslator.h"

namespace dtu {

namespace {

// The text of a closed drop-down list lives in a fixed box sized for Tahoma;
// with a wider stand-in font or a long translation it shrinks a little instead
// of being cut off.
QFont FittingFont(QFont font, const QString& text, int width) {
  int px = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height();
  while (px > 8 && QFontMetrics(font).horizontalAdvance(text) > width) font.setPixelSize(--px);
  return font;
}

}  // namespace

// Our notes (the SMS check, a stale output, a copy) in the free middle of the bottom panel, so that
// the status bar's one panel keeps its whole width for the port test. In the window's font: as many
// lines as fit, the last one elided; the whole text is the tool tip and what screen readers read.
class NoteLabel : public QLabel {
 public:
  explicit NoteLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  void setNote(const QString& text) {
    note_ = text;
    setToolTip(text);
    setAccessibleName(text);
    refit();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    refit();
  }
  void changeEvent(QEvent* event) override {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) refit();
  }

 private:
  void refit() {
    const QFontMetrics metrics(font());
    const int width = contentsRect().width();
    const int lines = std::max(1, contentsRect().height() / metrics.lineSpacing());
    QTextLayout layout(note_, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList shown;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      if (static_cast<int>(shown.size()) + 1 == lines) {
        shown << metrics.elidedText(note_.mid(line.textStart()).trimmed(), Qt::ElideRight, width);
        break;
      }
      shown << note_.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    setText(shown.join(QLatin1Char('\n')));
  }

  QString note_;
};

namespace {

class FittingComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const QFont font = FittingFont(this->font(), option.currentText, field.width() - 2);
    painter.setFont(font);
    option.fontMetrics = QFontMetrics(font);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  }
};

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
// Compilers before C++20's aggregate deduction (clang 14) need the guide.
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

void SelectIndex(QComboBox* list, int index) {
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// The box names the file; the system's cause goes to standard error.
void LogWriteFailure(const SettingsStore& store, const AppError& error) {
  std::fprintf(stderr, "dtusms: cannot write %s: %s\n", store.nativePath().c_str(), qPrintable(error.detail()));
}

template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, QRect geometry, bool sizedToText = false) {
  auto* label = Named(new QLabel(QString::fromUtf8(caption), parent), name);
  label->setTextFormat(Qt::PlainText);
  PlaceCaption(label, geometry, sizedToText);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* button = Named(new CaptionButton(QString::fromUtf8(caption), parent), name);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

QComboBox* MakeList(QWidget* parent, const char* name, std::initializer_list<const char*> items, QRect geometry) {
  auto* list = Named(new FittingComboBox(parent), name);
  NameListByItsLabel(list);  // before the items: adding one asks for the list's accessible interface
  for (const char* item : items) list->addItem(QString::fromUtf8(item));
  list->setGeometry(geometry);
  list->setCurrentIndex(-1);
  return list;
}

template <typename Edit>
Edit* MakeEdit(Edit* edit, const char* name, QRect geometry) {
  Named(edit, name);
  edit->setGeometry(geometry);
  // No length limit of our own; QLineEdit's default of 32767 would cut program text.
  edit->setMaxLength(std::numeric_limits<int>::max());
  return edit;
}

}  // namespace

Ttntfrm_Main::Ttntfrm_Main(Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      options_(std::move(options)),
      codec_(AnsiCodec::forUser(options_.services.platform->codePage)) {
  // The probes let the window repaint at fixed points while they block.
  net::ProbeServices& probes = options_.services.probes;
  if (!probes.pumpEvents) probes.pumpEvents = [] { QCoreApplication::processEvents(); };
  if (!probes.network) probes.network = &options_.services.platform->network;
  buildControls();
  bindFields();
  wireEvents();
  if (options_.runFormHandlers) guarded([this] { TntFormCreate(); });
}

Ttntfrm_Main::~Ttntfrm_Main() {
  while (busyDepth_ > 0) setBusy(false);
}

void Ttntfrm_Main::buildControls() {
  setObjectName(QStringLiteral("tntfrm_Main"));
  setWindowTitle(QString::fromLatin1(N_("ZU-3RIVE VID idoverivirora dave")));
  setFixedSize(495, 305);
  QFont font(FontFamilies(FontRole::kWindow));
  font.setPixelSize(11);
  setFont(font);

  tntgrp_NetWork = Named(new QGroupBox(QString::fromLatin1(N_("Network configuration")), this), "tntgrp_NetWork");
  tntgrp_NetWork->setGeometry(0, 0, 495, 109);
  QWidget* g1 = tntgrp_NetWork;
  tntlbl_ServerNetMode = MakeLabel(g1, "tntlbl_ServerNetMode", N_("Server address mode"), {5, 21, 105, 13});
  tntcomb_ServerNetMode =
      MakeList(g1, "tntcomb_ServerNetMode", {N_("Static IP"), N_("Domain resolution")}, {111, 17, 162, 21});
  tntlbl_Port = MakeLabel(g1, "tntlbl_Port", N_("Port"), {278, 22, 76, 13});
  rzspnedt_Port = Named(new PortSpinEdit(g1), "rzspnedt_Port");
  rzspnedt_Port->setGeometry(356, 17, 119, 21);
  tntlbl_StaticIP = MakeLabel(g1, "tntlbl_StaticIP", N_("Static IP"), {5, 51, 105, 13});
  tntedt_StaticIP = MakeEdit(new QLineEdit(g1), "tntedt_StaticIP", {111, 47, 110, 21});
  tntbtn_StaticIP = MakeButton(g1, "tntbtn_StaticIP", N_("Obtain IP"), {224, 47, 49, 21});
  tntlbl_DomainAddress = MakeLabel(g1, "tntlbl_DomainAddress", N_("Domain address"), {278, 51, 76, 13});
  tntedt_DomainAddress = MakeEdit(new QLineEdit(g1), "tntedt_DomainAddress", {356, 47, 119, 21});
  tntbtn_JudgeMaping =
      MakeButton(g1, "tntbtn_JudgeMaping", N_("Judge whether the server port mapping"), {24, 77, 249, 25});
  tntbtn_TestServerPort = MakeButton(g1, "tntbtn_TestServerPort", N_("Test server port"), {356, 77, 119, 25});

  tntgrp_SMSCommandFormat =
      Named(new QGroupBox(QString::fromLatin1(N_("SMS command format")), this), "tntgrp_SMSCommandFormat");
  tntgrp_SMSCommandFormat->setGeometry(0, 109, 495, 142);
  QWidget* g2 = tntgrp_SMSCommandFormat;
  tntlbl_ServiceNetwork = MakeLabel(g2, "tntlbl_ServiceNetwork", N_("Service network(APN)"), {5, 21, 105, 13});
  tntcomb_ServiceNetwork =
      MakeList(g2, "tntcomb_ServiceNetwork",
               {N_("CMNET(China Mobile)"), N_("CMWAP(China Mobile)"), N_("UNINET(China Unicom)"), N_("Other")},
               {111, 17, 162, 21});
  tntlbl_Ohter = MakeLabel(g2, "tntlbl_Ohter", N_("Other"), {278, 21, 76, 13});
  tntedt_Other = MakeEdit(new QLineEdit(g2), "tntedt_Other", {356, 17, 119, 21});
  tntlbl_DTUNumber = MakeLabel(g2, "tntlbl_DTUNumber", N_("DTU number"), {5, 51, 105, 13});
  tntedt_DTUNumber = MakeEdit(new LimitedLineEdit(kDtuNumberUserLimit, g2), "tntedt_DTUNumber", {111, 47, 162, 21});
  tntlbl1 = MakeLabel(g2, "tntlbl1", N_("SMS command type"), {5, 82, 105, 13});
  tntcomb_SMSCommandType = MakeList(g2, "tntcomb_SMSCommandType",
                                    {N_("DTU configuration parameters"), N_("DTU running query")}, {111, 78, 162, 21});
  tntcomb_SMSCommandType->setCurrentIndex(0);
  tntlbl_SMSCommandFormat = MakeLabel(g2, "tntlbl_SMSCommandFormat", N_("SMS command format"), {5, 112, 103, 13}, true);
  tntedt_SMSCommandFormat = MakeEdit(new QLineEdit(g2), "tntedt_SMSCommandFormat", {111, 108, 364, 21});
  // Beside "SMS command type"; the row beside "DTU number" stays free.
  tntbtn_Copy = MakeButton(g2, "tntbtn_Copy", N_("Copy"), {278, 78, 75, 21});
  tntbtn_QrCode = MakeButton(g2, "tntbtn_QrCode", N_("QR code..."), {356, 78, 119, 21});
  tntbtn_Copy->setEnabled(false);
  tntbtn_QrCode->setEnabled(false);
  // Beside "DTU number": the list takes the place of that one field.
  tntbtn_Batch = MakeButton(g2, "tntbtn_Batch", N_("Batch..."), {356, 47, 119, 21});

  TntPanel1 = Named(new QWidget(this), "TntPanel1");
  TntPanel1->setGeometry(0, 251, 495, 35);
  rzMenubtn_Language = MakeButton(TntPanel1, "rzMenubtn_Language", N_(" Language"), {19, 5, 90, 25});
  tntbtn_GenerationSMS = MakeButton(TntPanel1, "tntbtn_GenerationSMS", N_("Generation SMS"), {287, 5, 90, 25});
  tntbtn_Close = MakeButton(TntPanel1, "tntbtn_Close", N_("Close"), {400, 5, 75, 25});

  tntpmn_Language = Named(new QMenu(this), "tntpmn_Language");
  for (const Language& language : kLanguages) {
    const int tag = language.id;
    QAction* item = Named(tntpmn_Language->addAction(QString::fromUtf8(language.menuText)), language.objectName);
    item->setCheckable(true);
    item->setChecked(false);
    item->setData(tag);
    item->setProperty("Tag", tag);
    languageItems_[static_cast<size_t>(tag)] = item;
  }
  rzMenubtn_Language->setMenu(tntpmn_Language);

  tntstsbr_Status = Named(new QStatusBar(this), "tntstsbr_Status");
  tntstsbr_Status->setGeometry(0, 286, 495, 19);
  tntstsbr_Status->setSizeGripEnabled(false);
  statusPanel_ = Named(new QLabel(tntstsbr_Status), "tntstsbr_StatusPanel");
  statusPanel_->setTextFormat(Qt::PlainText);
  // No accessible name of its own: a label's is its text, and Qt announces each change of it.
  tntstsbr_Status->addWidget(statusPanel_, 1);
  // Between " Language" and "Generation SMS", clear of both.
  notePanel_ = Named(new NoteLabel(TntPanel1), "tntlbl_Note");
  notePanel_->setGeometry(113, 0, 170, 35);

  // Screen readers announce a field by its label's (translated) text, not by the group's title.
  const std::pair<QLabel*, QWidget*> captions[] = {{tntlbl_ServerNetMode, tntcomb_ServerNetMode},
                                                   {tntlbl_Port, rzspnedt_Port},
                                                   {tntlbl_StaticIP, tntedt_StaticIP},
                                                   {tntlbl_DomainAddress, tntedt_DomainAddress},
                                                   {tntlbl_ServiceNetwork, tntcomb_ServiceNetwork},
                                                   {tntlbl_Ohter, tntedt_Other},
                                                   {tntlbl_DTUNumber, tntedt_DTUNumber},
                                                   {tntlbl1, tntcomb_SMSCommandType},
                                                   {tntlbl_SMSCommandFormat, tntedt_SMSCommandFormat}};
  for (const auto& [label, field] : captions) label->setBuddy(field);

  // Tab order: first group, second group, then the bottom panel.
  QWidget* order[] = {tntcomb_ServerNetMode, rzspnedt_Port,         tntedt_StaticIP,        tntbtn_StaticIP,
                      tntedt_DomainAddress,  tntbtn_TestServerPort, tntbtn_JudgeMaping,     tntcomb_ServiceNetwork,
                      tntedt_Other,          tntedt_DTUNumber,      tntcomb_SMSCommandType, tntedt_SMSCommandFormat,
                      rzMenubtn_Language,    tntbtn_Close,          tntbtn_GenerationSMS,   tntbtn_Copy,
                      tntbtn_QrCode,         tntbtn_Batch};
  for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
  PressButtonsOnEnter(this);
}

void Ttntfrm_Main::wireEvents() {
  auto guard = [this](void (Ttntfrm_Main::*handler)()) { return GuardedSlot(boxes(), this, handler); };
  for (const BoundField& bound : boundFields_) {
    const auto onChange = [&](auto* control, auto signal) {
      connect(control, signal, this, guard(bound.changed));
      // Any field that goes into the command makes a composed text stale.
      connect(control, signal, this, &Ttntfrm_Main::markOutputStale);
    };
    std::visit(Overloaded{[](std::int32_t*) {}, [&](QComboBox* list) { onChange(list, &QComboBox::activated); },
                          [&](PortSpinEdit* port) { onChange(port, &PortSpinEdit::textChanged); },
                          [&](QLineEdit* edit) { onChange(edit, &QLineEdit::textChanged); }},
               bound.control);
  }
  connect(tntbtn_StaticIP, &QPushButton::clicked, this, guard(&Ttntfrm_Main::tntbtn_StaticIPClick));
  connect(tntbtn_TestServerPort, &QPushButton::clicked, this, guard(&Ttntfrm_Main::tntbtn_TestServerPortClick));
  connect(tntbtn_JudgeMaping, &QPushButton::clicked, this, guard(&Ttntfrm_Main::tntbtn_JudgeMapingClick));
  connect(tntbtn_GenerationSMS, &QPushButton::clicked, this, guard(&Ttntfrm_Main::tntbtn_GenerationSMSClick));
  connect(tntbtn_Close, &QPushButton::clicked, this, guard(&Ttntfrm_Main::tntbtn_CloseClick));
  connect(tntbtn_Copy, &QPushButton::clicked, this, guard(&Ttntfrm_Main::tntbtn_CopyClick));
  connect(tntbtn_QrCode, &QPushButton::clicked, this, guard(&Ttntfrm_Main::tntbtn_QrCodeClick));
  connect(tntbtn_Batch, &QPushButton::clicked, this, guard(&Ttntfrm_Main::tntbtn_BatchClick));
  connect(tntedt_SMSCommandFormat, &QLineEdit::textChanged, this, &Ttntfrm_Main::updateHandOffButtons);
  connect(tntpmn_Language, &QMenu::aboutToShow, this, guard(&Ttntfrm_Main::tntpmn_LanguagePopup));
  for (QAction* item : languageItems_) {
    connect(item, &QAction::triggered, this, [this, item] { guarded([this, item] { tntmntm_AutomaticClick(item); }); });
  }
}

// --- Form handlers -----------------------------------------------------------

void Ttntfrm_Main::TntFormCreate() {
  // The paths come first: a damaged catalog ends this handler in the translation.
  const QString exe = options_.executablePath.isEmpty() ? options_.services.platform->process.executablePath()
                                                        : options_.executablePath;
  settingsFilePath_ = SettingsFilePathFor(exe, codec_, &appDirectory_);
  SettingsStore(settingsFilePath_, codec_, files()).removeStaleTemporaryFiles();
  TranslateComponent(this);
  FitCaptions(this);
}

void Ttntfrm_Main::showEvent(QShowEvent* event) {
  if (!shownOnce_ && !event->spontaneous()) {
    shownOnce_ = true;
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
    if (options_.runFormHandlers) guarded([this] { TntFormShow(); });
  }
  QWidget::showEvent(event);
}

void Ttntfrm_Main::TntFormShow() {
  // The read that fills the fields also gives the language they are shown in.
  loadFields([this](const StoredFields& stored) {
    // Kept as stored: ApplyLanguage treats an id outside the language table as 0, the menu checks nothing for it.
    SysParameter_.LanguageId = stored.languageId;
    applyLanguage(SysParameter_.LanguageId);
  });
}

void Ttntfrm_Main::guarded(const std::function<void()>& handler) { RunGuarded(boxes(), this, handler); }

// A catalog that cannot serve is reported before anything the rest of the
// handler may show.
void Ttntfrm_Main::switchLanguage(std::int32_t languageId) {
  applyLanguage(languageId);
  ShowLocalizationProblem(boxes());
}

void Ttntfrm_Main::applyLanguage(std::int32_t languageId) {
  ApplyLanguage(this, languageId);
  // Tahoma still, with the Chinese face of the language for the glyphs it lacks.
  QFont font = this->font();
  font.setFamilies(FontFamilies(FontRole::kWindow));
  setFont(font);
  FitCaptions(this);
  notePanel_->setNote(note_.text());
}

// --- Fields ---------------------------------------------------------------------

// Each row of the field table with what shows it, in the table's order.
void Ttntfrm_Main::bindFields() {
  boundFields_ = {{{&fields::kLanguageId, &SysParameter_.LanguageId, nullptr},
                   {&fields::kServerAddressMode, tntcomb_ServerNetMode, &Ttntfrm_Main::tntcomb_ServerNetModeChange},
                   {&fields::kPort, rzspnedt_Port, &Ttntfrm_Main::rzspnedt_PortChange},
                   {&fields::kStaticIp, tntedt_StaticIP, &Ttntfrm_Main::tntedt_StaticIPChange},
                   {&fields::kDomainAddress, tntedt_DomainAddress, &Ttntfrm_Main::tntedt_DomainAddressChange},
                   {&fields::kSmsCommandType, tntcomb_SMSCommandType, &Ttntfrm_Main::tntcomb_SMSCommandTypeChange},
                   {&fields::kServiceNetwork, tntcomb_ServiceNetwork, &Ttntfrm_Main::tntcomb_ServiceNetworkChange},
                   {&fields::kOtherApn, tntedt_Other, &Ttntfrm_Main::tntedt_OtherChange},
                   {&fields::kDtuNumber, tntedt_DTUNumber, &Ttntfrm_Main::tntedt_DTUNumberChange}}};
  // Every row bound, and only an edit holds text.
  for (const Field* field : kFields)
    Q_ASSERT((field->kind == FieldKind::Text) == std::holds_alternative<QLineEdit*>(bound(*field).control));
}

const Ttntfrm_Main::BoundField& Ttntfrm_Main::bound(const Field& field) const {
  const auto found =
      std::find_if(boundFields_.begin(), boundFields_.end(), [&](const BoundField& b) { return b.field == &field; });
  Q_ASSERT(found != boundFields_.end());
  return *found;
}

void Ttntfrm_Main::showField(const Field& field, const StoredFields& values) {
  std::visit(Overloaded{[&](std::int32_t* record) { *record = values.*field.integer; },
                        [&](QComboBox* list) { SelectIndex(list, values.*field.integer); },
                        [&](PortSpinEdit* port) { port->setValue(values.*field.integer); },
                        [&](QLineEdit* edit) { edit->setText(values.*field.text); }},
             bound(field).control);
}

void Ttntfrm_Main::takeField(const BoundField& bound, StoredFields& values) {
  const Field& field = *bound.field;
  std::visit(Overloaded{[&](std::int32_t* record) { values.*field.integer = *record; },
                        [&](QComboBox* list) { values.*field.integer = list->currentIndex(); },
                        [&](PortSpinEdit* port) { values.*field.integer = port->value(); },
                        [&](QLineEdit* edit) { values.*field.text = edit->text(); }},
             bound.control);
}

// One read of the file under its lock, and the writes that loading makes
// (the change handlers of the texts it sets) go back together in one replace.
void Ttntfrm_Main::loadFields(const std::function<void(const StoredFields&)>& beforeFields) {
  // Looked up at every load, also when a stored value makes it unused; before the lock, which other copies wait for.
  const QString local = codec_.toUnicode(localHostAddress());
  SettingsStore store(settingsFilePath_, codec_, files());
  std::vector<AppError> failures;
  {
    SettingsUpdate update(store);
    // The lock is held from here on: a write of ours that went around the update would wait for it.
    loading_ = &update;
    const auto done = qScopeGuard([this] { loading_ = nullptr; });
    const StoredFields stored = ReadStoredFields(update.values(), local);
    if (beforeFields) beforeFields(stored);
    LoadSettings(stored, *this);
    failures = update.commit();
  }
  // A catalog problem is told first, as switching the language tells it.
  ShowLocalizationProblem(boxes());
  for (const AppError& failure : failures) reportWriteFailure(store, failure);
}

void Ttntfrm_Main::saveField(const Field& field) {
  StoredFields values;
  takeField(bound(field), values);
  writeString(field.key, FieldText(field, values));
}

void Ttntfrm_Main::writeString(const char* key, const QString& value) {
  if (loading_) return loading_->WriteString(kSettingsSection, key, value);
  SettingsStore store(settingsFilePath_, codec_, files());
  try {
    store.WriteString(kSettingsSection, key, value);
  } catch (const AppError& error) {
    LogWriteFailure(store, error);
    throw;
  }
}

void Ttntfrm_Main::reportWriteFailure(const SettingsStore& store, const AppError& error) {
  LogWriteFailure(store, error);
  ShowApplicationError(boxes(), this, error.message());
}

void Ttntfrm_Main::tntcomb_ServerNetModeChange() {
  // Written first: a failed write leaves the enablement as it was.
  saveField(fields::kServerAddressMode);
  UpdateServerModeControls(*this, tntcomb_ServerNetMode->currentIndex());
}

void Ttntfrm_Main::rzspnedt_PortChange() {
  // Reading an empty field puts the minimum back, which runs this handler nested.
  if (rzspnedt_Port->value() > rzspnedt_Port->maximum()) rzspnedt_Port->setValue(rzspnedt_Port->maximum());
  saveField(fields::kPort);
}

void Ttntfrm_Main::tntedt_StaticIPChange() { saveField(fields::kStaticIp); }
void Ttntfrm_Main::tntedt_DomainAddressChange() { saveField(fields::kDomainAddress); }
void Ttntfrm_Main::tntcomb_ServiceNetworkChange() { saveField(fields::kServiceNetwork); }
void Ttntfrm_Main::tntedt_OtherChange() { saveField(fields::kOtherApn); }
void Ttntfrm_Main::tntedt_DTUNumberChange() { saveField(fields::kDtuNumber); }
void Ttntfrm_Main::tntcomb_SMSCommandTypeChange() { saveField(fields::kSmsCommandType); }

// --- Buttons ---------------------------------------------------------------------

void Ttntfrm_Main::tntbtn_StaticIPClick() { ObtainIp(*this, codec_, options_.services.probes); }
void Ttntfrm_Main::tntbtn_TestServerPortClick() { TestServerPort(*this, codec_, options_.services.probes); }
void Ttntfrm_Main::tntbtn_JudgeMapingClick() { JudgeMapping(*this, codec_, options_.services.probes); }

void Ttntfrm_Main::tntbtn_GenerationSMSClick() {
  tntedt_SMSCommandFormat->clear();
  const SmsCommandInputs inputs = fieldInputs();
  const QString command = GenerateSmsCommand(boxes(), this, inputs, codec_);
  tntedt_SMSCommandFormat->setText(command);
  outputStale_ = false;
  updateHandOffButtons();
  // A blank field's box leaves no output, and so nothing for an earlier note to speak of.
  showNote(command.isEmpty() ? MessageLine{} : SmsCheckMessage(command, inputs));
}

SmsCommandInputs Ttntfrm_Main::fieldInputs() {
  StoredFields values;
  for (const BoundField& bound : boundFields_) takeField(bound, values);
  return static_cast<const SmsCommandInputs&>(values);
}

void Ttntfrm_Main::tntbtn_BatchClick() {
  BatchDialog dialog(fieldInputs(), codec_, files(), this, boxes());
  dialog.enableSending(*options_.services.platform);
  dialog.protectProgramFiles(options_.executablePath.isEmpty() ? options_.services.platform->process.executablePath()
                                                               : options_.executablePath,
                             settingsFilePath_);
  dialog.exec();
}

void Ttntfrm_Main::tntbtn_CopyClick() {
  const QString command = tntedt_SMSCommandFormat->text();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(command, QClipboard::Clipboard);
  if (clipboard->supportsSelection()) clipboard->setText(command, QClipboard::Selection);
  showNote({{{N_("The SMS command was copied."), {}}}});
}

void Ttntfrm_Main::tntbtn_QrCodeClick() {
  QrCodeDialog dialog(tntedt_SMSCommandFormat->text(), TrimField(tntedt_DTUNumber->text()), this, boxes());
  dialog.enableSending(*options_.services.platform, fieldInputs(), WindowSendLogPath());
  dialog.exec();
}

void Ttntfrm_Main::markOutputStale() {
  if (outputStale_ || tntedt_SMSCommandFormat->text().isEmpty()) return;
  outputStale_ = true;
  updateHandOffButtons();
  showNote({{{N_("Fields changed: press Generation SMS again."), {}}}});
}

void Ttntfrm_Main::updateHandOffButtons() {
  const bool ready = !outputStale_ && !tntedt_SMSCommandFormat->text().isEmpty();
  tntbtn_Copy->setEnabled(ready);
  tntbtn_QrCode->setEnabled(ready);
}

void Ttntfrm_Main::tntbtn_CloseClick() { close(); }

// --- Language menu -------------------------------------------------------------------

QAction* Ttntfrm_Main::languageItemForTag(int tag) const {
  return tag >= 0 && tag < static_cast<int>(languageItems_.size()) ? languageItems_[static_cast<size_t>(tag)] : nullptr;
}

void Ttntfrm_Main::tntpmn_LanguagePopup() {
  if (QAction* item = languageItemForTag(SysParameter_.LanguageId)) item->setChecked(true);
}

void Ttntfrm_Main::tntmntm_AutomaticClick(QObject* sender) {
  for (QAction* item : languageItems_) item->setChecked(false);
  auto* clicked = qobject_cast<QAction*>(sender);
  const bool isLanguageItem =
      clicked && std::find(languageItems_.begin(), languageItems_.end(), clicked) != languageItems_.end();
  if (isLanguageItem) {
    clicked->setChecked(true);
    const int tag = clicked->data().toInt();
    if (tag == 0) {
      // A one-time detection: what is stored is the concrete language found.
      // An unknown system language records Automatic, so the next start detects again.
      const int detected = DetectLanguageId(options_.services.platform->locale);
      if (detected > 0) languageItemForTag(detected)->setChecked(true);
      switchLanguage(0);
      languageItemForTag(0)->setChecked(false);
      SysParameter_.LanguageId = detected;
    } else {
      languageItemForTag(0)->setChecked(false);
      languageItemForTag(tag)->setChecked(true);
      switchLanguage(tag);
      SysParameter_.LanguageId = tag;
    }
  }
  saveField(fields::kLanguageId);
  loadFields(nullptr);
}

// --- FieldControls ---------------------------------------------------------------------

void Ttntfrm_Main::setServerModeControlsEnabled(bool staticIpControls, bool domainControls) {
  tntlbl_StaticIP->setEnabled(staticIpControls);
  tntedt_StaticIP->setEnabled(staticIpControls);
  tntbtn_StaticIP->setEnabled(staticIpControls);
  tntlbl_DomainAddress->setEnabled(domainControls);
  tntedt_DomainAddress->setEnabled(domainControls);
}

// --- DiagnosticsView -------------------------------------------------------------------

int Ttntfrm_Main::serverMode() const { return tntcomb_ServerNetMode->currentIndex(); }
QString Ttntfrm_Main::staticIp() const { return tntedt_StaticIP->text(); }
void Ttntfrm_Main::setStaticIp(const QString& text) { tntedt_StaticIP->setText(text); }
QString Ttntfrm_Main::domainAddress() const { return tntedt_DomainAddress->text(); }
int Ttntfrm_Main::port() { return rzspnedt_Port->value(); }
void Ttntfrm_Main::setStatusText(const QString& text) { statusPanel_->setText(text); }

void Ttntfrm_Main::showNote(MessageLine note) {
  note_ = std::move(note);
  notePanel_->setNote(note_.text());
}
void Ttntfrm_Main::processPendingEvents() { QCoreApplication::processEvents(); }
void Ttntfrm_Main::showInvalidField(const char* fieldName) { ShowInvalidFieldPrompt(boxes(), this, fieldName); }
void Ttntfrm_Main::showInformation(const QString& caption, const QString& text) {
  boxes().show(BoxRequest{this, caption, text, BoxIcon::Information});
}

void Ttntfrm_Main::setBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++busyDepth_;
  } else if (busyDepth_ > 0) {
    QApplication::restoreOverrideCursor();
    --busyDepth_;
  }
}

}  // namespace dtu

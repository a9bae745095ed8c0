// SPDX-License-Identifier: MIT
#include "core/send/ModemSender.h"

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SmsPdu.h"
#include "core/sms/SimNumber.h"

namespace dtu {

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kCtrlZ = '\x1A';
constexpr char kEscape = '\x1B';

QString Q(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

QString CmsErrorMeaning(int code) {
  struct Entry {
    int code;
    const char* meaning;
  };
  static constexpr Entry kMeanings[] = {
      {1, N_("unassigned number")},
      {8, N_("operator determined barring")},
      {10, N_("call barred")},
      {21, N_("short message transfer rejected")},
      {27, N_("destination out of service")},
      {28, N_("unidentified subscriber")},
      {29, N_("facility rejected")},
      {30, N_("unknown subscriber")},
      {38, N_("network out of order")},
      {41, N_("temporary failure")},
      {42, N_("congestion")},
      {47, N_("resources unavailable")},
      {50, N_("requested facility not subscribed")},
      {96, N_("invalid mandatory information")},
      {300, N_("modem failure")},
      {302, N_("operation not allowed")},
      {303, N_("operation not supported")},
      {304, N_("invalid PDU mode parameter")},
      {305, N_("invalid text mode parameter")},
      {310, N_("SIM not inserted")},
      {311, N_("SIM PIN required")},
      {312, N_("PH-SIM PIN required")},
      {313, N_("SIM failure")},
      {314, N_("SIM busy")},
      {315, N_("SIM wrong")},
      {316, N_("SIM PUK required")},
      {317, N_("SIM PIN2 required")},
      {318, N_("SIM PUK2 required")},
      {322, N_("memory full")},
      {330, N_("service centre address unknown")},
      {331, N_("no network service")},
      {332, N_("network time-out")},
      {500, N_("unknown error")},
  };
  for (const Entry& e : kMeanings)
    if (e.code == code) return Translate(e.meaning);
  return {};
}

ModemSender::ModemSender(QIODevice& device, ModemTimeouts timeouts)
    : device_(device), timeouts_(timeouts), reference_(QRandomGenerator::global()->bounded(256u)) {}

void ModemSender::receive(const QByteArray& bytes) {
  qsizetype from = 0;
  if (dropping_) {
    const auto end = std::find_if(bytes.begin(), bytes.end(), IsLineEnd);
    if (end == bytes.end()) return;
    dropping_ = false;
    from = end - bytes.begin();
  }
  buffer_.append(bytes.constData() + from, bytes.size() - from);
}

bool ModemSender::takeLines(Reply& reply, const QByteArray& echo, bool wantPrompt) {
  // One pass over the buffer, whatever it holds: a flood costs its length once.
  const char* const begin = buffer_.constData();
  const char* const end = begin + buffer_.size();
  const char* at = begin;
  bool ended = false;
  while (!ended) {
    at = std::find_if_not(at, end, IsLineEnd);
    // The prompt has no line end.
    if (wantPrompt && at != end && *at == '>') {
      at += (at + 1 != end && at[1] == ' ') ? 2 : 1;
      reply.end = Reply::End::Prompt;
      ended = true;
      break;
    }
    const char* const lineEnd = std::find_if(at, end, IsLineEnd);
    if (lineEnd == end) break;
    const QByteArray line = QByteArray(at, lineEnd - at).trimmed();
    at = lineEnd + 1;
    if (line.isEmpty() || line == echo) continue;
    if (line == "OK") {
      reply.end = Reply::End::Ok;
      ended = true;
    } else if (line == "ERROR" || line.startsWith("+CMS ERROR:") || line.startsWith("+CME ERROR:")) {
      reply.end = Reply::End::Error;
      reply.error = line;
      ended = true;
    } else if (reply.lines.size() < kModemLinesLimit) {
      reply.lines.push_back(line);
    } else {
      reply.lines.back() = line;  // the latest stays: a command's own answer comes just before its OK
    }
  }
  buffer_.remove(0, at - begin);
  if (!ended && buffer_.size() > kModemLineLimit) {
    buffer_.truncate(kModemLineLimit);
    dropping_ = true;
  }
  return ended;
}

ModemSender::Reply ModemSender::finish(std::chrono::milliseconds timeout, const QByteArray& echo, bool wantPrompt) {
  Reply reply;
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    // In pieces: what a flood brings is parsed and dropped as it comes.
    while (device_.bytesAvailable() > 0) {
      receive(device_.read(kModemLineLimit));
      if (takeLines(reply, echo, wantPrompt)) return reply;
      if (Clock::now() >= deadline) return reply;
    }
    if (takeLines(reply, echo, wantPrompt)) return reply;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return reply;
    if (!device_.waitForReadyRead(static_cast<int>(left.count())) && device_.bytesAvailable() == 0) {
      // False long before the deadline: the device went away.
      if (Clock::now() + std::chrono::milliseconds(50) < deadline) broken_ = true;
      return reply;
    }
  }
}

void ModemSender::escape() {
  device_.write(QByteArray(1, kEscape));
  // Written now: the run may end here, and a modem left waiting for text
  // would take the next run's commands as text.
  device_.waitForBytesWritten(static_cast<int>(timeouts_.command.count()));
}

ModemSender::Reply ModemSender::exchange(const QByteArray& command, std::chrono::milliseconds timeout,
                                         bool wantPrompt) {
  // Unsolicited lines from before do not answer this command.
  while (device_.bytesAvailable() > 0) device_.read(kModemLineLimit);
  buffer_.clear();
  dropping_ = false;
  device_.write(command + '\r');
  device_.waitForBytesWritten(static_cast<int>(timeouts_.command.count()));
  return finish(timeout, command, wantPrompt);
}

Status ModemSender::start() {
  // An earlier run stopped after the prompt leaves the modem reading text:
  // ESC ends that, and what it answers is dropped.
  escape();
  finish(timeouts_.settle, {}, false);
  Reply at = exchange("AT", timeouts_.command);
  if (at.end == Reply::End::TimedOut) at = exchange("AT", timeouts_.command);  // the first may wake it
  if (at.end != Reply::End::Ok)
    return Failure{at.end == Reply::End::TimedOut
                       ? Translate("The modem does not answer.")
                       : FormatMessage(Translate("The modem answers AT with %s."), {Q(at.error)})};
  const Reply pin = exchange("AT+CPIN?", timeouts_.command);
  QByteArray state;
  for (const QByteArray& line : pin.lines)
    if (line.startsWith("+CPIN:")) state = line.mid(6).trimmed();
  if (pin.end != Reply::End::Ok || state != "READY") {
    const QByteArray what = pin.end == Reply::End::Ok ? state : pin.error;
    if (what.contains("PIN") || what.contains("PUK"))
      return Failure{FormatMessage(Translate("The SIM asks for a PIN (%s). Enter it on a phone or with the modem's "
                                             "own tool; this program never tries one."),
                                   {Q(what)})};
    return Failure{FormatMessage(Translate("The SIM is not ready: %s"),
                                 {what.isEmpty() ? Translate("the modem does not answer.") : Q(what)})};
  }
  if (Status mode = setMode(true); !mode) return mode;
  if (exchange("AT+CSCS=\"GSM\"", timeouts_.command).end != Reply::End::Ok)
    return Failure{Translate("The modem refuses the GSM character set (AT+CSCS=\"GSM\").")};
  // First octet 0x31: a status report, the validity period relative (167: one day).
  textReportsRefused_ = exchange("AT+CSMP=49,167,0,0", timeouts_.command).end != Reply::End::Ok;
  // New messages and status reports kept in storage, announced only: the
  // announcements (+CMTI, +CDSI) are dropped, the storage read by inbox().
  reportsRefused_ = exchange("AT+CNMI=2,1,0,2,0", timeouts_.command).end != Reply::End::Ok;
  return Done{};
}

Status ModemSender::setMode(bool text) {
  if (mode_ == (text ? 1 : 0)) return Done{};
  const QByteArray command = text ? "AT+CMGF=1" : "AT+CMGF=0";
  const Reply reply = exchange(command, timeouts_.command);
  if (reply.end != Reply::End::Ok) {
    mode_ = -1;
    return Failure{FormatMessage(Translate("The modem refuses %s."), {Q(command)})};
  }
  mode_ = text ? 1 : 0;
  return Done{};
}

SendResult ModemSender::submit(const QByteArray& command, const QByteArray& body) {
  const auto failed = [](const QByteArray& error) {
    const QString stop = stoppingError(error);
    return stop.isEmpty()
               ? SendResult{SendResult::Status::Failed, {}, describeError(error)}
               : SendResult{SendResult::Status::Failed, {}, describeError(error) + QLatin1Char(' ') + stop, true};
  };
  const Reply prompt = exchange(command, timeouts_.prompt, true);
  if (prompt.end == Reply::End::Error) return failed(prompt.error);
  if (prompt.end != Reply::End::Prompt) {
    escape();  // leaves a half-open message, if any
    return {SendResult::Status::Failed, {}, Translate("The modem gave no prompt for the message."), broken_};
  }
  if (const Status ready = beforeSubmit(); !ready) {
    escape();
    return {SendResult::Status::Failed, {}, ready.message(), true};
  }
  device_.write(body + kCtrlZ);
  device_.waitForBytesWritten(static_cast<int>(timeouts_.command.count()));
  const Reply reply = finish(timeouts_.submit, {}, false);
  QByteArray reference;
  for (const QByteArray& line : reply.lines)
    if (line.startsWith("+CMGS:")) reference = line.mid(6).trimmed();
  if (reply.end == Reply::End::Ok) {
    if (!reference.isEmpty()) return {SendResult::Status::Sent, Q(reference), {}};
    return {SendResult::Status::Unconfirmed, {}, Translate("The modem said OK without a message reference.")};
  }
  // A reference followed by an error: the network took the message.
  if (reply.end == Reply::End::Error && !reference.isEmpty())
    return {SendResult::Status::Unconfirmed, Q(reference), describeError(reply.error)};
  if (reply.end == Reply::End::Error) return failed(reply.error);
  // The message may be on its way: only the answer is missing.
  if (broken_)
    return {
        SendResult::Status::Unconfirmed, {}, Translate("The modem went away after the message was handed over."), true};
  return {SendResult::Status::Unconfirmed,
          {},
          FormatMessage(Translate("The modem did not confirm the message within %d s."),
                        {QString::number(timeouts_.submit.count() / 1000)})};
}

QString ModemSender::stoppingError(const QByteArray& line) {
  bool ok = false;
  const int code = line.startsWith("+CMS ERROR:") ? line.mid(11).trimmed().toInt(&ok) : 0;
  if (!ok) return {};
  if (code >= 310 && code <= 318)
    return Translate(
        "Every message would fail on this SIM: check that it is inserted, unlocked and working, then "
        "send the rest again.");
  if (code == 330)
    return Translate("Set the SIM's service centre number (with a phone, or AT+CSCA), then send the rest again.");
  if (code == 331 || code == 332)
    return Translate("The modem has no network: check its antenna, signal and SIM plan, then send the rest again.");
  return {};
}

QString ModemSender::describeError(const QByteArray& line) {
  if (line.startsWith("+CMS ERROR:")) {
    bool ok = false;
    const int code = line.mid(11).trimmed().toInt(&ok);
    const QString meaning = ok ? CmsErrorMeaning(code) : QString();
    if (!meaning.isEmpty()) return FormatMessage(Translate("The modem reports %s: %s."), {Q(line), meaning});
  }
  return FormatMessage(Translate("The modem reports %s."), {Q(line)});
}

SendResult ModemSender::send(const QString& number, const QString& text) {
  if (broken_) return {SendResult::Status::Failed, {}, Translate("The modem does not answer."), true};
  const bool textMode = FitsTextMode(text);
  if (const Status mode = setMode(textMode); !mode) return {SendResult::Status::Failed, {}, mode.message()};
  if (textMode) return submit("AT+CMGS=\"" + number.toLatin1() + '"', text.toLatin1());
  reference_ = (reference_ + 1) & 0xFF;
  QStringList references;
  for (const SubmitPdu& pdu : EncodeSubmitPdus(number, text, static_cast<std::uint8_t>(reference_))) {
    SendResult part = submit("AT+CMGS=" + QByteArray::number(pdu.tpduLength), pdu.hex);
    if (!part.sent()) {
      // Parts already out make the message incomplete, not unsent.
      if (!references.isEmpty() && part.status == SendResult::Status::Failed)
        part.status = SendResult::Status::Unconfirmed;
      if (!part.reference.isEmpty()) references << part.reference;
      part.reference = references.join(QStringLiteral(", "));
      return part;
    }
    references << part.reference;
  }
  return {SendResult::Status::Sent, references.join(QStringLiteral(", ")), {}};
}

Expected<ModemInbox> ModemSender::inbox() {
  if (broken_) return Failure{Translate("The modem does not answer.")};
  if (const Status mode = setMode(false); !mode) return mode.failure();
  // A full SIM at a slow baud rate takes long to list.
  const Reply reply = exchange("AT+CMGL=4", timeouts_.submit);
  if (reply.end != Reply::End::Ok)
    return Failure{reply.end == Reply::End::Error ? describeError(reply.error)
                                                  : Translate("The modem does not answer.")};
  // +CMGL: <index>,<stat>,[<alpha>],<length>, then the PDU on a line of its own.
  std::vector<std::pair<int, QByteArray>> stored;
  bool awaiting = false;
  for (const QByteArray& line : reply.lines) {
    if (line.startsWith("+CMGL:")) {
      stored.emplace_back(line.mid(6).split(',').value(0).trimmed().toInt(), QByteArray());
      awaiting = true;
    } else if (awaiting && !line.startsWith('+') && !line.startsWith('^') && line != "RING") {
      stored.back().second = line;  // an unsolicited line between the two is no PDU
      awaiting = false;
    }
  }
  return DecodeInbox(stored);
}

Status ModemSender::deleteStored(int index) {
  if (broken_) return Failure{Translate("The modem does not answer.")};
  const Reply reply = exchange("AT+CMGD=" + QByteArray::number(index), timeouts_.command);
  if (reply.end == Reply::End::Ok) return Done{};
  return Failure{reply.end == Reply::End::Error ? describeError(reply.error) : Translate("The modem does not answer.")};
}

}  // namespace dtu

// SPDX-License-Identifier: MIT
#include "core/sms/QrCode.h"

#include <qrencode.h>

#include <QStringList>
#include <algorithm>
#include <memory>

namespace dtu {

std::optional<QString> NormalizeSimNumber(const QString& text) {
  QString number;
  for (QChar c : text) {
    if (c == QLatin1Char(' ') || c == QLatin1Char('-')) continue;
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digit && !(c == QLatin1Char('+') && number.isEmpty())) return std::nullopt;
    number += c;
  }
  if (number == QLatin1String("+")) return std::nullopt;
  return number;
}

QString SmsToPayload(const QString& number, const QString& sms) {
  return QStringLiteral("SMSTO:") + number + QLatin1Char(':') + sms;
}

QrMatrix EncodeQrCode(const QString& payload) {
  const QByteArray bytes = payload.toUtf8();
  QrMatrix matrix;
  if (bytes.isEmpty()) return matrix;
  const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
      QRcode_encodeData(static_cast<int>(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.constData()), 0,
                        QR_ECLEVEL_M),
      &QRcode_free);
  if (!code) return matrix;  // too long for version 40, or out of memory
  matrix.size = code->width;
  const size_t count = static_cast<size_t>(code->width) * code->width;
  matrix.dark.resize(count);
  // Bit 0 of each byte is the module's colour; the others describe its role.
  for (size_t i = 0; i < count; ++i) matrix.dark[i] = code->data[i] & 1;
  return matrix;
}

namespace {
// Enough to keep every core busy while the reader pauses for a page.
constexpr size_t kAhead = 256;
}  // namespace

QrCodeStream::QrCodeStream(std::vector<QString> payloads, int threads)
    : payloads_(std::move(payloads)), ready_(kAhead) {
  const unsigned count = threads > 0 ? static_cast<unsigned>(threads) : std::max(1u, std::thread::hardware_concurrency());
  const size_t useful = std::min<size_t>(count, payloads_.size());
  for (size_t i = 0; i < useful; ++i) workers_.emplace_back([this] { work(); });
}

QrCodeStream::~QrCodeStream() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  room_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void QrCodeStream::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    room_.wait(lock, [this] { return stopping_ || claimed_ >= payloads_.size() || claimed_ < taken_ + kAhead; });
    if (stopping_ || claimed_ >= payloads_.size()) return;
    const size_t index = claimed_++;
    const QString payload = std::move(payloads_[index]);
    lock.unlock();
    QrMatrix matrix = EncodeQrCode(payload);
    lock.lock();
    ready_[index % kAhead] = std::move(matrix);
    encoded_.notify_all();
  }
}

QrMatrix QrCodeStream::next() {
  std::unique_lock lock(mutex_);
  if (taken_ >= payloads_.size()) return {};
  std::optional<QrMatrix>& slot = ready_[taken_ % kAhead];
  encoded_.wait(lock, [&slot] { return slot.has_value(); });
  QrMatrix matrix = std::move(*slot);
  slot.reset();
  ++taken_;
  lock.unlock();
  room_.notify_all();
  return matrix;
}

QByteArray QrCodeSvg(const QrMatrix& matrix, const QString& caption) {
  constexpr int kModule = 8;
  constexpr int kLineHeight = 18;
  const int side = (matrix.size + 2 * kQrQuietZone) * kModule;
  // Monospace text, about 0.6 em wide: cut the caption into lines that fit.
  const int perLine = std::max(8, side / 9);
  QStringList lines;
  for (qsizetype i = 0; i < caption.size(); i += perLine) lines << caption.mid(i, perLine);
  const int height = side + static_cast<int>(lines.size()) * kLineHeight + (lines.isEmpty() ? 0 : 8);

  QString path;
  matrix.forEachDarkRun([&](int x, int y, int run) {
    path += QStringLiteral("M%1 %2h%3v1h-%3z").arg(x + kQrQuietZone).arg(y + kQrQuietZone).arg(run);
  });
  QString svg = QStringLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">\n"
                    "<rect width=\"%1\" height=\"%2\" fill=\"#fff\"/>\n"
                    "<path transform=\"scale(%3)\" shape-rendering=\"crispEdges\" fill=\"#000\" d=\"%4\"/>\n")
                    .arg(side)
                    .arg(height)
                    .arg(kModule)
                    .arg(path);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    svg += QStringLiteral(
               "<text x=\"%1\" y=\"%2\" font-family=\"monospace\" font-size=\"14\" text-anchor=\"middle\">%3</text>\n")
               .arg(side / 2)
               .arg(side + (i + 1) * kLineHeight)
               .arg(lines[i].toHtmlEscaped());
  }
  svg += QStringLiteral("</svg>\n");
  return svg.toUtf8();
}

}  // namespace dtu

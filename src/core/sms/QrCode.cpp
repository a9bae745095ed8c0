// SPDX-License-Identifier: MIT
#include "core/sms/QrCode.h"

#include <qrencode.h>

#include <QStringList>
#include <algorithm>
#include <memory>

namespace dtu {

std::optional<QString> NormalizeSimNumber(const QString& text) {
  QString number;
  bool marked = false;  // a "-" or "+" came before
  int digits = 0;
  for (QChar c : text) {
    if (c == QLatin1Char(' ')) continue;
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
      ++digits;
    } else if (c == QLatin1Char('-') || (c == QLatin1Char('+') && !marked && number.isEmpty())) {
      marked = true;
      if (c == QLatin1Char('-')) continue;
    } else {
      return std::nullopt;
    }
    number += c;
  }
  if (digits == 0 ? marked : digits > kSimNumberMaxDigits) return std::nullopt;
  return number;
}

QString SimNumberFor(const QStringList& book, const QString& dtuNumber) {
  for (qsizetype i = 0; i + 1 < book.size(); i += 2)
    if (book[i].compare(dtuNumber, Qt::CaseInsensitive) == 0) return book[i + 1];
  return {};
}

QStringList RememberSimNumber(QStringList book, const QString& dtuNumber, const QString& simNumber, int limit) {
  for (qsizetype i = 0; i + 1 < book.size();) {
    if (book[i].compare(dtuNumber, Qt::CaseInsensitive) == 0)
      book.remove(i, 2);
    else
      i += 2;
  }
  if (!simNumber.isEmpty()) book = QStringList{dtuNumber, simNumber} + book;
  // An odd element left by a damaged file has no pair and goes too.
  book.resize(std::min(book.size() & ~qsizetype(1), 2 * qsizetype(limit)));
  return book;
}

QStringList CaptionLines(const QString& heading, const QString& sms, const std::function<bool(const QString&)>& fits) {
  QStringList lines;
  if (!heading.isEmpty()) lines << heading;
  QString line;
  for (qsizetype start = 0; start < sms.size();) {
    const qsizetype hash = sms.indexOf(QLatin1Char('#'), start);
    const qsizetype end = hash < 0 ? sms.size() : hash + 1;
    const QString group = sms.mid(start, end - start);
    if (!line.isEmpty() && !fits(line + group)) {
      lines << line;
      line.clear();
    }
    line += group;
    start = end;
  }
  if (!line.isEmpty()) lines << line;
  return lines;
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

bool QrCodeStream::canClaim() const { return claimed_ < payloads_.size() && claimed_ < taken_ + kAhead; }

// Called and returns with the lock held; encodes without it.
void QrCodeStream::encodeNext(std::unique_lock<std::mutex>& lock) {
  const size_t index = claimed_++;
  const QString payload = std::move(payloads_[index]);
  lock.unlock();
  QrMatrix matrix = EncodeQrCode(payload);
  lock.lock();
  ready_[index % kAhead] = std::move(matrix);
  encoded_.notify_all();
}

void QrCodeStream::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    room_.wait(lock, [this] { return stopping_ || claimed_ >= payloads_.size() || canClaim(); });
    if (stopping_ || claimed_ >= payloads_.size()) return;
    encodeNext(lock);
  }
}

QrMatrix QrCodeStream::next() {
  std::unique_lock lock(mutex_);
  if (taken_ >= payloads_.size()) return {};
  std::optional<QrMatrix>& slot = ready_[taken_ % kAhead];
  while (!slot.has_value()) {
    if (canClaim())
      encodeNext(lock);
    else
      encoded_.wait(lock);
  }
  QrMatrix matrix = std::move(*slot);
  slot.reset();
  ++taken_;
  lock.unlock();
  room_.notify_all();
  return matrix;
}

QByteArray QrCodeSvg(const QrMatrix& matrix, const QString& heading, const QString& sms) {
  constexpr int kModule = 8;
  const int side = (matrix.size + 2 * kQrQuietZone) * kModule;
  // Monospace text about 0.6 em wide: 14 units high, down to 8 for the
  // longest piece that must stay whole, and then a wider picture.
  qsizetype longest = 1;
  for (const QString& piece : CaptionLines(heading, sms, [](const QString&) { return false; }))
    longest = std::max(longest, piece.size());
  const int fontSize = static_cast<int>(std::clamp<qsizetype>((side - 16) * 10 / (6 * longest), 8, 14));
  const int width = std::max<int>(side, static_cast<int>(longest * fontSize * 6 / 10) + 16);
  const QStringList lines =
      CaptionLines(heading, sms, [&](const QString& line) { return line.size() * fontSize * 6 / 10 <= width - 16; });
  const int lineHeight = fontSize + 4;
  const int height = side + static_cast<int>(lines.size()) * lineHeight + (lines.isEmpty() ? 0 : 8);

  QString path;
  matrix.forEachDarkRun([&](int x, int y, int run) {
    path += QStringLiteral("M%1 %2h%3v1h-%3z").arg(x + kQrQuietZone).arg(y + kQrQuietZone).arg(run);
  });
  QString svg = QStringLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">\n"
                    "<rect width=\"%1\" height=\"%2\" fill=\"#fff\"/>\n"
                    "<path transform=\"translate(%3 0) scale(%4)\" shape-rendering=\"crispEdges\" fill=\"#000\" "
                    "d=\"%5\"/>\n")
                    .arg(width)
                    .arg(height)
                    .arg((width - side) / 2)
                    .arg(kModule)
                    .arg(path);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    svg += QStringLiteral(
               "<text x=\"%1\" y=\"%2\" font-family=\"monospace\" font-size=\"%3\" text-anchor=\"middle\">%4</text>\n")
               .arg(width / 2)
               .arg(side + (i + 1) * lineHeight)
               .arg(fontSize)
               .arg(lines[i].toHtmlEscaped());
  }
  svg += QStringLiteral("</svg>\n");
  return svg.toUtf8();
}

}  // namespace dtu

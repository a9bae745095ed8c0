// SPDX-License-Identifier: MIT
// The QR code that hands the command to a phone: an "SMSTO:" link a camera
// opens as a new message with the text filled in. Only the module matrix and
// its texts live here; drawing it is the window's business.
#pragma once

#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace dtu {

// Light modules around the symbol that a scanner needs to find it.
inline constexpr int kQrQuietZone = 4;

struct QrMatrix {
  int size = 0;                    // modules per side, without the quiet zone
  std::vector<std::uint8_t> dark;  // size * size, row by row; non-zero is dark
  bool isEmpty() const noexcept { return size == 0; }
  bool isDark(int x, int y) const { return dark[static_cast<size_t>(y) * size + x] != 0; }

  // Calls visit(x, y, length) for every horizontal run of dark modules, so
  // that a drawing takes one rectangle a run instead of one a module.
  template <typename Visit>
  void forEachDarkRun(Visit visit) const {
    for (int y = 0; y < size; ++y) forEachDarkRunInRow(y, [&](int x, int run) { visit(x, y, run); });
  }
  // visit(x, length) for the runs of row `y`, left to right.
  template <typename Visit>
  void forEachDarkRunInRow(int y, Visit visit) const {
    for (int x = 0; x < size;) {
      int run = 0;
      while (x + run < size && isDark(x + run, y)) ++run;
      if (run > 0) visit(x, run);
      x += run > 0 ? run : 1;
    }
  }
};

// Longest SIM number taken: E.164 allows 15 digits, the rest leaves room for
// dialling prefixes.
inline constexpr int kSimNumberMaxDigits = 20;

// The DTU's SIM number as it goes into the link: blanks and "-" dropped,
// 1 to kSimNumberMaxDigits digits, a "+" only in front of everything else.
// Blank text gives an empty number; nullopt for anything else (letters, a
// "+" after anything, "-" or "+" without a digit, too many digits).
std::optional<QString> NormalizeSimNumber(const QString& text);

// Remembered SIM numbers, most recently used first, as a flat list of DTU
// number and SIM number pairs (the shape QSettings stores). DTU numbers match
// without regard to case, as a technician reads them.
QString SimNumberFor(const QStringList& book, const QString& dtuNumber);
// `book` with the pair moved to the front (an empty SIM number forgets the
// DTU), cut to the `limit` most recent DTUs.
QStringList RememberSimNumber(QStringList book, const QString& dtuNumber, const QString& simNumber, int limit);

// The caption under a saved code: `heading` on a line of its own, then `sms`
// cut only after a "#" group, groups packed into lines while `fits` allows.
// A group that does not fit alone keeps a line of its own, unbroken.
QStringList CaptionLines(const QString& heading, const QString& sms, const std::function<bool(const QString&)>& fits);

// "SMSTO:<number>:<sms>"; with an empty number the phone asks for one.
QString SmsToPayload(const QString& number, const QString& sms);

// The payload as UTF-8 in byte mode with error correction M, the smallest
// version that holds it; an empty matrix when no version does.
QrMatrix EncodeQrCode(const QString& payload);

// Encodes many payloads on every core ahead of one reader that takes the
// codes in order. At most a bounded number wait encoded, so memory stays flat
// however long the list; the destructor stops the work that is left.
class QrCodeStream {
 public:
  // `threads` 0: one a core.
  explicit QrCodeStream(std::vector<QString> payloads, int threads = 0);
  ~QrCodeStream();
  QrCodeStream(const QrCodeStream&) = delete;
  QrCodeStream& operator=(const QrCodeStream&) = delete;

  // The next code in payload order. While it is being encoded elsewhere,
  // the caller encodes a later one instead of waiting. An empty matrix past
  // the end.
  QrMatrix next();

 private:
  void work();
  bool canClaim() const;
  void encodeNext(std::unique_lock<std::mutex>& lock);

  std::vector<QString> payloads_;
  std::vector<std::optional<QrMatrix>> ready_;  // a ring of kAhead slots
  size_t claimed_ = 0;                          // the next payload a worker takes
  size_t taken_ = 0;                            // the next code the reader takes
  bool stopping_ = false;
  std::mutex mutex_;
  std::condition_variable encoded_;
  std::condition_variable room_;
  std::vector<std::thread> workers_;
};

// A scalable picture of the code with the caption of `heading` and `sms` under
// it; the text shrinks, then the picture widens, for a group that is too long.
QByteArray QrCodeSvg(const QrMatrix& matrix, const QString& heading, const QString& sms);

}  // namespace dtu

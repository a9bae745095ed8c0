// SPDX-License-Identifier: MIT
// The QR code that hands the command to a phone: an "SMSTO:" link a camera
// opens as a new message with the text filled in. Only the module matrix and
// its texts live here; drawing it is the window's business.
#pragma once

#include <QString>
#include <cstdint>
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

// "SMSTO:<number>:<sms>"; with an empty number the phone asks for one.
QString SmsToPayload(const QString& number, const QString& sms);

// The payload as UTF-8 in byte mode with error correction M, the smallest
// version that holds it; an empty matrix when no version does.
QrMatrix EncodeQrCode(const QString& payload);

}  // namespace dtu

// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/sms/QrCode.h"

namespace dtu {

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

}  // namespace dtu

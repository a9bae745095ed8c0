// SPDX-License-Identifier: MIT
#include "core/sms/QrCodeStream.h"

#include <algorithm>

namespace dtu {

namespace {
// Enough to keep every core busy while the reader pauses for a page.
constexpr size_t kAhead = 256;
}  // namespace

QrCodeStream::QrCodeStream(std::vector<QString> payloads, int threads)
    : payloads_(std::move(payloads)), ready_(kAhead) {
  const unsigned count =
      threads > 0 ? static_cast<unsigned>(threads) : std::max(1u, std::thread::hardware_concurrency());
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

}  // namespace dtu

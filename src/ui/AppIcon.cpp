// SPDX-License-Identifier: MIT
#include "ui/AppIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <array>
#include <map>

namespace dtu {

namespace {

constexpr std::array kSizes{16, 22, 24, 32, 48, 64, 128, 256};

class LazyIconEngine final : public QIconEngine {
 public:
  QIconEngine* clone() const override { return new LazyIconEngine(*this); }
  QString key() const override { return QStringLiteral("dtusms-lazy"); }

  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (int size : kSizes) sizes << QSize(size, size);
    return sizes;
  }

  QPixmap pixmap(const QSize& wanted, QIcon::Mode mode, QIcon::State state) override {
    QPixmap out(wanted);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    paint(&painter, QRect(QPoint(), wanted), mode, state);
    return out;
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
    painter->drawPixmap(rect, source(std::min(rect.width(), rect.height())));
  }

 private:
  // The smallest rendered size that is not smaller than `edge` (else the largest).
  const QPixmap& source(int edge) {
    int size = kSizes.back();
    for (int candidate : kSizes) {
      if (candidate >= edge) {
        size = candidate;
        break;
      }
    }
    QPixmap& cached = loaded_[size];
    if (cached.isNull()) cached.load(QStringLiteral(":/icons/%1.png").arg(size), "PNG");
    return cached;
  }

  std::map<int, QPixmap> loaded_;
};

}  // namespace

QIcon AppIcon() { return QIcon(new LazyIconEngine); }

}  // namespace dtu

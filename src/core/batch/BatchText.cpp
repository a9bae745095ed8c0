// SPDX-License-Identifier: MIT
#include "core/batch/BatchText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

#include "core/batch/BatchList.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

// C0 controls that no text file of any 8-bit charset or UTF-8 holds; tab,
// line ends, form feed and the DOS end-of-file mark are text.
bool IsBinaryByte(unsigned char b) {
  return b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\v' && b != '\f' && b != 0x1A;
}

}  // namespace

BatchText DecodeBatchBytes(const QByteArray& bytes, const AnsiCodec& codec) {
  BatchText result;
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    result.error = BatchFileError::Utf16;
    return result;
  }
  if (std::any_of(bytes.begin(), bytes.end(), [](char b) { return IsBinaryByte(static_cast<unsigned char>(b)); })) {
    result.error = BatchFileError::Binary;
    return result;
  }
  const QByteArrayView body =
      bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(body);
  if (!utf8.hasError()) {
    result.text = std::move(text);
  } else if (bytes.startsWith("\xEF\xBB\xBF") || codec.isUtf8()) {
    result.error = BatchFileError::UnknownCharset;
    if (!codec.isUtf8()) result.detail = QString::fromStdString(codec.charset());
  } else {
    result.text = codec.toUnicode(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  }
  return result;
}

BatchText ReadBatchFile(const QString& path, const AnsiCodec& codec) {
  QFile file(path);
  BatchText result;
  const QFileInfo info(path);
  if (info.isDir()) {
    result.error = BatchFileError::CannotOpen;
    result.detail = Translate("It is a folder.");
    return result;
  }
  // Opening a FIFO or a device for reading would block for good.
  if (info.exists() && !info.isFile()) {
    result.error = BatchFileError::CannotOpen;
    result.detail = Translate(N_("It is not a regular file."));
    return result;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    result.error = BatchFileError::CannotOpen;
    result.detail = file.errorString();
    return result;
  }
  const QByteArray bytes = file.read(kBatchFileLimit + 1);
  if (file.error() != QFileDevice::NoError) {
    result.error = BatchFileError::CannotOpen;
    result.detail = file.errorString();
    return result;
  }
  if (bytes.size() > kBatchFileLimit) {
    result.error = BatchFileError::TooLarge;
    return result;
  }
  return DecodeBatchBytes(bytes, codec);
}

}  // namespace dtu

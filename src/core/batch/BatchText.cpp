// SPDX-License-Identifier: MIT
#include "core/batch/BatchText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

#include "core/batch/BatchList.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

// C0 controls that no text file of any 8-bit charset or UTF-8 holds; tab,
// line ends, form feed and the DOS end-of-file mark are text.
bool IsBinaryByte(unsigned char b) {
  return b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\v' && b != '\f' && b != 0x1A;
}

// A file that is there but cannot be read.
Failure CannotRead(const QString& cause) {
  return {FormatMessage(Translate("Cannot read the file: %s"), {cause}), cause};
}

}  // namespace

Expected<QString> DecodeBatchBytes(const QByteArray& bytes, const AnsiCodec& codec) {
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
    return Failure{Translate("UTF-16 text is not supported; save the list as UTF-8.")};
  if (std::any_of(bytes.begin(), bytes.end(), [](char b) { return IsBinaryByte(static_cast<unsigned char>(b)); }))
    return Failure{Translate("This is not a text file.")};
  const QByteArrayView body =
      bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(body);
  if (!utf8.hasError()) return text;
  if (bytes.startsWith("\xEF\xBB\xBF") || codec.isUtf8()) {
    const QString other = codec.isUtf8() ? QString() : QString::fromStdString(codec.charset());
    if (other.isEmpty()) return Failure{Translate("The file is not UTF-8 text.")};
    return Failure{FormatMessage(Translate("The file is neither UTF-8 nor %s text."), {other})};
  }
  return codec.toUnicode(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

Expected<QString> ReadBatchFile(const QString& path, const AnsiCodec& codec) {
  QFile file(path);
  const QFileInfo info(path);
  if (info.isDir()) return CannotRead(Translate("It is a folder."));
  // Opening a FIFO or a device for reading would block for good.
  if (info.exists() && !info.isFile()) return CannotRead(Translate(N_("It is not a regular file.")));
  if (!file.open(QIODevice::ReadOnly)) return CannotRead(file.errorString());
  const QByteArray bytes = file.read(kBatchFileLimit + 1);
  if (file.error() != QFileDevice::NoError) return CannotRead(file.errorString());
  if (bytes.size() > kBatchFileLimit)
    return Failure{FormatMessage(Translate("The file is larger than %d MB; a list is far smaller."),
                                 {QString::number(kBatchFileLimitMiB)})};
  return DecodeBatchBytes(bytes, codec);
}

}  // namespace dtu

// SPDX-License-Identifier: MIT
// Many DTUs at once: a list of DTU numbers (each optionally with the SIM
// number of its card) composed with one set of fields. Reading, checking and
// writing only; the window and the command line report the problems.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/config/AnsiCodec.h"
#include "core/sms/SmsComposer.h"
#include "platform/FileStore.h"

namespace dtu {

inline constexpr int kBatchRowLimit = 10000;
inline constexpr int kBatchLineLimit = 1000;  // characters of one record
// Room for the row limit with long lines, far below what would strain memory.
inline constexpr std::int64_t kBatchFileLimitMiB = 16;
inline constexpr std::int64_t kBatchFileLimit = kBatchFileLimitMiB * 1024 * 1024;

enum class BatchFileError { None, CannotOpen, TooLarge, Binary, Utf16, UnknownCharset, NoRows };

struct BatchText {
  QString text;
  BatchFileError error = BatchFileError::None;
  QString detail;  // the system's reason for CannotOpen
};

// Refuses binary data and UTF-16; takes UTF-8 (a BOM is dropped) and
// otherwise the 8-bit charset of `codec`.
BatchText DecodeBatchBytes(const QByteArray& bytes, const AnsiCodec& codec);
// Reads at most one byte more than the file limit, so a huge file or an
// endless device costs no more than that.
BatchText ReadBatchFile(const QString& path, const AnsiCodec& codec);

enum class BatchProblem {
  None,
  LineTooLong,     // the record, to its last line, was skipped
  QuoteNotClosed,  // detail: the line of the opening quote; all lines to the end were skipped
  BlankField,      // detail: the untranslated field name from the composer
  DtuNumberTooLong,
  ControlCharacter,
  BadSimNumber,
  DuplicateDtuNumber,  // detail: the line of the first occurrence
  CommandCharacter,    // detail: the character ('#', '*', '(' or ')') in the DTU or SIM number
  UnheldCharacter,     // detail: the character of the DTU number the 8-bit charset cannot hold
};

struct BatchRow {
  int line = 0;       // where the record starts, counting from 1
  int lastLine = 0;   // where it ends
  QString dtuNumber;  // trimmed
  QString simNumber;  // trimmed, as written
  QString command;    // empty unless the row composed
  BatchProblem problem = BatchProblem::None;
  QString detail;
  bool ok() const { return problem == BatchProblem::None; }
};

struct BatchList {
  std::vector<BatchRow> rows;  // file order, rows with problems included
  QChar separator;             // null for a list of one column
  bool hasHeader = false;
  int truncatedAtLine = 0;  // the first record beyond the row limit, or 0
  int okCount() const;
};

// Splits the records: separator and header detection, RFC 4180 quotes
// (a quoted cell may span lines), blank records skipped. Only a first row of
// column names ("DTU number", "SIM number", the Chinese captions, "DTU",
// "DTU No.", "SIM") is a header; any other first row is data.
BatchList ParseBatchList(const QString& text);

// The stored fields alone: the untranslated name of a blank required field
// other than the DTU number, or the empty text when they give no command at all
// (nothing selected). Null when rows can be composed.
struct BatchSetupProblem {
  const char* blankField = nullptr;
  bool noCommand = false;
  bool any() const { return blankField != nullptr || noCommand; }
};
BatchSetupProblem CheckBatchInputs(const SmsCommandInputs& base, const AnsiCodec& codec);

// Composes every row with `base` and the row's DTU number through the
// composer of "Generation SMS", then checks what that cannot see.
void ComposeBatch(BatchList& list, const SmsCommandInputs& base, const AnsiCodec& codec);

// Translated texts, made when they are shown.
QString DescribeBatchProblem(const BatchRow& row);
QString DescribeBatchFileError(const BatchText& text);
QString DescribeBatchSetupProblem(const BatchSetupProblem& problem);
QString DescribeRowLimit();

// The rows that composed, as UTF-8 CSV with CRLF line ends and a header.
// `check` gives the SMS check column for a command. A cell a spreadsheet
// would take for a formula gets a leading "'".
QByteArray BatchCsv(const BatchList& list, const std::function<QString(const QString&)>& check);

// Why the settings file cannot give a batch its fields (missing, a folder,
// a device, unreadable); empty when it can be read.
QString SettingsFileProblem(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files);

// The fields of the settings file as the window would load them, read only.
SmsCommandInputs ReadStoredSmsInputs(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files,
                                     const std::function<std::string()>& localAddress);

}  // namespace dtu

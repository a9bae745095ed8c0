// SPDX-License-Identifier: MIT
// Many DTUs at once: a list of DTU numbers (each optionally with the SIM
// number of its card) composed with one set of fields. The list's rows and
// their problems; reading, composing and writing are in the files beside.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace dtu {

inline constexpr int kBatchRowLimit = 10000;
inline constexpr int kBatchLineLimit = 1000;  // characters of one record
// Room for the row limit with long lines, far below what would strain memory.
inline constexpr std::int64_t kBatchFileLimitMiB = 16;
inline constexpr std::int64_t kBatchFileLimit = kBatchFileLimitMiB * 1024 * 1024;

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
  DuplicateSimNumber,  // detail: the line of the first row sent to that SIM
  InvisibleCharacter,  // detail: the DTU number's format, separator or C1 character, as U+XXXX
  SeparatorCharacter,  // detail: the ',', ';' or tab in the DTU or SIM number
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

// The stored fields alone: the untranslated name of a blank required field
// other than the DTU number, or the empty text when they give no command at all
// (nothing selected). Null when rows can be composed.
struct BatchSetupProblem {
  const char* blankField = nullptr;
  bool noCommand = false;
  bool any() const { return blankField != nullptr || noCommand; }
};

}  // namespace dtu

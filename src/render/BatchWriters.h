// SPDX-License-Identifier: MIT
// The output formats of a batch: one row each, read by the command line (its
// --<format> options), the batch command (which outputs to write) and the
// Batch dialog (its export buttons). A new format is one writer and one row.
#pragma once

#include <QString>
#include <span>
#include <string_view>

#include "core/batch/BatchWriter.h"

namespace dtu {

struct BatchFormat {
  const BatchWriter& writer;  // its format() names the option and the file's suffix
  const char* optionHelp;     // the command line's help for --<format> (N_)
  const char* valueName;      // the option's value in the help ("OUT.csv")
  const char* buttonName;     // the Batch dialog's export button (object name)
  const char* buttonCaption;  // N_
  const char* saveTitle;      // the file dialog's title (N_)
  const char* fileFilter;     // the file dialog's filter (N_)
  const char* suggestedName;  // the file dialog's first suggestion
  bool drawn;                 // written with a painter: needs fonts, so a GUI application object
};

// In the order the options and the buttons appear.
std::span<const BatchFormat> BatchFormats();

// The file name an export of the list at `listPath` suggests: the list's own
// name with the format's suffix ("fleet.pdf"), "-commands" added where that is
// the list itself ("fleet.csv" gives "fleet-commands.csv"); the format's first
// suggestion for a pasted list.
QString SuggestedOutputName(const BatchFormat& format, const QString& listPath);

// The writer of "csv" or "pdf"; null for a format there is none for.
const BatchWriter* FindBatchWriter(std::string_view format);

}  // namespace dtu

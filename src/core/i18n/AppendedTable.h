// SPDX-License-Identifier: MIT
// The layout of the file table appended behind the program image. The
// program reads it (FileLocator); the build tool append_catalogs writes it.
//
// The image holds the marker text followed by 8 bytes, the table's offset
// (64-bit little endian), which the tool patches. Each entry starts with three
// 64-bit little-endian numbers, the offset of the next entry (0 ends the
// table), the file's offset and its size, followed by the file's name ("\"
// between parts, padded with blanks up to the next entry).
#pragma once

#include <cstddef>

namespace dtu::appended {

inline constexpr char kMarkerText[] = "6637DB2E-62E1-4A60-AC19-C23867046A89";
inline constexpr std::size_t kMarkerLength = sizeof kMarkerText - 1;
inline constexpr std::size_t kFixedPart = 24;
// The tool pads every entry to this size.
inline constexpr std::size_t kEntrySize = 256;

}  // namespace dtu::appended

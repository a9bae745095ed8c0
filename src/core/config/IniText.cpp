// SPDX-License-Identifier: MIT
#include "core/config/IniText.h"

#include <algorithm>

namespace dtu::ini {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// One line of the content: its text is [begin, end), its line end [end, next).
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

// Walks the lines of a file's content, the byte-order mark skipped.
class LineReader {
 public:
  explicit LineReader(std::string_view content)
      : content_(content), pos_(content.substr(0, kBom.size()) == kBom ? kBom.size() : 0) {}

  bool next(Line& line) {
    if (pos_ >= content_.size()) return false;
    line.begin = pos_;
    const std::size_t lf = content_.find('\n', pos_);
    if (lf == std::string_view::npos) {
      line.end = line.next = content_.size();
    } else {
      line.next = lf + 1;
      line.end = (lf > pos_ && content_[lf - 1] == '\r') ? lf - 1 : lf;
    }
    pos_ = line.next;
    return true;
  }

 private:
  std::string_view content_;
  std::size_t pos_;
};

enum class Kind { kOther, kHeader, kKey };

struct Parsed {
  Kind kind = Kind::kOther;
  std::string_view name;  // section name or key
  std::string_view raw;   // raw value of a key line
};

Parsed Classify(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty() || t.front() == ';') return {};
  if (t.front() == '[') {
    if (const std::size_t close = t.find(']', 1); close != std::string_view::npos)
      return {Kind::kHeader, Trim(t.substr(1, close - 1)), {}};
  }
  const std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return {};
  return {Kind::kKey, Trim(t.substr(0, eq)), t.substr(eq + 1)};
}

int DigitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16) {
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  }
  return -1;
}

}  // namespace

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view CleanValue(std::string_view raw) {
  std::string_view value = Trim(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value.substr(0, kMaxValueBytes);
}

std::optional<std::string_view> FindValue(std::string_view content, std::string_view sectionName,
                                          std::string_view keyName) {
  const std::string sectionText = OneLine(sectionName), keyText = OneLine(keyName);
  const std::string_view section = Trim(sectionText), key = Trim(keyText);
  LineReader lines(content);
  Line line;
  bool inSection = false;
  while (lines.next(line)) {
    const Parsed parsed = Classify(content.substr(line.begin, line.end - line.begin));
    if (parsed.kind == Kind::kHeader) {
      if (inSection) return std::nullopt;  // only the first matching section counts
      inSection = EqualNoCase(parsed.name, section);
    } else if (parsed.kind == Kind::kKey && inSection && EqualNoCase(parsed.name, key)) {
      return CleanValue(parsed.raw);
    }
  }
  return std::nullopt;
}

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    i += 1;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::string OneLine(std::string_view text) {
  std::string out(text);
  std::replace_if(
      out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return out;
}

std::string ReplaceValue(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value) {
  const std::string sectionName(Trim(OneLine(section)));
  const std::string keyLine = std::string(Trim(OneLine(key))) + "=" + OneLine(value);
  const std::string_view keyName = std::string_view(keyLine).substr(0, keyLine.find('='));

  LineReader lines(content);
  Line line;
  bool inSection = false;
  bool found = false;
  Line last;  // the header or last key line of the section: the new key goes after it
  while (lines.next(line)) {
    const Parsed parsed = Classify(content.substr(line.begin, line.end - line.begin));
    if (parsed.kind == Kind::kHeader) {
      if (inSection) break;
      if (EqualNoCase(parsed.name, sectionName)) inSection = found = true, last = line;
    } else if (parsed.kind == Kind::kKey && inSection) {
      if (EqualNoCase(parsed.name, keyName)) {
        // The key keeps the spelling the file gives it ("port=" stays "port=").
        std::string out;
        out.reserve(content.size() + keyLine.size());
        out.append(content.substr(0, line.begin)).append(parsed.name);
        out.append(std::string_view(keyLine).substr(keyName.size()));
        out.append(content.substr(line.end));
        return out;
      }
      last = line;
    }
  }

  std::string out;
  out.reserve(content.size() + sectionName.size() + keyLine.size() + 8);
  if (found) {
    out.append(content.substr(0, last.next));
    if (last.end == last.next) out.append(kCrLf);  // the file's last line had no line end
    out.append(keyLine).append(kCrLf).append(content.substr(last.next));
    return out;
  }
  out.append(content);
  const std::string_view body = content.substr(content.substr(0, kBom.size()) == kBom ? kBom.size() : 0);
  if (!body.empty() && body.back() != '\n') out.append(kCrLf);
  out.append("[").append(sectionName).append("]").append(kCrLf).append(keyLine).append(kCrLf);
  return out;
}

}  // namespace dtu::ini

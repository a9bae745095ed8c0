// SPDX-License-Identifier: MIT
#include "platform/posix/PosixLocaleName.h"

#include <cstdlib>

namespace dtu::platform {

LocaleName ParseLocaleName(std::string_view name) {
  LocaleName out;
  out.beforeDot = std::string(name.substr(0, name.find('.')));
  std::string_view base = name.substr(0, name.find_first_of(".@"));
  if (const auto dot = name.find('.'); dot != std::string_view::npos) {
    const std::string_view rest = name.substr(dot + 1);
    out.codeset = std::string(rest.substr(0, rest.find('@')));
  }
  out.isCLocale = base.empty() || base == "C" || base == "POSIX";
  if (out.isCLocale) return out;
  const auto underscore = base.find('_');
  out.language = std::string(base.substr(0, underscore));
  if (underscore != std::string_view::npos) out.country = std::string(base.substr(underscore + 1));
  return out;
}

std::string FirstLocaleVariable(std::initializer_list<const char*> variables) {
  for (const char* variable : variables) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return {};
}

}  // namespace dtu::platform

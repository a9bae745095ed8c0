#!/bin/sh
# SPDX-License-Identifier: MIT
# The logic and the window stay portable: nothing under src/core or src/ui
# includes an operating system's header, and (where mingw-w64 is installed)
# every source there compiles for Windows. Qt's own headers stand in for a
# Qt built for Windows; the syntax pass needs no Windows libraries.
# Usage: check-layers.sh SOURCE_DIR GENERATED_INCLUDE_DIR
set -eu
root=$1
generated=$2
cd "$root"
status=0
headers='unistd|fcntl|sys/[a-z_]+|arpa/[a-z_]+|netinet/[a-z_]+|net/if|netdb|ifaddrs|dlfcn|iconv|libintl|signal|dirent|poll|strings|pwd|windows|winsock2|ws2tcpip|curl/curl'
if grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($headers)\.h>" src/core src/ui; then
  echo "an operating system header under src/core or src/ui (above)" >&2
  status=1
fi
calls='(^|[^A-Za-z_.>:])(::)?(open|close|read|write|fsync|stat|lstat|unlink|rename|mkdtemp|mkstemp|getenv|setenv|unsetenv|kill|getpid|geteuid|inet_pton|inet_ntop|getaddrinfo|gethostname|socket|connect|poll|dlopen|dlsym|iconv_open|bindtextdomain|dgettext|sigaction|pipe2)[[:space:]]*\('
if grep -rnE "$calls" src/core src/ui | grep -vE '^[^:]+:[0-9]+:[[:space:]]*//' | grep -vE '(\.|->)(open|close|read|write|connect)\(|connect\([a-z_]+,|QObject::connect|connect\(this'; then
  echo "an operating-system call under src/core or src/ui (above)" >&2
  status=1
fi
compiler=$(command -v x86_64-w64-mingw32-g++-posix || true)
if [ -z "$compiler" ]; then
  echo "x86_64-w64-mingw32-g++-posix not installed: the Windows compile check was skipped"
  exit $status
fi
qt=$(dirname "$(find /usr/include -maxdepth 3 -type d -name QtCore -path '*qt6*' | head -n 1)")
for source in $(find src/core src/ui -name '*.cpp' | LC_ALL=C sort); do
  if ! "$compiler" -std=c++20 -fsyntax-only -w -Isrc -I"$generated" -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" \
      -I"$qt/QtWidgets" -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB "$source"; then
    echo "does not compile for Windows: $source" >&2
    status=1
  fi
done
exit $status

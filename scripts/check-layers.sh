#!/bin/sh
# SPDX-License-Identifier: MIT
# The logic, the pictures, the window and the command line stay portable:
# nothing under src/core, src/render, src/ui or src/cli includes an operating
# system's header or one of the platform's implementations, and (where
# mingw-w64 is installed) every source there compiles for Windows. Qt's own headers stand in for a
# Qt built for Windows; the syntax pass needs no Windows libraries.
# Usage: check-layers.sh SOURCE_DIR GENERATED_INCLUDE_DIR
set -eu
root=$1
generated=$2
cd "$root"
status=0
headers='unistd|fcntl|sys/[a-z_]+|arpa/[a-z_]+|netinet/[a-z_]+|net/if|netdb|ifaddrs|dlfcn|iconv|libintl|signal|dirent|poll|strings|pwd|windows|winsock2|ws2tcpip|curl/curl'
layers='src/core src/render src/ui src/cli'
if grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($headers)\.h>" $layers; then
  echo "an operating system header under $layers (above)" >&2
  status=1
fi
# Only main builds the platform; the rest sees its interfaces.
if grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"platform/(posix|windows)/' $layers; then
  echo "a platform implementation's header under $layers (above)" >&2
  status=1
fi
calls='(^|[^A-Za-z0-9_.>])(getenv|setenv|unsetenv|putenv|kill|getpid|geteuid|getuid|inet_pton|inet_ntop|getaddrinfo|gethostname|getifaddrs|mkdtemp|mkstemp|dlopen|dlsym|iconv_open|iconv|bindtextdomain|dgettext|gettext|sigaction|pipe2|fsync|lstat|unlink|opendir|readdir|WSAStartup|GetACP|MultiByteToWideChar)[[:space:]]*\(|(^|[^A-Za-z0-9_>])::(open|close|read|write|stat|rename|socket|connect|poll|select)[[:space:]]*\('
if grep -rnE "$calls" $layers | grep -vE '^[^:]+:[0-9]+:[[:space:]]*//'; then
  echo "an operating-system call under $layers (above)" >&2
  status=1
fi
compiler=$(command -v x86_64-w64-mingw32-g++-posix || true)
if [ -z "$compiler" ]; then
  echo "x86_64-w64-mingw32-g++-posix not installed: the Windows compile check was skipped"
  exit $status
fi
# The QR encoder's one header: a plain C header, the same for every system.
extra=$(mktemp -d)
trap 'rm -rf "$extra"' EXIT
[ -f /usr/include/qrencode.h ] && ln -s /usr/include/qrencode.h "$extra/qrencode.h"
[ -f /usr/include/sqlite3.h ] && ln -s /usr/include/sqlite3.h "$extra/sqlite3.h"
qt=$(dirname "$(find /usr/include -maxdepth 3 -type d -name QtCore -path '*qt6*' | head -n 1)")
for source in $(find $layers -name '*.cpp' | LC_ALL=C sort); do
  if ! "$compiler" -std=c++20 -fsyntax-only -w -Isrc -I"$generated" -I"$extra" -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" \
      -I"$qt/QtWidgets" -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB "$source"; then
    echo "does not compile for Windows: $source" >&2
    status=1
  fi
done
exit $status

#!/bin/sh
# SPDX-License-Identifier: MIT
# Regenerates po/default.pot: the ids marked with Translate or N_ in the
# sources (the window's captions are marked where its table lists them).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort |
  xgettext --language=C++ --from-code=UTF-8 --keyword=Translate --keyword=N_ \
    --package-name=dtusms --package-version=2.11.12.12 --add-comments=TRANSLATORS: \
    --sort-by-file --files-from=- --output="$tmp"
# msgcat refuses xgettext's placeholder charset; the sources are UTF-8.
sed -i -e 's/charset=CHARSET/charset=UTF-8/' "$tmp"
msgcat --use-first --sort-output "$tmp" --output-file=po/default.pot
sed -i '1i # SPDX-License-Identifier: MIT' po/default.pot

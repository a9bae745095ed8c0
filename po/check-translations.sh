#!/bin/sh
# SPDX-License-Identifier: MIT
# Fails when a catalog has no translation (missing, empty or fuzzy) for a
# message id the sources mark with Translate or N_.
# Usage: check-translations.sh <source root> <catalog.po>...
set -eu
root=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$root"
find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort |
  xgettext --language=C++ --from-code=UTF-8 --keyword=Translate --keyword=N_ --force-po \
    --files-from=- --output="$tmp/code.pot"
# msgcat refuses xgettext's placeholder charset; the sources are UTF-8.
sed -i -e 's/charset=CHARSET/charset=UTF-8/' "$tmp/code.pot"
cp "$tmp/code.pot" "$tmp/used.pot"
if ! grep -q '^msgid "Prompt"$' "$tmp/used.pot"; then
  echo "the extraction found too little: no \"Prompt\"" >&2
  exit 1
fi
status=0
for catalog in "$@"; do
  msgmerge --quiet --no-fuzzy-matching --output-file="$tmp/merged.po" "$catalog" "$tmp/used.pot"
  # A fuzzy entry is not used at run time either.
  lacking=$({ msgattrib --no-obsolete --untranslated "$tmp/merged.po"; msgattrib --no-obsolete --only-fuzzy "$tmp/merged.po"; } |
    sed -n 's/^msgid "\(..*\)"$/  "\1"/p')
  if [ -n "$lacking" ]; then
    status=1
    printf '%s has no translation for:\n%s\n' "$catalog" "$lacking" >&2
  fi
done
exit $status

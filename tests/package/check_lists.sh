#!/usr/bin/env bash
# debian/control names the packages of scripts/packages: Build-Depends the build and check
# groups (less build-essential, which Debian implies), Depends and Recommends their groups, no more, no less.
# Usage: check_lists.sh SOURCE_DIR
set -euo pipefail
cd "$1"
group() { # GROUP...
  awk -v want=" $* " 'index(want, " " $1 " ") && !/^#/ && $2 != "build-essential" { print $2 }' \
    scripts/packages | sort
}
# A field's package names: continuation lines joined, versions, profiles and substitutions dropped.
field() {
  awk -v f="$1:" '$1 == f { on = 1; sub(/^[^:]*:/, ""); print; next }
    on && /^[ \t]/ { print; next } { on = 0 }' debian/control \
    | tr ',' '\n' | sed -e 's/([^)]*)//g' -e 's/<[^>]*>//g' -e 's/\[[^]]*\]//g' \
      -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' \
    | grep -v -e '^$' -e '^\${' -e '^debhelper-compat$' | sort
}
status=0
for pair in "Build-Depends:build check" Depends:depends Recommends:recommends; do
  name=${pair%%:*} g=${pair#*:}
  if ! diff <(group $g) <(field "$name") >/tmp/check_lists.$$; then
    echo "debian/control's $name differs from scripts/packages' $g group (< list, > control):"
    cat /tmp/check_lists.$$
    status=1
  fi
done
rm -f /tmp/check_lists.$$
[ "$status" -eq 0 ] && echo "package lists agree"
exit "$status"

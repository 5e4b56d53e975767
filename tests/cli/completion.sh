#!/usr/bin/env bash
# The bash completion of zovudedoda-db, run through bash-completion as a shell would: commands,
# each command's options, and the values of the options that take a few. Skipped (77) where
# bash-completion is not installed.
set -u
completion=$1
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || { echo "SKIP: bash-completion is not installed ($framework)"; exit 77; }
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=/dev/null
source "$completion"

failures=0
expect() {
  local want=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _zovudedoda_db
  local got="${COMPREPLY[*]}"
  if [ "$got" != "$want" ]; then
    echo "FAIL: [$*] completed to [$got], expected [$want]"
    failures=$((failures + 1))
  fi
}

expect "where create list show import export check solve rate explain generate import-jet print" \
  zovudedoda-db ""
expect "print" zovudedoda-db pr
expect "import import-jet" zovudedoda-db --db x.mdb im
expect "--help --version --db" zovudedoda-db --
expect "--help --db --output --per-page --paper --solutions" zovudedoda-db print 1-6 --
expect "--grade --grade-from --grade-to" zovudedoda-db generate 3 --gr
expect "--help --db --file --format" zovudedoda-db rate --
expect "--help --db --file --format --board --output" zovudedoda-db explain --
expect "1 2 4 6" zovudedoda-db print 1 --per-page ""
expect "a4 letter" zovudedoda-db print 1 --paper ""
expect "line sdk ss" zovudedoda-db export --format ""
expect "1 2 3 4 5 6 7 8" zovudedoda-db generate 2 --grade ""
[ "$failures" -eq 0 ] && echo "completion: all cases passed"
exit $((failures > 0))

#!/usr/bin/env bash
# Every file that the README and the notes in docs/ link to or show is there: a section moved or
# a picture renamed without its links fails here. Usage: check_links.sh SOURCE_DIR
set -euo pipefail
cd "$1"
status=0
for doc in README.md docs/*.md; do
  dir=$(dirname "$doc")
  # Markdown links and pictures with a relative target, without their #anchor.
  while IFS= read -r target; do
    path=${target%%#*}
    [ -n "$path" ] || continue
    if [ ! -e "$dir/$path" ]; then
      echo "$doc links to $target, which is not there"
      status=1
    fi
  done < <(grep -oE '\]\([^)]+\)' "$doc" | sed -E 's/^\]\((.*)\)$/\1/' | grep -vE '^[a-z]+:')
done
[ "$status" -eq 0 ] && echo "every link of README.md and docs/ is there"
exit "$status"

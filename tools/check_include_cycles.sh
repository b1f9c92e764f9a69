#!/usr/bin/env bash
# Fails when the files of one source folder include each other in a circle.
#
#   tools/check_include_cycles.sh ROOT FOLDER...
#
# A header and the source file of the same name (wherever they lie inside the
# folder, detail/ included) are one unit: a unit's source including a second
# unit's header while the second unit's source includes the first's header is
# a circle too. Includes are read as the project writes them, relative to
# ROOT ("runtime/forms/form.h"); includes of other folders are not followed.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 ROOT FOLDER..." >&2
  exit 2
fi
root=$1
shift

unit() {
  local name=${1##*/}
  echo "${name%.*}"
}

status=0
for folder in "$@"; do
  folder=${folder%/}
  if [ ! -d "$root/$folder" ]; then
    echo "$folder: no such folder under $root" >&2
    exit 2
  fi
  edges=$(
    cd "$root"
    find "$folder" -type f \( -name '*.h' -o -name '*.cpp' \) | sort | while read -r file; do
      from=$(unit "$file")
      # Every file is a node, so a unit that includes nothing still counts.
      echo "$from $from"
      sed -n "s|^[[:space:]]*#[[:space:]]*include[[:space:]]*\"\\($folder/[^\"]*\\)\".*|\\1|p" "$file" |
        while read -r included; do
          echo "$from $(unit "$included")"
        done
    done
  )
  if ! loop=$(tsort <<<"$edges" 2>&1 >/dev/null); then
    echo "$folder: files include each other in a circle:" >&2
    # tsort names the units of each circle it breaks, one a line, after a
    # line of its own; one circle a line here.
    awk '/input contains a loop/ { if (line != "") print "  " line; line = ""; next }
         { sub(/^tsort: /, ""); line = line == "" ? $0 : line ", " $0 }
         END { if (line != "") print "  " line }' <<<"$loop" >&2
    status=1
  elif [ -n "$loop" ]; then
    echo "$loop" >&2
    status=1
  fi
done
exit $status

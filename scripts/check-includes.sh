#!/usr/bin/env bash
# Checks the include rules of the tree. Every folder under src/ has its place:
#  - src/core, the engine: no Qt header and no project file outside src/core; its folders
#    are layered: text, version < data < browse, resolve < lists, search < import < update.
#  - src/shared, the one view of records and answers every front end shows: no Qt; above
#    the engine, below every front end (it includes src/core and itself only).
#  - the front ends: src/cli (tanzel-search's commands), src/importer (tanzel-import's),
#    src/serve (tanzel-serve) and src/forms (the windows) include src/core, src/shared and
#    themselves only; src/forms alone may use Qt. The folders of src/forms are layered:
#    common < aux, nmb7, lists, update < search < main.
#  - src/app, the program of the windows: includes anything but the other front ends'
#    folders; nothing includes src/app.
# Within a layered folder a subfolder includes only itself and the subfolders of lower
# layers (never one of its own layer or above): no cycle, no upward arrow.
# Project includes are spelled from src/ ("core/...", "forms/...", "app/...").
set -euo pipefail
cd "$(dirname "$0")/.."
fail=0
report() {
  echo "include rule broken: $1" >&2
  fail=1
}
qt='^\s*#\s*include\s*<Q[A-Za-z]*(/[A-Za-z]+)?(\.h)?>'
project='^\s*#\s*include\s*"'
# may_include FOLDER ALLOWED...: a file under src/FOLDER includes project files of ALLOWED only.
may_include() {
  local from=$1
  shift
  local allowed
  [ -d "src/$from" ] || return 0
  allowed=$(IFS='|'; echo "$*")
  while IFS= read -r line; do
    report "$line (src/$from includes a file outside src/{$(IFS=,; echo "$*")})"
  done < <(grep -rnE "$project" "src/$from" | grep -vE "#\s*include\s*\"($allowed)/" || true)
}
for dir in src/*/; do
  case $(basename "$dir") in
    core | shared | cli | importer | serve | forms | app) ;;
    *) report "src/$(basename "$dir") has no place in the include rules (add it to scripts/check-includes.sh)" ;;
  esac
done
for folder in core shared cli importer serve; do
  while IFS= read -r line; do
    report "$line (src/$folder includes Qt)"
  done < <(grep -rnE "$qt" "src/$folder" 2>/dev/null || true)
done
may_include core core
may_include shared core shared
may_include cli core shared cli
may_include importer core shared importer
may_include serve core shared serve
may_include forms core shared forms
may_include app core shared forms app
# layered PARENT name=layer...: the subfolders of src/PARENT include only lower ones.
layered() {
  local parent=$1
  shift
  declare -A layer=()
  local pair
  for pair in "$@"; do layer[${pair%%=*}]=${pair#*=}; done
  for dir in "src/$parent"/*/; do
    local from
    from=$(basename "$dir")
    if [ -z "${layer[$from]+set}" ]; then
      report "src/$parent/$from has no place in the folder order (add it to scripts/check-includes.sh)"
      continue
    fi
    while IFS= read -r line; do
      local to
      to=$(sed -E "s/^[^:]*:[0-9]+:\s*#\s*include\s*\"$parent\/([^/]+)\/.*/\1/" <<<"$line")
      [ "$to" = "$from" ] && continue
      if [ -z "${layer[$to]+set}" ] || [ "${layer[$to]}" -ge "${layer[$from]}" ]; then
        report "$line (src/$parent/$from includes src/$parent/$to, which is not below it)"
      fi
    done < <(grep -rnE "^\s*#\s*include\s*\"$parent/" "$dir" || true)
  done
}
layered core text=0 version=0 data=1 browse=2 resolve=2 lists=3 search=3 import=4 update=5
layered forms common=0 aux=1 nmb7=1 lists=1 update=1 search=2 main=3
[ "$fail" -eq 0 ] && echo "include rules: src/core self-contained, Qt-free and layered; src/shared between it and the front ends; front ends independent of each other; nothing includes src/app"
exit "$fail"

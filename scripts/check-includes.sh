#!/usr/bin/env bash
# Checks the include rules of the tree:
#  - a file under src/core includes no Qt header and no project file outside src/core;
#  - a file under src/forms includes nothing of src/app;
#  - the folders of src/core are layered: text, version < data < browse, resolve < lists <
#    search < import < update. A folder includes only itself and the folders of lower
#    layers (never one of its own layer or above): no cycle, no upward arrow.
# Project includes are spelled from src/ ("core/...", "forms/...", "app/...").
set -euo pipefail
cd "$(dirname "$0")/.."
fail=0
report() {
  echo "include rule broken: $1" >&2
  fail=1
}
while IFS= read -r line; do
  report "$line (src/core includes Qt)"
done < <(grep -rnE '^\s*#\s*include\s*<Q[A-Za-z]*(/[A-Za-z]+)?(\.h)?>' src/core || true)
while IFS= read -r line; do
  report "$line (src/core includes a file outside src/core)"
done < <(grep -rnE '^\s*#\s*include\s*"' src/core | grep -vE '#\s*include\s*"core/' || true)
while IFS= read -r line; do
  report "$line (src/forms includes src/app)"
done < <(grep -rnE '^\s*#\s*include\s*"app/' src/forms || true)
declare -A layer=([text]=0 [version]=0 [data]=1 [browse]=2 [resolve]=2 [lists]=3 [search]=4 [import]=5
                  [update]=6)
for dir in src/core/*/; do
  from=$(basename "$dir")
  if [ -z "${layer[$from]+set}" ]; then
    report "src/core/$from has no place in the folder order (add it to scripts/check-includes.sh)"
    continue
  fi
  while IFS= read -r line; do
    to=$(sed -E 's/^[^:]*:[0-9]+:\s*#\s*include\s*"core\/([^/]+)\/.*/\1/' <<<"$line")
    [ "$to" = "$from" ] && continue
    if [ -z "${layer[$to]+set}" ] || [ "${layer[$to]}" -ge "${layer[$from]}" ]; then
      report "$line (src/core/$from includes src/core/$to, which is not below it)"
    fi
  done < <(grep -rnE '^\s*#\s*include\s*"core/' "$dir" || true)
done
[ "$fail" -eq 0 ] && echo "include rules: src/core self-contained, Qt-free and layered, src/forms independent of src/app"
exit "$fail"

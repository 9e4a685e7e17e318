#!/usr/bin/env bash
# Checks the include rules of the tree:
#  - a file under src/core includes no Qt header and no project file outside src/core;
#  - a file under src/forms includes nothing of src/app;
#  - src/core/lists (lists of addresses) comes after resolve and before search: it includes
#    only text, data, browse, resolve and itself, and none of those includes it.
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
while IFS= read -r line; do
  report "$line (src/core/lists includes a later folder)"
done < <(grep -rnE '^\s*#\s*include\s*"core/' src/core/lists | grep -vE '#\s*include\s*"core/(text|data|browse|resolve|lists)/' || true)
while IFS= read -r line; do
  report "$line (an earlier folder includes src/core/lists)"
done < <(grep -rnE '^\s*#\s*include\s*"core/lists/' src/core/text src/core/data src/core/browse src/core/resolve || true)
[ "$fail" -eq 0 ] && echo "include rules: src/core self-contained and Qt-free, src/forms independent of src/app"
exit "$fail"

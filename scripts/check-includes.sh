#!/usr/bin/env bash
# Checks the include rules of the tree:
#  - a file under src/core includes no Qt header and no project file outside src/core;
#  - a file under src/forms includes nothing of src/app.
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
[ "$fail" -eq 0 ] && echo "include rules: src/core self-contained and Qt-free, src/forms independent of src/app"
exit "$fail"

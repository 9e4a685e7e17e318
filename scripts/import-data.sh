#!/usr/bin/env bash
# Imports Japan Post's archives into the data files beside the program:
#   scripts/import-data.sh BINDIR ARCHIVEDIR
# Runs BINDIR/tanzel-import when a data file in BINDIR is missing or older than the
# archives (or than the importer itself), or its EDITION record is missing; quietly does
# nothing when the data is current.
# ARCHIVEDIR holds jigyosyo.zip and ken_all.zip or utf_ken_all.zip (see find-archives.sh).
set -euo pipefail
bin=${1:?usage: scripts/import-data.sh BINDIR ARCHIVEDIR}
archives=${2:-}
if [ -z "$archives" ]; then
  echo "Japan Post's archives not found: the program runs without postal data (see README, Data)" >&2
  exit 0
fi
importer=$bin/tanzel-import
if [ ! -x "$importer" ]; then
  echo "import-data.sh: $importer is missing: build the target tanzel-import first" >&2
  exit 1
fi
ken=$archives/ken_all.zip
[ -f "$ken" ] || ken=$archives/utf_ken_all.zip
jig=$archives/jigyosyo.zip
for f in "$ken" "$jig"; do
  if [ ! -f "$f" ]; then
    echo "import-data.sh: $f not found" >&2
    exit 1
  fi
done

# After an import the data files are links into the edition in use; -f and -ot follow them.
current=yes
for kind in KEN JIG; do
  for n in $(seq -w 1 47); do
    data=$bin/$kind$n.CSV
    if [ ! -f "$data" ] || [ "$data" -ot "$ken" ] || [ "$data" -ot "$jig" ] || [ "$data" -ot "$importer" ]; then
      current=no
      break 2
    fi
  done
done
# Data imported before the importer recorded its edition.
[ -f "$bin/EDITION" ] || [ -f "$bin/current/EDITION" ] || current=no
[ "$current" = yes ] && exit 0

echo "Importing Japan Post's postal data from $archives into $bin"
"$importer" --ken "$ken" --jig "$jig" --out "$bin"

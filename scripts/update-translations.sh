#!/usr/bin/env bash
# Collects the program's texts from app/ into its catalogues (app/translations/*.ts) with
# lupdate: new texts come in unfinished, texts gone from the sources are dropped. Translate the
# unfinished ones (Qt Linguist, or by hand in the .ts); the build compiles the catalogues.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
lupdate="${LUPDATE:-$(command -v lupdate6 || command -v lupdate || echo /usr/lib/qt6/bin/lupdate)}"
cd "$root"
for ts in app/translations/quiltapp_*.ts; do
    "$lupdate" app -extensions cpp,h -ts "$ts" -no-obsolete -locations none
    echo "$ts: $(grep -c 'type="unfinished"' "$ts" || true) unfinished"
done

#!/usr/bin/env bash
# check_docs_figures.sh <kestrune-sim> <source dir>
# The README's figures are kestrune-sim's own: the command of every caption
# *`kestrune-sim ... docs/NAME.png ...`* runs again, into a scratch folder,
# and must draw its figure again pixel for pixel. After a change to how
# figures look, run the captions from the source folder and commit the PNGs.
# Needs ImageMagick's compare (scripts/install-deps.sh).
set -euo pipefail
sim="$1"
src="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
count=0
while IFS= read -r command; do
    figure=$(grep -oE 'docs/[A-Za-z0-9_-]+\.png' <<<"$command")
    read -r -a words <<<"${command#kestrune-sim }"
    args=()
    for word in "${words[@]}"; do
        args+=("${word/docs\//$work/}")
    done
    "$sim" "${args[@]}"
    differing=$(compare -metric AE "$work/${figure#docs/}" "$src/$figure" null: 2>&1 || true)
    if [ "$differing" != 0 ]; then
        echo "$figure: $differing pixels differ from what '$command' draws"
        status=1
    fi
    count=$((count + 1))
done < <(sed -n 's/^\*`\(kestrune-sim [^`]*docs\/[^`]*\.png[^`]*\)`\*$/\1/p' "$src/README.md")
[ "$count" -gt 0 ] || { echo "no figure captions in $src/README.md"; exit 1; }
[ "$status" -ne 0 ] || echo "$count figures drawn again, identical"
exit $status

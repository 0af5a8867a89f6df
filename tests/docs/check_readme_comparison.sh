#!/usr/bin/env bash
# check_readme_comparison.sh <kestrune-sim> <source dir>
# The README's comparison of the tuned loops is what its commands print: each
# row's command runs again and must give the row's IAE, overshoot and
# settling time as rounded there; the limit cycle, the swing after 3 s, the
# 60 s IAEs and the ratios in the text below the table are measured from the
# samples of the tuned values.
set -euo pipefail
sim="$1"
readme="$2/README.md"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "README: $*" >&2; status=1; }

# Prints the value of a --metrics row for the loop in column $2.
metric() { awk -F, -v m="$1" -v c="$2" '$1 == m { print $c }'; }

rows=$(awk '/^\| loop \| command \|/ { on = 1; next } on && /^\|---/ { next }
            on && /^\|/ { print; next } on { exit }' "$readme")
[ -n "$rows" ] || { echo "README: no comparison table" >&2; exit 1; }
count=0
declare -A iae
while IFS= read -r row; do
    command=$(sed -E 's/^[^`]*`([^`]*)`.*/\1/' <<<"$row")
    IFS='|' read -r _ label _ want_iae want_over want_settle _ <<<"${row//\\|/¦}"
    label=$(xargs <<<"$label")
    read -r -a args <<<"$command"
    "$sim" "${args[@]}" -o "$work/tuned.csv" 2>"$work/err"
    limit=()
    if [[ " $command " == *" --pid-limit "* ]]; then limit=(--pid-limit "${command##*--pid-limit }"); fi
    column=3
    [[ " $command " == *" fuzzy "* ]] && column=4
    "$sim" --params "$work/tuned.csv" --metrics >"$work/metrics.csv"
    got_iae=$(metric iae $column <"$work/metrics.csv")
    got_over=$(metric overshoot_percent $column <"$work/metrics.csv")
    got_settle=$(metric settling_time $column <"$work/metrics.csv")
    want_iae=$(xargs <<<"$want_iae")
    want_over=$(xargs <<<"${want_over%\%*}")
    want_settle=$(xargs <<<"$want_settle")
    decimals=$(awk -F. '{ print length($2) }' <<<"$want_iae")
    [ "$(printf "%.${decimals}f" "$got_iae")" = "$want_iae" ] ||
        fail "$label: IAE $got_iae, the table says $want_iae"
    decimals=$(awk -F. '{ print length($2) }' <<<"$want_over")
    [ "$(printf "%.${decimals}f" "$got_over")" = "$want_over" ] ||
        fail "$label: overshoot $got_over %, the table says $want_over %"
    if [ "$want_settle" = never ]; then
        [ "$got_settle" = n/a ] || fail "$label: settles at $got_settle s, the table says never"
    else
        [ "at $(printf '%.1f' "$got_settle") s" = "$want_settle" ] ||
            fail "$label: settles at $got_settle s, the table says $want_settle"
    fi
    # The summary's criterion is the very value the written rows give back.
    summary=$(sed -nE 's/.* -> ([^,]*), overshoot.*/\1/p' "$work/err" | head -1)
    [ "$summary" = "$got_iae" ] || fail "$label: --params gives $got_iae, the summary $summary"
    iae["$command"]=$got_iae
    [ "$command" = "--tune fuzzy" ] && cp "$work/tuned.csv" "$work/fuzzy.csv"
    [ "$command" = "--tune pid" ] && cp "$work/tuned.csv" "$work/pid.csv"
    count=$((count + 1))
done <<<"$rows"

text=$(awk '/^Freely tuned, the fuzzy loop/ { on = 1 } on && /^$/ { exit } on' "$readme" | tr '\n' ' ')
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.*f", '"$3"', a / b }'; }
check_in_text() { grep -qF -- "$1" <<<"$text" || fail "the text lacks \"$1\" ($2)"; }
check_in_text "$(ratio "${iae[--tune fuzzy]}" "${iae[--tune pid]}" 1) times the PID loop's" "free ratio"
check_in_text "2 % overshoot, $(ratio "${iae[--tune fuzzy --max-overshoot 2]}" \
    "${iae[--tune pid --max-overshoot 2]}" 1) times" "overshoot-limited ratio"
check_in_text "shrinks to $(ratio "${iae[--tune fuzzy]}" "${iae[--tune pid --pid-limit 0.31]}" 2) times" \
    "ratio under the same bound"

"$sim" --params "$work/fuzzy.csv" >"$work/samples.csv"
swing=$(awk -F, 'NR > 1 && $1 >= 3 { if (lo == "" || $4 < lo) lo = $4; if ($4 > hi) hi = $4 }
                 END { printf "between %.3f and %.3f", lo, hi }' "$work/samples.csv")
check_in_text "$swing" "the fuzzy loop after 3 s"
cycle=$(tail -n 4 "$work/samples.csv" | head -n 3 | awk -F, '{ printf "%s%.5f", (NR > 1 ? ", " : ""), $4 }')
check_in_text "repeats $cycle" "the last samples"
last=$(tail -n 1 "$work/samples.csv" | awk -F, '{ printf "%.5f", $4 }')
[ "$last" = "${cycle%%,*}" ] || fail "the fuzzy loop's last samples are no cycle of three"

fuzzy60=$("$sim" --params "$work/fuzzy.csv" --time 60 --metrics | metric iae 4)
pid60=$("$sim" --params "$work/pid.csv" --time 60 --metrics | metric iae 3)
check_in_text "$(printf '(fuzzy %.2f, PID %.3f' "$fuzzy60" "$pid60")" "the 60 s IAEs"

[ "$count" -ge 3 ] || fail "the comparison has $count rows"
exit $status

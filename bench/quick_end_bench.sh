#!/usr/bin/env bash
# A run that ends at once while the offices it started for the PDFs are coming up (a missing data
# file with --pdf), RUNS times: counts the exit statuses. Every run must end with status 1; a
# status above 128 is a signal (a crash on the way out) and fails the script.
# Run by hand after scripts/build.sh (or with CLI=build-asan/vexlo-merge and the like).
# Usage: bench/quick_end_bench.sh [RUNS]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-200}
cli=$(realpath "${CLI:-$root/build/vexlo-merge}")
[ -x "$cli" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
work=$(mktemp -d /tmp/vexlo-quick-end-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$root/tests/data/merge/模板.docx" "$work/模板.docx"
cd "$work"
export XDG_CACHE_HOME="$work/cache" QT_QPA_PLATFORM=offscreen
declare -A count
for ((run = 1; run <= runs; run++)); do
  "$cli" --data 无.xlsx --template 模板.docx --out 输出 --pdf >/dev/null 2>>stderr.txt
  status=$?
  count[$status]=$((${count[$status]:-0} + 1))
done
for status in $(printf '%s\n' "${!count[@]}" | sort -n); do
  printf 'exit %3d: %d runs\n' "$status" "${count[$status]}"
done
left=$(pgrep -f "$work/cache" || true)
[ -z "$left" ] || { echo "offices left running: $left" >&2; exit 1; }
[ "${count[1]:-0}" -eq "$runs" ] || { echo "not every run ended with status 1" >&2; exit 1; }
echo "all $runs runs ended with status 1"

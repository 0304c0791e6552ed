#!/usr/bin/env bash
# Runs ipm_bench and the installed peer solvers on the same folder of instances and prints, per instance, every
# solver's time and outcome, then the ratio table with shifted geometric means (shift 1 s).
#
# usage: bench/compare.sh [ipm_bench options] FOLDER
#   e.g. bench/compare.sh -f '^(afiro|adlittle|25fv47)$' ../shared/data/netlib
#
# Environment:
#   PEER_THREADS     threads for every solver, ours included (default 1)
#   PEER_TIME_LIMIT  seconds per instance for every solver (default 600)
#   PEERS            peer runs as script:method words (default: every installed one of
#                    "clp:barrier clp:dual glpk:interior glpk:dual")
#   PEERS_DIR        the peer scripts (default: ../shared/peers beside the repository)
#   IPM_BENCH        our benchmark program (default: build/bench/ipm/ipm_bench)
#   KEEP_DIR         keep the raw results (ours.csv and one file per peer) in this folder
#   OURS_PROCESS=1   time our side as whole processes too, like the peers: the zirva program on each file
#                    (decompressed beforehand, outside the timed region), and use those times in the table;
#                    ipm_bench still judges the outcomes.  ZIRVA_BIN: the program (build/tools/zirva/zirva)
#   REUSE=1          with KEEP_DIR: print the table from the kept results without running anything
#
# Outcomes: ours are judged by ipm_bench (independent re-check from the data); a peer run counts as solved when
# its status is optimal and its objective is within 1e-6 relative of the known optimum, or when it reports
# infeasible for an instance the values file lists as infeasible. Peers' solutions are not re-checked: their
# scripts report the status and objective only. Our seconds are read + optimize inside the process; a peer's are
# the wall time of its whole process (decompression excluded), so small instances slightly favour us.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
PEER_THREADS=${PEER_THREADS:-1}
PEER_TIME_LIMIT=${PEER_TIME_LIMIT:-600}
PEERS_DIR=${PEERS_DIR:-$root/../shared/peers}
IPM_BENCH=${IPM_BENCH:-$root/build/bench/ipm/ipm_bench}
ZIRVA_BIN=${ZIRVA_BIN:-$root/build/tools/zirva/zirva}
export PEER_THREADS PEER_TIME_LIMIT
export OMP_NUM_THREADS=${OMP_NUM_THREADS:-$PEER_THREADS}
export OPENBLAS_NUM_THREADS=${OPENBLAS_NUM_THREADS:-$PEER_THREADS}

die() { echo "compare.sh: $*" >&2; exit 2; }
[ $# -ge 1 ] || die "usage: compare.sh [ipm_bench options] FOLDER"
[ -x "$IPM_BENCH" ] || die "no benchmark program at $IPM_BENCH (build with -DZIRVA_BENCH=ON, or set IPM_BENCH)"
folder=${!#}
[ -d "$folder" ] || die "no folder $folder"

if [ -z "${PEERS:-}" ]; then
  PEERS=""
  command -v "${CLP_BIN:-clp}" > /dev/null 2>&1 && PEERS="$PEERS clp:barrier clp:dual"
  command -v glpsol > /dev/null 2>&1 && PEERS="$PEERS glpk:interior glpk:dual"
fi

work=${KEEP_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/compare.XXXXXX")}
mkdir -p "$work"
[ -n "${KEEP_DIR:-}" ] || trap 'rm -rf "$work"' EXIT

# REUSE=1 with KEEP_DIR prints the table from the results kept there by an earlier run, running nothing.
if [ "${REUSE:-0}" != 1 ]; then
  echo "== ours: ipm_bench --threads $PEER_THREADS --time-limit $PEER_TIME_LIMIT $*" >&2
  "$IPM_BENCH" --threads "$PEER_THREADS" --time-limit "$PEER_TIME_LIMIT" "$@" > "$work/ours.csv" \
    || die "ipm_bench failed"
fi

# Instance name -> file, known value, expected infeasible: from ipm_bench's own table, so both sides run the same
# files with the same reference values.
names=$(awk -F, 'NR > 1 && $1 !~ /^#/ {print $1}' "$work/ours.csv")
find_file() {  # exact names only: pilot must not find pilot.ja.mps.gz
  local ext
  for ext in mps mps.gz qps qps.gz lp lp.gz fmps fmps.gz; do
    [ -f "$folder/$1.$ext" ] && { echo "$folder/$1.$ext"; return 0; }
  done
  return 1
}

# Our side as whole processes (same rules as the peer scripts: decompression outside the timed region).
[ "${REUSE:-0}" = 1 ] || rm -f "$work/ours.process"
if [ "${OURS_PROCESS:-0}" = 1 ] && [ "${REUSE:-0}" != 1 ]; then
  [ -x "$ZIRVA_BIN" ] || die "no zirva program at $ZIRVA_BIN"
  echo "== ours as processes: $ZIRVA_BIN" >&2
  : > "$work/ours.process"
  for n in $names; do
    f=$(find_file "$n") || continue
    in=$f
    case "$f" in
      *.gz) base=$(basename "$f" .gz); in="$work/input.${base#*.}"; gzip -dc "$f" > "$in" ;;
    esac
    t0=$(date +%s.%N)
    "$ZIRVA_BIN" -q --no-solution -d ZRV_IPAR_NUM_THREADS "$PEER_THREADS" \
      -d ZRV_DPAR_OPTIMIZER_MAX_TIME "$PEER_TIME_LIMIT" "$in" > /dev/null 2>&1
    t1=$(date +%s.%N)
    echo "$n $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')" >> "$work/ours.process"
    [ "$in" = "$f" ] || rm -f "$in"
  done
fi

for peer in $PEERS; do
  [ "${REUSE:-0}" = 1 ] && break
  script=${peer%%:*} method=${peer#*:}
  runner="$PEERS_DIR/run_$script.sh"
  [ -x "$runner" ] || { echo "== skipping $peer: no $runner" >&2; continue; }
  out="$work/peer.$script.$method"
  : > "$out"
  echo "== $peer" >&2
  for n in $names; do
    f=$(find_file "$n") || continue
    line=$("$runner" "$f" "$method" 2> /dev/null | tail -1)
    [ -n "$line" ] || line="status=error objective=NA seconds=NA"
    echo "$n $line" >> "$out"
  done
done

awk -v peers="$PEERS" -v work="$work" -v tl="$PEER_TIME_LIMIT" '
function sgm(sum, n) { return n ? exp(sum / n) - 1 : 0 }
function field(line, key,   i, k, a) {
  k = split(line, a, " ")
  for (i = 1; i <= k; i++) if (index(a[i], key "=") == 1) return substr(a[i], length(key) + 2)
  return ""
}
BEGIN {
  FS = ","
  np = split(peers, P, " ")
  solvers[0] = "zirva"
  while ((getline l < (work "/ours.csv")) > 0) {
    if (l ~ /^name,/ || l ~ /^#/) continue
    split(l, c, ",")
    n = c[1]; order[++ni] = n
    known[n] = c[8]; t[0, n] = c[11] + 0; ok[0, n] = c[16] == "1"; st[0, n] = c[5]
  }
  # whole-process times of our side, when measured (OURS_PROCESS=1)
  while ((getline l < (work "/ours.process")) > 0) { split(l, w, " "); if (w[1] in known) { t[0, w[1]] = w[2] + 0; solvers[0] = "zirva-process" } }
  for (p = 1; p <= np; p++) {
    solvers[p] = P[p]; sub(":", "-", solvers[p])
    file = work "/peer." P[p]; sub(":", ".", file)
    while ((getline l < file) > 0) {
      split(l, w, " "); n = w[1]
      s = field(l, "status"); o = field(l, "objective"); sec = field(l, "seconds")
      t[p, n] = (sec == "" || sec == "NA") ? tl : sec + 0
      st[p, n] = s
      if (known[n] == "infeasible") ok[p, n] = (s == "infeasible")
      else if (s == "optimal" && known[n] != "" && o != "NA") {
        k = known[n] + 0; d = o - k; if (d < 0) d = -d
        ok[p, n] = d <= 1e-6 * (k < 0 ? (-k > 1 ? -k : 1) : (k > 1 ? k : 1))
      } else ok[p, n] = (s == "optimal" && known[n] == "")
      ran[p, n] = 1
    }
  }
  printf "%-14s", "instance"
  for (p = 0; p <= np; p++) printf "  %-18s", solvers[p] (p ? " (ratio)" : "")
  printf "\n"
  for (i = 1; i <= ni; i++) {
    n = order[i]
    printf "%-14s  %9.3f %-8s", n, t[0, n], ok[0, n] ? "ok" : "FAIL"
    for (p = 1; p <= np; p++) {
      if (!ran[p, n]) { printf "  %-18s", "-"; continue }
      # a ratio of times below a millisecond says nothing
      r = t[0, n] >= 0.001 ? sprintf("%5.1fx", t[p, n] / t[0, n]) : "  n/a"
      printf "  %8.3f %-4s %s", t[p, n], ok[p, n] ? "ok" : "FAIL", r
    }
    printf "\n"
  }
  printf "\nshifted geometric means of seconds (shift 1 s); ratio = solver / zirva (above 1: zirva is faster)\n"
  printf "%-16s %8s %12s %8s %22s %8s\n", "solver", "solved", "sgm (all)", "ratio", "sgm (solved by both)", "ratio"
  for (p = 0; p <= np; p++) {
    sa = 0; na = 0; sb = 0; sz = 0; nb = 0; ns = 0
    for (i = 1; i <= ni; i++) {
      n = order[i]
      if (p && !ran[p, n]) continue
      sa += log(t[p, n] + 1); na++
      sz_all[p] += log(t[0, n] + 1)
      ns += ok[p, n]
      if (ok[p, n] && ok[0, n]) { sb += log(t[p, n] + 1); sz += log(t[0, n] + 1); nb++ }
    }
    all = sgm(sa, na); ours_all = sgm(sz_all[p], na)
    both = sgm(sb, nb); ours_both = sgm(sz, nb)
    printf "%-16s %4d/%-3d %12.3f %8.2f %22.3f %8.2f\n", solvers[p], ns, na, all,
           (ours_all > 0 ? all / ours_all : 0), both, (ours_both > 0 ? both / ours_both : 0)
  }
}'

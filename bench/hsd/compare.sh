#!/bin/bash
# compare.sh HSD_RUN OUT [FILES...]: whole-process wall seconds per problem file for the engine runner and the peer
# barrier (one after the other on the same file, so both see the same machine load), then the shifted geometric
# means (shift 1 s).  Default files: the whole Netlib set.
bin=$1; out=$2; shift 2
files=("$@")
[ ${#files[@]} -eq 0 ] && files=(/work/shared/data/netlib/*.mps.gz)
: > "$out"
uptime >> "$out"
for f in "${files[@]}"; do
  n=$(basename "$f"); n=${n%%.*}
  t0=$(date +%s.%N); "$bin" "$f" > /dev/null 2>&1; t1=$(date +%s.%N)
  /work/shared/peers/run_clp.sh "$f" barrier > /dev/null 2>&1; t2=$(date +%s.%N)
  echo "$n $(echo "$t1 - $t0" | bc) $(echo "$t2 - $t1" | bc)" >> "$out"
done
uptime >> "$out"
awk 'NF == 3 && $1 !~ /:/ { a += log($2 + 1); b += log($3 + 1); k++ }
     END { ea = exp(a / k) - 1; eb = exp(b / k) - 1; printf "%d files: engine %.3f s, peer %.3f s, ratio %.2f\n", k, ea, eb, eb / ea }' "$out"

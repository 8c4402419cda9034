#!/bin/sh
# Throughput and memory of moxa's one-pass extraction against unar and gzip.
#   tools/moxa/moxa-bench.sh [BUILD_DIR] [WORK_DIR]
# Builds (deterministically) a solid archive of 1,600 small text files
# (12 MB unpacked, moxa a -s -m3), a 10 MiB text entry (moxa a -m3) with its
# gzip -6 twin, and a 2 GiB - 1 byte entry, then prints:
#   unar/moxa time ratios for x and t of the solid archive (>= 1: moxa is
#     no slower), best of 3 runs each;
#   gzip -dc/moxa p time ratio of the 10 MiB text (>= 1: moxa unpacks at
#     least at zlib inflate's throughput), best of 5, whole processes;
#   peak resident size of moxa t, p and x on the 2 GiB - 1 byte entry.
set -eu

BUILD=${1:-build}
WORK=${2:-$(mktemp -d "${TMPDIR:-/tmp}/moxa-bench.XXXXXX")}
MOXA=$(cd "$BUILD" && pwd)/tools/moxa/moxa
LONGRUN=$(cd "$BUILD" && pwd)/tests/tools/moxa/moxa_longrun_archive
mkdir -p "$WORK"
cd "$WORK"

now() { date +%s.%N; }
# best_of N COMMAND...: the shortest wall time of N runs, in seconds.
best_of() {
    n=$1
    shift
    best=""
    i=0
    while [ "$i" -lt "$n" ]; do
        t0=$(now)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        t1=$(now)
        best=$(echo "$t0 $t1 ${best:-999999}" | awk '{d = $2 - $1; print (d < $3) ? d : $3}')
        i=$((i + 1))
    done
    echo "$best"
}
ratio() { echo "$1 $2" | awk '{printf "%.2f", $1 / $2}'; }

# Pseudo-English text from a fixed seed: words of 1 to 4 syllables, sentences
# and lines of varying length.
python3 - <<'PY'
import os, random
rng = random.Random(20261206)
syl = ["sun", "vale", "ta", "ro", "mi", "ne", "lux", "ar", "ko", "den", "li", "sa",
       "tor", "ven", "ma", "lo", "re", "qui", "es", "an", "ol", "ith", "ur", "ba"]
words = ["".join(rng.choice(syl) for _ in range(rng.randint(1, 4))) for _ in range(1500)]
common = ["the", "of", "and", "a", "to", "in", "is", "it", "that", "was", "for", "on"]
def text(size):
    out, line = [], []
    n = 0
    while n < size:
        sentence = [rng.choice(common) if rng.random() < 0.35 else rng.choice(words)
                    for _ in range(rng.randint(4, 16))]
        s = " ".join(sentence).capitalize() + rng.choice([".", ".", ".", ",", ";", "?"])
        line.append(s)
        if len(" ".join(line)) > rng.randint(50, 78):
            out.append(" ".join(line) + "\n")
            n += len(out[-1])
            line = []
    return "".join(out)[:size]
os.makedirs("texts", exist_ok=True)
for i in range(1600):
    with open("texts/%04d.txt" % i, "w") as f:
        f.write(text(7500))
with open("text10.txt", "w") as f:
    f.write(text(10 * 1024 * 1024))
PY

rm -f solid.rar one.rar
"$MOXA" a -s -m3 solid.rar texts >/dev/null 2>&1
"$MOXA" a -m3 one.rar text10.txt >/dev/null 2>&1
gzip -6 -c text10.txt >text10.gz
"$LONGRUN" long.rar 2147483647

xm() { rm -rf out-moxa && "$MOXA" x solid.rar -o out-moxa; }
xu() { rm -rf out-unar && unar -q -f -o out-unar solid.rar; }
t_xm=$(best_of 3 xm)
t_tm=$(best_of 3 "$MOXA" t solid.rar)
t_xu=$(best_of 3 xu)
t_tu=$(best_of 3 lsar -t solid.rar)
t_pm=$(best_of 5 "$MOXA" p one.rar text10.txt)
t_gz=$(best_of 5 gzip -dc text10.gz)
rm -rf out-moxa out-unar

echo "solid archive: 1600 entries, $(du -k solid.rar | cut -f1) KiB packed"
echo "  moxa x ${t_xm}s  unar ${t_xu}s     unar/moxa = $(ratio "$t_xu" "$t_xm")"
echo "  moxa t ${t_tm}s  lsar -t ${t_tu}s  lsar/moxa = $(ratio "$t_tu" "$t_tm")"
echo "  moxa t ${t_tm}s  unar ${t_xu}s     unar/moxa = $(ratio "$t_xu" "$t_tm")"
echo "10 MiB text: moxa p ${t_pm}s  gzip -dc ${t_gz}s  gzip/moxa = $(ratio "$t_gz" "$t_pm")"

rss() { /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -n 1; }
echo "2 GiB - 1 byte entry: $(du -k long.rar | cut -f1) KiB packed"
echo "  moxa t peak RSS $(rss "$MOXA" t long.rar) KiB"
echo "  moxa p peak RSS $(rss "$MOXA" p long.rar long.txt) KiB"
rm -rf out-long
echo "  moxa x peak RSS $(rss "$MOXA" x long.rar -o out-long) KiB"
rm -rf out-long

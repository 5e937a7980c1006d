# Sourced by the benchmark scripts: the sample formats and signals as the
# program itself lists them in `corvane help export`, and each format's
# sample size and header size measured from files it writes, so no script
# keeps its own copy of those tables.
#
#   corvane_list CORVANE LABEL      # words after "LABEL:" in the help, up to "(" ; e.g. FMT, SIGNAL
#   corvane_format_sizes CORVANE DIR FMT   # prints "bytes-per-sample header-bytes"

corvane_list() {
  "$1" help export | awk -v label="$2:" '
    $1 == label { sub(/^[^:]*:[ \t]*/, ""); sub(/\(.*/, ""); gsub(/,/, " "); print; exit }' | xargs
}

# Two mono exports at 8000 Hz, 1 s and 2 s: the difference is 8000 samples.
corvane_format_sizes() {
  local exe=$1 dir=$2 fmt=$3 one two
  "$exe" export --quiet -o "$dir/size-1.wav" --fs 8000 --channels 1 --seconds 1 --format "$fmt"
  "$exe" export --quiet -o "$dir/size-2.wav" --fs 8000 --channels 1 --seconds 2 --format "$fmt"
  one=$(stat -c %s "$dir/size-1.wav")
  two=$(stat -c %s "$dir/size-2.wav")
  rm -f "$dir/size-1.wav" "$dir/size-2.wav"
  echo $(((two - one) / 8000)) $((one - (two - one)))
}

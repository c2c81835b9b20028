# What the command-line test scripts share; sourced, not run.
#   fail TEXT...   counts a failure and says what failed
#   run_and_check STATUS TEXT COMMAND...
#                  runs COMMAND and checks its exit status, TEXT on
#                  standard error (on standard output for status 0), and
#                  nothing on standard output after a refusal
#   finish NAME    the last line: the verdict, and the script's status
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

run_and_check() {
  local want=$1 text=$2
  shift 2
  "$@" >out.txt 2>err.txt
  local status=$?
  local stream=err.txt
  [ "$want" -eq 0 ] && stream=out.txt
  if [ "$status" -ne "$want" ]; then
    fail "$* exited $status, not $want: $(cat err.txt)"
  elif ! grep -qF -- "$text" "$stream"; then
    fail "$* did not say '$text': $(cat "$stream")"
  elif [ "$want" -ne 0 ] && [ -s out.txt ]; then
    fail "$* wrote to standard output although it failed"
  fi
}

finish() {
  [ "$failures" -eq 0 ] && echo "$1: every check passed"
  [ "$failures" -eq 0 ]
}

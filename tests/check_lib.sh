# Shared by the check scripts (sourced): the program runner, the counters, a temporary directory and
# the summary line the test runner looks for. Windows runs set NIMBROOK_WINE (to "wine"), which then
# starts the program. The sourcing script sets cli first.

runner=()
if [ -n "${NIMBROOK_WINE:-}" ]; then runner=("$NIMBROOK_WINE"); fi

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() {  # check DESCRIPTION CONDITION...
  local what=$1
  shift
  if "$@"; then pass; else fail "$what"; fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs the program; sets out (standard output without CR) and status.
run() {
  out=$("${runner[@]}" "$cli" "$@" 2>"$work/stderr" </dev/null)
  status=$?
  out=$(printf '%s' "$out" | tr -d '\r')
}

# Prints the summary the test runner requires and ends with the right status.
finish() {
  echo "nimbrook-check: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

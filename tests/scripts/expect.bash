# The scripts' tests' one check: a named case, its expected and its actual
# value; a failure is counted in $failures and said, a pass said too.
failures=0
expect() {  # name, expected, actual
  if [ "$2" != "$3" ]; then
    echo "FAILED: $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  else
    echo "ok: $1"
  fi
}

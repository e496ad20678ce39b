# Counting checks for the shell tests; source it, then:
#   check DESCRIPTION COMMAND...   runs COMMAND; a failure is counted and named
#   finish                         prints "N passed, N failed" and gives the status
passed=0
failed=0
check() {
  what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL: %s\n' "$what"
  fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

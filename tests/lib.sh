# What the shell tests share: a fresh folder $work, removed at the end with whatever a test left
# read-only in it (a test that mounts something there defines before_cleanup to unmount it),
# pass/fail bookkeeping, and skipping, which ctest reports when a test exits with 77.
#
#   source "$(dirname "$0")/lib.sh"; check "what" command...; fail "what"; skip "why"; finish
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlorin-test.XXXXXX")
chmod 755 "$work"
passed=0
failed=0
cleanup() {
    if declare -F before_cleanup >/dev/null; then before_cleanup; fi
    chmod -R u+rwX "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    failed=$((failed + 1))
}
# check <what> <command...>: the command must succeed; false when it did not.
check() {
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else fail "$what" && return 1; fi
}
skip() {
    echo "SKIP: $*"
    exit 77
}
# The last line: how many checks passed and failed; the exit status says whether all passed.
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

#!/bin/bash
# The bash completion and the manual page of romquill-cli know every command and option that the program's
# own help lists, so that neither falls behind when the command line changes.
# Usage: packaging_test.sh CLI PACKAGING-FOLDER
set -eu
cli=$1
linux=$2
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

verbs=$("$cli" --help | sed -n 's/^  romquill-cli \([a-z][a-z-]*\).*/\1/p')
[ -n "$verbs" ] || fail "no commands in the output of romquill-cli --help"

# shellcheck source=/dev/null
source "$linux/romquill-cli.bash-completion"
COMP_WORDS=(romquill-cli '')
COMP_CWORD=1
_romquill_cli
offered=" ${COMPREPLY[*]} "
for verb in $verbs; do
  case $offered in
    *" $verb "*) ;;
    *) fail "the completion does not offer the command $verb" ;;
  esac
  grep -qF "\\fBromquill-cli $verb" "$linux/romquill-cli.1" || fail "the manual page has no synopsis of $verb"
  for option in $("$cli" "$verb" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$option" "$linux/romquill-cli.bash-completion" || fail "the completion lacks $option ($verb)"
    grep -qF -- "${option//-/\\-}" "$linux/romquill-cli.1" || fail "the manual page lacks $option ($verb)"
  done
done
[ "$failed" -eq 0 ] && echo "the completion and the manual page know every command and option"
exit "$failed"

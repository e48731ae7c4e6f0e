#!/usr/bin/env bash
# Each deliverable exports its entry points and nothing else: the defined
# dynamic symbols must equal the list in exports/<name>.txt.
set -u
status=0
for library in "$@"; do
  name=$(basename "$library" .DLL)
  expected=$(sort "$(dirname "$0")/exports/$name.txt")
  actual=$(nm -D --defined-only "$library" | awk 'NF == 3 {print $3}' | sort)
  if [ "$expected" != "$actual" ]; then
    echo "$name.DLL exports differ from the expected list (< expected, > actual):"
    diff <(echo "$expected") <(echo "$actual")
    status=1
  fi
done
exit $status

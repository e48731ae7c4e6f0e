#!/usr/bin/env bash
# Each deliverable exports its entry points and nothing else: the defined
# dynamic symbols must equal the list in exports/<name>.txt. The platform
# layer (libvexlplatform.so) exports its Windows face, the plain C names in
# exports/vexlplatform.txt, beside the C++ names of its host face; its C
# names must equal the list, and the libraries import nothing else from it.
set -u
status=0
for library in "$@"; do
  file=$(basename "$library")
  case "$file" in
    libvexlplatform.so)
      name=vexlplatform
      actual=$(nm -D --defined-only "$library" | awk 'NF == 3 && $3 !~ /^_Z/ {print $3}' | sort) ;;
    *)
      name=${file%.DLL}
      actual=$(nm -D --defined-only "$library" | awk 'NF == 3 {print $3}' | sort) ;;
  esac
  expected=$(sort "$(dirname "$0")/exports/$name.txt")
  if [ "$expected" != "$actual" ]; then
    echo "$file exports differ from the expected list (< expected, > actual):"
    diff <(echo "$expected") <(echo "$actual")
    status=1
  fi
done
exit $status

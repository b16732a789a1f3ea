# Sourced by the package checks.
#
# check_files COLUMN LISTING PREFIX fails unless LISTING (the files, one absolute path a line, no
# folders) holds every file of packaging/files.txt marked y in COLUMN below PREFIX, none marked n,
# and nothing the table does not list (the tests' own program, say).
check_files() {
  local column=$1 listing=$2 prefix=$3 path deb rpm install want status=0 wanted=()
  while read -r path deb rpm install; do
    [[ -z $path || $path == \#* ]] && continue
    case $column in deb) want=$deb ;; rpm) want=$rpm ;; install) want=$install ;; esac
    [[ $want == y ]] && wanted+=("$prefix/$path")
    if [[ $want == y ]] && ! grep -qxF "$prefix/$path" "$listing"; then
      echo "not in the $column install: $prefix/$path" >&2
      status=1
    elif [[ $want == n ]] && grep -qxF "$prefix/$path" "$listing"; then
      echo "in the $column install, which must not hold it: $prefix/$path" >&2
      status=1
    fi
  done <"$(dirname "${BASH_SOURCE[0]}")/files.txt"
  while read -r path; do
    printf '%s\n' "${wanted[@]}" | grep -qxF "$path" ||
      { echo "in the $column install, not in packaging/files.txt: $path" >&2; status=1; }
  done <"$listing"
  return $status
}

# check_copyright FILE fails unless each path pattern of the "Files:" fields of FILE (a Debian
# machine-readable copyright file, as installed) matches a file of the source tree: a stanza for
# files the tree does not hold states a copyright and licence for code the package lacks.
check_copyright() {
  local line pattern file found status=0 patterns=() tree=()
  mapfile -t tree < <(git ls-files)
  while read -r line; do
    read -ra patterns <<<"$line"  # read splits without expanding the patterns here
    for pattern in "${patterns[@]}"; do
      found=0
      for file in "${tree[@]}"; do
        # Unquoted, the pattern matches as the format's: "*" spans "/" too.
        # shellcheck disable=SC2053
        [[ $file == $pattern ]] && { found=1; break; }
      done
      ((found)) || { echo "$1 names a path the source does not have: $pattern" >&2; status=1; }
    done
  done < <(awk '/^Files:/ { files = 1; sub(/^Files:/, ""); print; next }
    files && /^[ \t]/ { print; next } { files = 0 }' "$1")
  return $status
}

# check_links ROOT fails unless each relative link of every Markdown file below ROOT (an installed
# tree) leads to something that is there: a link into the source tree leads nowhere in an install.
check_links() {
  local doc target status=0
  while read -r doc; do
    while read -r target; do
      [[ -e $(dirname "$doc")/${target%%#*} ]] ||
        { echo "${doc#"$1"} links $target, which the install does not have" >&2; status=1; }
    done < <(grep -oE '\]\([^):#][^):]*\)' "$doc" | sed 's/^](//; s/)$//')
  done < <(find "$1" -name '*.md')
  return $status
}

fail() {
  echo "$*" >&2
  exit 1
}

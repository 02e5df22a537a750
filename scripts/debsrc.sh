#!/usr/bin/env bash
# Prints a deb-src twin (deb822) of this machine's Debian archive entry, so that apt can fetch
# Debian's source packages from the mirror the binary packages come from. Reads only.
#   scripts/debsrc.sh [APT_DIR]   APT_DIR (default /etc/apt): sources.list, sources.list.d/*.list
#                                 (one-line format) and sources.list.d/*.sources (deb822)
# A Debian archive entry: an enabled "deb" entry whose URI ends in /debian (or is a mirror list
# named debian.list, as cloud images have) with the component main. The twin takes the URI of the
# first one whose suite is a release (no "-" in it), every suite listed for that URI, and its
# Signed-By. When there is none it says in one line what it looked for and exits 1.
set -euo pipefail
. "$(dirname "$0")/common.sh"

dir=${1:-/etc/apt}
[ -d "$dir" ] || fail "no apt configuration folder $dir"

files=()
[ -f "$dir/sources.list" ] && files+=("$dir/sources.list")
for f in "$dir"/sources.list.d/*.list "$dir"/sources.list.d/*.sources; do
  [ -f "$f" ] && files+=("$f")
done
looked="an enabled 'deb' entry with a URI ending in /debian and the component main in $dir/sources.list, $dir/sources.list.d/*.list or *.sources"
[ ${#files[@]} -gt 0 ] || fail "found no apt source files; looked for $looked"

# Candidates go out as "URI<TAB>suite<TAB>signed-by" (newlines in an inline key as \n), in the
# order apt reads them; the second awk picks the twin.
candidates=$(awk '
  function debian_uri(u) {
    sub(/\/+$/, "", u)
    return u ~ /\/debian$/ || u ~ /\/debian\.list$/
  }
  function has(list, word,   n, i, w) {
    n = split(list, w, /[ \t]+/)
    for (i = 1; i <= n; i++) if (w[i] == word) return 1
    return 0
  }
  function emit(uris, suites, signed,   nu, ns, u, s, i, j) {
    nu = split(uris, u, /[ \t]+/)
    ns = split(suites, s, /[ \t]+/)
    for (i = 1; i <= nu; i++)
      if (u[i] != "" && debian_uri(u[i]))
        for (j = 1; j <= ns; j++)
          if (s[j] != "") printf "%s\t%s\t%s\n", u[i], s[j], signed
  }

  # deb822: stanzas split by blank lines; "#" lines may sit anywhere; continuation lines start
  # with white space (an inline Signed-By key is one).
  function stanza_end() {
    if (has(f["types"], "deb") && tolower(f["enabled"]) != "no" && has(f["components"], "main"))
      emit(f["uris"], f["suites"], f["signed-by"])
    split("", f)
    field = ""
  }
  FNR == 1 { if (deb822) stanza_end(); deb822 = FILENAME ~ /\.sources$/ }
  deb822 && /^#/ { next }
  deb822 && /^[ \t]*$/ { stanza_end(); next }
  deb822 && /^[ \t]/ {
    if (field == "signed-by") f[field] = f[field] "\\n" $0
    else if (field != "") f[field] = f[field] " " $0
    next
  }
  deb822 {
    colon = index($0, ":")
    if (!colon) next
    field = tolower(substr($0, 1, colon - 1))
    value = substr($0, colon + 1)
    sub(/^[ \t]+/, "", value); sub(/[ \t]+$/, "", value)
    f[field] = value
    next
  }

  # One-line: deb [opt=value ...] URI suite component ...
  {
    sub(/#.*/, "")
    if ($1 != "deb") next
    i = 2; signed = ""
    if ($2 ~ /^\[/) {
      for (; i <= NF; i++) {
        opt = $i
        gsub(/[\[\]]/, "", opt)
        if (tolower(opt) ~ /^signed-by=/) { signed = substr(opt, 11); gsub(/,/, " ", signed) }
        if ($i ~ /\]$/) { i++; break }
      }
    }
    # A CD or DVD has a URI with spaces in it, and no sources for us.
    if ($i ~ /^cdrom:/) next
    uri = $i; suite = $(i + 1)
    main = 0
    for (j = i + 2; j <= NF; j++) if ($j == "main") main = 1
    if (main) emit(uri, suite, signed)
  }
  END { if (deb822) stanza_end() }
' "${files[@]}") || fail "could not read the apt source files in $dir"

twin=$(printf '%s\n' "$candidates" | awk -F '\t' '
  NF >= 2 && uri == "" && $2 !~ /-/ { uri = $1; signed = $3 }
  { seen[NR] = $0 }
  END {
    if (uri == "") exit 1
    for (n = 1; n in seen; n++) {
      split(seen[n], c, "\t")
      if (c[1] == uri && !(c[2] in listed)) { listed[c[2]] = 1; suites = suites (suites == "" ? "" : " ") c[2] }
    }
    print "Types: deb-src"
    print "URIs: " uri
    print "Suites: " suites
    print "Components: main"
    if (signed != "") { gsub(/\\n/, "\n", signed); print "Signed-By: " signed }
  }') || fail "found no Debian archive entry; looked for $looked, with a suite such as bookworm"
printf '%s\n' "$twin"

#!/usr/bin/env bash
# Reads the package sources this machine's apt is configured with
# (/etc/apt/sources.list and /etc/apt/sources.list.d/*.list and *.sources):
#   bash scripts/apt-sources.sh has-deb-src   succeeds when a deb-src entry is enabled
#   bash scripts/apt-sources.sh deb-src       prints, in apt's deb822 form, a deb-src
#       entry for each configured Debian entry (the same mirrors, suites and
#       components); fails, saying why, when none is configured.
# An entry is Debian's when it is signed by Debian's archive keyring, or when
# its release file, as apt last fetched it, says "Origin: Debian".
# ZUMR_APT_ETC and ZUMR_APT_LISTS point it at other folders, to try it out.
set -euo pipefail
etc=${ZUMR_APT_ETC:-/etc/apt}
lists=${ZUMR_APT_LISTS:-/var/lib/apt/lists}

files=()
[ -f "$etc/sources.list" ] && files+=("$etc/sources.list")
for file in "$etc"/sources.list.d/*.list "$etc"/sources.list.d/*.sources; do
  [ -f "$file" ] && files+=("$file")
done

# One line per enabled entry: types TAB URIs TAB suites TAB components TAB signed-by
# (lists separated by spaces; an inline key counts as no signed-by file).
entries() {
  local file
  for file in "${files[@]}"; do
    case $file in
      *.sources)
        awk '
          function flush() {
            if (types != "" && tolower(enabled) != "no")
              printf "%s\t%s\t%s\t%s\t%s\n", types, uris, suites, components, signed
            types = uris = suites = components = signed = enabled = ""; key = ""
          }
          /^[ \t]*#/ { next }
          /^[ \t]*$/ { flush(); next }
          /^[ \t]/ { next }  # a continuation line, as of an inline key
          {
            key = tolower(substr($0, 1, index($0, ":") - 1))
            value = substr($0, index($0, ":") + 1)
            gsub(/^[ \t]+|[ \t]+$/, "", value)
            if (key == "types") types = value
            else if (key == "uris") uris = value
            else if (key == "suites") suites = value
            else if (key == "components") components = value
            else if (key == "signed-by") signed = (value ~ /^\// ? value : "")
            else if (key == "enabled") enabled = value
          }
          END { flush() }' "$file"
        ;;
      *)
        awk '
          /^[ \t]*(#|$)/ { next }
          {
            line = $0
            signed = ""
            if (match(line, /\[[^]]*\]/)) {
              options = substr(line, RSTART + 1, RLENGTH - 2)
              line = substr(line, 1, RSTART - 1) " " substr(line, RSTART + RLENGTH)
              n = split(options, option, /[ \t]+/)
              for (i = 1; i <= n; i++)
                if (tolower(option[i]) ~ /^signed-by=/) signed = substr(option[i], 11)
            }
            n = split(line, word, /[ \t]+/)
            first = (word[1] == "" ? 2 : 1)
            components = ""
            for (i = first + 3; i <= n; i++) components = components (components == "" ? "" : " ") word[i]
            printf "%s\t%s\t%s\t%s\t%s\n", word[first], word[first + 1], word[first + 2], components, signed
          }' "$file"
        ;;
    esac
  done
}

# apt's name for a fetched release file: the address without its scheme,
# slashes as underscores.
release_file() {
  local base=${1#*://}
  base=${base%/}
  base=${base//\//_}
  local name
  for name in InRelease Release; do
    if [ -f "$lists/${base}_dists_${2//\//_}_$name" ]; then
      echo "$lists/${base}_dists_${2//\//_}_$name"
      return
    fi
  done
}

is_debian() {
  local uris=$1 suites=$2 signed=$3 uri suite release
  [[ $signed == *debian-archive* ]] && return 0
  for uri in $uris; do
    for suite in $suites; do
      release=$(release_file "$uri" "$suite")
      [ -n "$release" ] && grep -q '^Origin: Debian$' "$release" && return 0
    done
  done
  return 1
}

case ${1:-} in
  has-deb-src)
    entries | awk -F '\t' '(" " $1 " ") ~ / deb-src / { found = 1 } END { exit !found }'
    ;;
  deb-src)
    found=0
    while IFS=$'\t' read -r types uris suites components signed; do
      [[ " $types " == *" deb "* ]] || continue
      is_debian "$uris" "$suites" "$signed" || continue
      [ $found = 1 ] && echo
      found=1
      echo "Types: deb-src"
      echo "URIs: $uris"
      echo "Suites: $suites"
      [ -n "$components" ] && echo "Components: $components"
      [ -n "$signed" ] && echo "Signed-By: $signed"
    done < <(entries)
    if [ $found = 0 ]; then
      echo "apt-sources: this machine's apt has no Debian package source configured" >&2
      echo "  (looked in $etc/sources.list and $etc/sources.list.d/*.list, *.sources)." >&2
      echo "  Add this machine's Debian mirror there, as deb lines or a .sources file, run" >&2
      echo "  apt-get update, and run this command again. Nothing was changed." >&2
      exit 1
    fi
    ;;
  *)
    echo "usage: apt-sources.sh has-deb-src | deb-src" >&2
    exit 2
    ;;
esac

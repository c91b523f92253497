#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a relative link in the project's Markdown pages leads nowhere:
# to a file or folder that does not exist, or to a heading ("page.md#name")
# that the page it names does not have. The pages: README.md,
# CONTRIBUTING.md, the manual in docs/ and the notes in tools/*/. Links with
# a scheme (https:, mailto:) are not followed; links inside code (`...`, and
# fenced blocks) are not links.
#
#   bash tools/check_links.sh [source root]
#   bash tools/check_links.sh --self-test
set -euo pipefail
export LC_ALL=C.UTF-8

# The anchors of a page's headings, one a line, as the usual Markdown
# renderers make them: lower case, code marks and punctuation dropped,
# blanks as "-", and "-1", "-2" ... after a name already given.
anchors() {
    awk '
        /^(```|~~~)/ { fenced = !fenced; next }
        fenced || !/^#+ / { next }
        {
            name = $0
            sub(/^#+ +/, "", name); sub(/ +#* *$/, "", name)
            print name
        }' "$1" |
        sed -E 's/.*/\L&/; s/[^[:alnum:] _-]//g; s/ /-/g' |
        awk '{ n = seen[$0]++; print (n ? $0 "-" n : $0) }'
}

# "line<TAB>target" for every link and picture of a page.
links() {
    awk '
        /^(```|~~~)/ { fenced = !fenced; next }
        fenced { next }
        {
            line = $0
            gsub(/`[^`]*`/, "", line)
            while (match(line, /\]\([^)]*\)/)) {
                target = substr(line, RSTART + 2, RLENGTH - 3)
                sub(/ +".*"$/, "", target)
                print NR "\t" target
                line = substr(line, RSTART + RLENGTH)
            }
        }' "$1"
}

# Checks the pages given (paths relative to the current folder); prints one
# line per broken link and returns 1 when there was any.
check() {
    local status=0 page line target path anchor file
    for page in "$@"; do
        while IFS=$'\t' read -r line target; do
            [[ $target =~ ^[A-Za-z][A-Za-z0-9+.-]*: ]] && continue
            path=${target%%#*}
            anchor=
            [[ $target == *#* ]] && anchor=${target#*#}
            if [[ -z $path ]]; then
                file=$page
            else
                file=$(dirname "$page")/$path
            fi
            if [[ ! -e $file ]]; then
                echo "$page:$line: no such file: $target"
                status=1
            elif [[ -n $anchor && $file == *.md ]] && ! anchors "$file" | grep -qxF -- "$anchor"; then
                echo "$page:$line: no heading \"#$anchor\" in $(basename "$file"): $target"
                status=1
            fi
        done < <(links "$page")
    done
    return $status
}

if [[ ${1:-} == --self-test ]]; then
    # A page with one link of each kind, each judged as the table says, or
    # the check itself is broken.
    tree=$(mktemp -d)
    trap 'rm -rf "$tree"' EXIT
    mkdir -p "$tree/docs"
    touch "$tree/docs/shown.png"
    printf '%s\n' '# The `edit` command: regions & numbers' '## Same' '## Same' 'text' >"$tree/docs/other.md"
    cases=(
        # link                                    verdict
        'docs/other.md                            ok'
        'docs/shown.png                           ok'
        'docs                                     ok'
        'https://example.org/missing.md           ok'
        'docs/other.md#the-edit-command-regions--numbers ok'
        'docs/other.md#same-1                     ok'
        '#a-heading                               ok'
        'docs/missing.md                          file'
        'docs/lost.png                            file'
        'docs/other.md#same-2                     heading'
        'docs/other.md#the-edit-command           heading'
        '#no-such-heading                         heading'
    )
    {
        echo '# A heading'
        for entry in "${cases[@]}"; do
            read -r target _ <<<"$entry"
            echo "See [it]($target) and ![a picture]($target \"title\")."
        done
        echo 'Code is no link: `[x](nowhere.md)`'
        echo '```'
        echo '[x](nowhere-either.md)'
        echo '```'
    } >"$tree/README.md"
    out=$(cd "$tree" && check README.md) && { echo "self-test: broken links passed"; exit 1; }
    wrong=0
    for i in "${!cases[@]}"; do
        read -r target verdict <<<"${cases[$i]}"
        count=$(grep -c "^README.md:$((i + 2)): " <<<"$out" || true)
        case $verdict in
            ok) expected=0 ;;
            file) expected=2; grep -q "^README.md:$((i + 2)): no such file: $target\$" <<<"$out" || expected=x ;;
            heading) expected=2; grep -q "^README.md:$((i + 2)): no heading \"#${target#*#}\"" <<<"$out" || expected=x ;;
        esac
        if [[ $count != "$expected" ]]; then
            echo "self-test: $target: expected $verdict, got $count complaint(s)"
            wrong=1
        fi
    done
    grep -q nowhere <<<"$out" && { echo "self-test: a link in code was followed"; wrong=1; }
    ((wrong == 0)) || { echo "$out"; exit 1; }
    echo "links self-test: missing files and headings found, code and other sites left alone"
    exit 0
fi

cd "${1:-$(dirname "$0")/..}"
pages=()
for page in README.md CONTRIBUTING.md docs/*.md tools/*/README.md; do
    [[ -f $page ]] && pages+=("$page")
done
if check "${pages[@]}"; then echo "links: every relative link of ${#pages[@]} pages leads somewhere"; else exit 1; fi

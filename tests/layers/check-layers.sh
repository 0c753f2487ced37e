#!/bin/sh
# The include rule between the layers: the arrows run editor -> toolkit -> platform.
#  - platform/ includes no toolkit/ or editor/ header;
#  - modules/ (the audio side) includes no editor/ or toolkit/ header, none of the
#    platform's X11 headers, and no X11 or cairo header.
# Every offending line is printed as file:line: text; the exit status is 1 when
# there is any. Usage: check-layers.sh SOURCE_DIR
root=${1:?usage: check-layers.sh SOURCE_DIR}
cd "$root" || exit 2
status=0
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([.][.]/)*'
check() {  # folder, forbidden include prefixes (extended regex), rule
    [ -d "$1" ] || return 0
    hits=$(grep -rnE "$include($2)" "$1")
    [ -z "$hits" ] && return 0
    printf '%s\n' "$hits" | while IFS= read -r hit; do
        echo "$hit  <- $3"
    done
    status=1
}
check platform 'toolkit/|editor/' 'platform/ may not include toolkit/ or editor/ headers'
check modules 'toolkit/|editor/|platform/X11|X11/|cairo' 'modules/ may not include editor, toolkit, X11 or cairo headers'
[ $status -eq 0 ] && echo "layers: includes run one way"
exit $status

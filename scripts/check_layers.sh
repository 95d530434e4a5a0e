#!/usr/bin/env bash
# Fails when a source file includes a header of a higher layer. Every dependency points down:
#
#   app                         shell: entry, main window, guard, about, wait, the catalogue command
#   ui                          advanced window, wizard, their widgets
#   report | tools | fonts      font listing report and preview, font tools, font list and folders
#   settings | engine | fontservices   listing settings and their store, report engine, font services
#   base                        errors, message boxes, guarded calls
#
# Files of one layer may include each other. A generated form header ui_X.h belongs to the folder
# that holds X.ui.
set -euo pipefail
src="$(cd "$(dirname "$0")/../src" && pwd)"

layer_of() {
    case "$1" in
    base/*) echo 0 ;;
    settings/* | engine/* | fontservices/*) echo 1 ;;
    report/* | tools/* | fonts/*) echo 2 ;;
    ui/*) echo 3 ;;
    app/*) echo 4 ;;
    main.cpp | catalogue_main.cpp) echo 5 ;;
    *) echo "" ;;
    esac
}

# Includes that may point up, each as "file -> header" with its reason beside it. None remain;
# an entry that no longer matches an include fails the check, so the list cannot go stale.
known_exceptions=()

failed=0
used=()
cd "$src"
while IFS= read -r file; do
    from=$(layer_of "$file")
    if [ -z "$from" ]; then
        echo "layers: $file lies in no layer" >&2
        failed=1
        continue
    fi
    while IFS= read -r header; do
        target="$header"
        if [[ "$header" == ui_*.h ]]; then
            form=$(find . -name "$(basename "${header#ui_}" .h).ui" -print -quit)
            [ -n "$form" ] || continue
            target="${form#./}"
        fi
        to=$(layer_of "$target")
        [ -n "$to" ] || continue
        if [ "$to" -gt "$from" ]; then
            allowed=0
            for e in "${known_exceptions[@]}"; do
                [ "$e" = "$file -> $header" ] && allowed=1 && used+=("$e")
            done
            if [ "$allowed" -eq 0 ]; then
                echo "layers: $file includes $header, which lies in a higher layer" >&2
                failed=1
            fi
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find . -type f \( -name '*.cpp' -o -name '*.h' \) | sed 's|^\./||' | sort)

for e in "${known_exceptions[@]}"; do
    [[ " ${used[*]} " == *" $e "* ]] || {
        echo "layers: the exception \"$e\" matches no include any more: remove it" >&2
        failed=1
    }
done
if [ "$failed" -ne 0 ]; then
    echo "layers: the rule is that no lower layer includes a higher one" >&2
    exit 1
fi
echo "layers: every include points down"

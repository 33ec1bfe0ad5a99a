#!/bin/bash
# The game's folders are layers from the bottom up; a file under game/ may
# include only from its own folder and those below it. Prints every include
# that points upward and fails if there is one.
cd "$1" || exit 2
declare -A rank=([core]=0 [presentation]=1 [world]=2 [menus]=3 [app]=4)
status=0
for file in game/*/*.h game/*/*.cpp; do
    from=$(cut -d/ -f2 <<<"$file")
    [[ -n ${rank[$from]} ]] || { echo "$file: folder $from is not a known layer"; status=1; continue; }
    while read -r to; do
        [[ -n ${rank[$to]} ]] || { echo "$file includes from unknown folder game/$to"; status=1; continue; }
        ((rank[$to] > rank[$from])) && { echo "$file includes from game/$to, a higher layer"; status=1; }
    done < <(grep -o '^#include "game/[a-z]*/' "$file" | cut -d/ -f2)
done
exit $status

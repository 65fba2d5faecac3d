#!/bin/sh
# Checks where the built demo keeps its data: the shader table in ".shader", the display-mode
# record in ".screens" and the float-to-int routine in "ftol".
# usage: check-sections.sh OBJDUMP KYLA
objdump=$1
kyla=$2
symbols=$("$objdump" -t "$kyla") || { echo "check-sections: $objdump cannot read $kyla"; exit 1; }
status=0
for expected in shaderSources:.shader displayMode:.screens kylaFtol:ftol; do
  name=${expected%%:*}
  section=${expected#*:}
  # "<address> <flags> <section>\t<size> <name>"
  found=$(printf '%s\n' "$symbols" | awk -v name="$name" '$NF == name { split($0, f, "\t"); n = split(f[1], w, " "); print w[n]; exit }')
  if [ "$found" = "$section" ]; then
    echo "check-sections: $name is in $section"
  else
    echo "check-sections: $name is in '${found:-nowhere}', not $section"
    status=1
  fi
done
exit $status

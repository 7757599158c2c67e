#!/bin/sh
# Compiles the IDL that `tavlen typelib` prints for the module with widl (Debian: wine64-tools) into a
# type library. Skipped (77) without widl.
#   compile_idl.sh TAVLEN MODULE WORK_DIR
# widl differs from the platform SDK's compiler in two points the printed IDL cannot serve both ways,
# so only these are bridged here: it takes bindable and requestedit on methods only, not on
# dispinterface properties, and its stdole2.tlb gives it none of the OLE_ types the IDL names.
set -eu
tavlen=$1 module=$2 work=$3
widl=$(command -v widl || command -v widl-stable || true)
if [ -z "$widl" ]; then
  echo "widl not installed (Debian package wine64-tools): IDL compile check skipped"
  exit 77
fi
libdirs=""
for dir in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows; do
  [ -f "$dir/stdole2.tlb" ] && libdirs="$libdirs -L $dir"
done
mkdir -p "$work"
"$tavlen" typelib "$module" > "$work/printed.idl"
{
  printf 'import "ocidl.idl";\ntypedef long OLE_XPOS_PIXELS;\ntypedef long OLE_YPOS_PIXELS;\n'
  sed 's/, bindable, requestedit\]/]/' "$work/printed.idl"
} > "$work/for_widl.idl"
rm -f "$work/printed.tlb"
# shellcheck disable=SC2086
if ! "$widl" -t $libdirs -o "$work/printed.tlb" "$work/for_widl.idl" 2> "$work/widl.log"; then
  cat "$work/widl.log"
  exit 1
fi
test -s "$work/printed.tlb"
echo "the printed IDL compiles"

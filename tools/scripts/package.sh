#!/usr/bin/env bash
# The fat plugin: one zip holding VOLAX for Linux and Windows side by side, as
# a user unzips it into X-Plane's folder:
#   Resources/plugins/VOLAX/{lin_x64,win_x64}/VOLAX.xpl, volaxmodels.ini,
#   models/, and XP_Federation.fed at the root.
#
#   package.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR OUT.zip
set -euo pipefail
(($# == 3)) || { echo "usage: package.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR OUT.zip" >&2; exit 2; }
OUT_ZIP=$(realpath -m "$3")
STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT
for build in "$1" "$2"; do
  cmake --build "$build" --target VOLAX >/dev/null
  cmake --install "$build" --prefix "$STAGE" --strip >/dev/null
done
for arch in lin_x64 win_x64; do
  [[ -f $STAGE/Resources/plugins/VOLAX/$arch/VOLAX.xpl ]] || { echo "package.sh: no $arch/VOLAX.xpl" >&2; exit 1; }
done
rm -f "$OUT_ZIP"
(cd "$STAGE" && cmake -E tar cf "$OUT_ZIP" --format=zip XP_Federation.fed Resources)
echo "$OUT_ZIP"

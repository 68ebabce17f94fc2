# data_names KIND: the names of one kind of generated data file ("sound", "menu picture",
# "background"), one a line in the game's order, from the manifest platform/data_files.h.
data_names() {
  sed -n "s|^ *\"\([a-z0-9]*\)\", *// $1\$|\1|p" \
    "$(dirname "${BASH_SOURCE[0]}")/../../../platform/data_files.h"
}

#!/bin/sh
# Builds a game with pkg-config exactly as the README says, for a Kesto
# installed under <prefix>:
#   pkg_config_build.sh <prefix> <game.cpp> <output> [extra compiler flags]
set -eu
prefix=$1 source=$2 output=$3 flags=${4:-}

# The README's commands, with $HOME/.local replaced by <prefix>:
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046,SC2086 # pkg-config's words and the flags are meant to split
c++ -std=c++17 $flags "$source" $(pkg-config --cflags --libs kesto) \
    -Wl,-rpath,"$(pkg-config --variable=libdir kesto)" -o "$output"

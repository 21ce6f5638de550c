#!/bin/sh
# run_memcheck.sh <valgrind> <exit_game> <device> <font>: the exit game under
# memcheck on SDL's offscreen driver (OpenGL through EGL, Mesa's llvmpipe
# where there is no GPU) with SDL's dummy sound driver. Any invalid read or
# write, or a jump on uninitialised memory, fails the test; a
# leak is not this test's business (the soak watches memory).
set -eu
VALGRIND=$1 GAME=$2 DEVICE=$3 FONT=$4
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
# llvmpipe's threads only make memcheck slower.
export LP_NUM_THREADS=0
HERE=$(cd "$(dirname "$0")" && pwd)
exec "$VALGRIND" --tool=memcheck --error-exitcode=99 --leak-check=no --num-callers=30 \
    --suppressions="$HERE/memcheck.supp" "$GAME" "$DEVICE" "$FONT"

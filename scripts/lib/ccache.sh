# Compiles through ccache, when it is installed, into a cache outside the repository, so that a later build on
# this machine (a developer's, or CI's in a fresh clone in another folder) compiles only what changed. CMake
# takes the launcher from the environment only when it configures a build folder for the first time: a folder
# configured without it goes on compiling as before. Call it from the repository's root, before the configure.
use_ccache() {
  command -v ccache >/dev/null || return 0
  export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/romquill/ccache}"
  # Paths inside the repository are hashed as relative ones and the working folder not at all, so that a clone
  # elsewhere finds the same entries; the debug info of such a hit names the folder that filled the cache.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  # Depend mode: the compiler's own list of headers keys the entry, so a miss costs no extra preprocessor run,
  # which is what a fresh machine pays on every file.
  export CCACHE_DEPEND=1
  # What a precompiled header needs (ccache's manual): no __DATE__ or __TIME__ is used where one is included.
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
  export CMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-ccache}"
  export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
}

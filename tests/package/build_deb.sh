# build_deb BUILD_DIR OUT_DIR: builds the Debian package of the build tree BUILD_DIR (its programs
# built) into OUT_DIR and prints the package's path; on failure prints cpack's output to
# standard error and returns 1.
build_deb() {
  local build=$1 out=$2
  # gzip keeps the tests short; the real package uses the default compression.
  if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" \
       -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$out.log" 2>&1; then
    cat "$out.log" >&2
    return 1
  fi
  local debs=("$out"/kalvora_*.deb)
  if [ ! -f "${debs[0]}" ]; then
    echo "no kalvora_*.deb in $out" >&2
    return 1
  fi
  echo "${debs[0]}"
}

# Sourced by the set-up scripts: installs the Debian packages a step needs, once.

# ensure_packages PKG...: installs the packages that are not installed yet.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 \
    install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# What every build needs besides its compiler: npm, which installs the pinned web assets that
# the programs carry into web/node_modules when a build is configured.
ensure_web_assets_tools() {
  command -v node >/dev/null && command -v npm >/dev/null || ensure_packages nodejs npm
}

# The native tool chain: compiler, CMake, Ninja, zlib, GoogleTest, Google Benchmark, RapidJSON
# (the order-list reader's JSON library), nlohmann-json (only the benchmark compares it) and
# gdb (the end-to-end run of the tool stops it part way with it).
ensure_native_toolchain() {
  ensure_packages g++ cmake ninja-build zlib1g-dev libgtest-dev libgmock-dev googletest \
    libbenchmark-dev rapidjson-dev nlohmann-json3-dev gdb
  ensure_web_assets_tools
}

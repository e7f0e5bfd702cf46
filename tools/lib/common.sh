# Shared by tools/run and tools/test: package installation and the CMake build.

quenthal_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

quenthal_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs every package of tools/lib/packages.txt that is not installed yet.
quenthal_install_packages() {
  local missing=() pkg
  while read -r pkg; do
    case "$pkg" in ''|'#'*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done < "$quenthal_root/tools/lib/packages.txt"
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  quenthal_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
  quenthal_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# quenthal_build DIR [cmake options...]: configure (once) and build with Ninja.
quenthal_build() {
  local dir=$1; shift
  cmake -S "$quenthal_root" -B "$quenthal_root/$dir" -G Ninja "$@" >/dev/null
  cmake --build "$quenthal_root/$dir" -j "$(nproc)"
}

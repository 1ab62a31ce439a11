#!/usr/bin/env bash
# Builds, or reuses from the cache, the emulated x86-64 machine (kernel, initrd, disk with 32-bit Wine and a win32 prefix).
#
# Usage: tools/vm/build-machine.sh [CACHE_DIR]      (default CACHE_DIR: build/vm under the repo)
# Prints the machine folder on stdout. CACHE_DIR/current links to the newest ready machine.
# Environment: VM_APT_UPDATE=1 forces a refresh of the machine's package lists (otherwise once a day).
#
# The machine's packages are resolved with a private apt state under CACHE_DIR/apt (own lists with i386
# added, empty dpkg status), so the host's dpkg database is never touched and nothing i386 is installed
# or run on the host. The cache key is the exact list of .deb files plus the scripts baked into the image.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${1:-$repo/build/vm}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)

STEP="start"
trap 'echo "build-machine: step failed: $STEP" >&2' ERR
step() { STEP=$1; echo "build-machine: [$SECONDS s] $STEP" >&2; }

# Packages of the guest's root filesystem. dash: Debian's wine launchers are /bin/sh scripts.
# xvfb: an X server for programs that open windows; xdotool: real key presses for the keyboard
# tests. busybox-static: its busybox goes into the initrd. libc-bin: the C.UTF-8 locale (LANG in
# guest/common.sh); it is Essential, so nothing depends on it, and without it glibc falls back to ASCII
# and Wine refuses every file name outside ASCII ("Invalid name.").
ROOT_PKGS=(wine32:i386 wine64 wine bash dash coreutils grep sed findutils procps xvfb xdotool busybox-static
  libc-bin)
# Modules the initrd loads; their dependencies are added below. crc32c_generic: ext4 requests it
# at mount time through modprobe, which the initrd does not have.
MODULES=(virtio_pci virtio_blk crc32c_generic ext4 9pnet_virtio 9p)
DISK_SIZE=4G

step "install host packages"
need=()
command -v qemu-system-x86_64 >/dev/null || need+=(qemu-system-x86)
command -v modinfo >/dev/null || need+=(kmod)
command -v cpio >/dev/null || need+=(cpio)
command -v mke2fs >/dev/null || need+=(e2fsprogs)
command -v flock >/dev/null || need+=(util-linux)
if ((${#need[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  inst=(apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 "${need[@]}")
  # The host's lists may be missing or old; update once and retry only if the first try fails.
  "${inst[@]}" || { apt-get update -q && "${inst[@]}"; }
fi

# One build per cache at a time; a second caller waits and then finds the machine ready.
exec 9>"$cache/build.lock"
flock 9

step "prepare the machine's package lists"
aptd=$cache/apt
mkdir -p "$aptd/lists/partial" "$aptd/archives/partial" "$aptd/cache" "$aptd/kernel"
[ -f "$aptd/status" ] || : >"$aptd/status"
cat >"$aptd/apt.conf" <<EOF
Dir::State::Lists "$aptd/lists";
Dir::State::status "$aptd/status";
Dir::Cache "$aptd/cache";
Dir::Cache::archives "$aptd/archives";
APT::Architectures { "amd64"; "i386"; };
APT::Install-Recommends "false";
APT::Sandbox::User "root";
EOF
export APT_CONFIG=$aptd/apt.conf
if [ -n "${VM_APT_UPDATE:-}" ] || [ -z "$(find "$aptd/lists" -maxdepth 1 -name '*i386_Packages*' -print -quit)" ] ||
  [ -n "$(find "$aptd/updated" -mmin +1440 2>/dev/null)" ] || [ ! -f "$aptd/updated" ]; then
  # A mirror can serve one index inconsistently (seen with bookworm-security i386); apt then drops
  # that suite and uses the rest consistently, so go on and let the resolution below decide.
  apt-get update -q >"$aptd/update.log" 2>&1 || echo "build-machine: warning: apt-get update reported errors (see $aptd/update.log)" >&2
  touch "$aptd/updated"
fi

step "resolve package versions"
# Resolving takes about 10 s; it only changes with the lists or the package set, so reuse it otherwise.
fp=$({ ls -l --time-style=+%s "$aptd/lists"; echo "${ROOT_PKGS[*]}"; } | sha256sum | cut -c1-16)
if [ -f "$aptd/resolved.$fp" ]; then
  head -n -1 "$aptd/resolved.$fp" >"$cache/debs.tmp"
  kdeb=$(tail -n 1 "$aptd/resolved.$fp")
else
  # A simulated install against the empty status lists the whole closure; the .deb file names
  # (epoch ':' stored as %3a, as apt names the downloads) carry the exact versions.
  apt-get install -y -q -s "${ROOT_PKGS[@]}" |
    awk '/^Inst / {n=$2; sub(/:.*/, "", n); v=substr($3, 2); gsub(/:/, "%3a", v); match($0, /\[[a-z0-9]+\]\)/); a=substr($0, RSTART+1, RLENGTH-3); print n "_" v "_" a ".deb"}' |
    sort >"$cache/debs.tmp"
  [ -s "$cache/debs.tmp" ] || { echo "build-machine: no packages resolved" >&2; false; }
  kpkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
  [ -n "$kpkg" ]
  kdeb=$(apt-get download -q --print-uris "$kpkg" | awk '{print $2}')
  [ -n "$kdeb" ]
  rm -f "$aptd"/resolved.*
  { cat "$cache/debs.tmp"; echo "$kdeb"; } >"$aptd/resolved.$fp"
fi
kpkg=${kdeb%%_*}
key=$({
  cat "$cache/debs.tmp"
  echo "$kdeb"
  cat "$here/build-machine.sh" "$here/guest/init.sh" "$here/guest/common.sh" "$here/guest/prefix.sh"
} | sha256sum | cut -c1-16)
machine=$cache/machines/$key

if [ -f "$machine/READY" ]; then
  ln -sfn "machines/$key" "$cache/current"
  rm -f "$cache/debs.tmp"
  echo "$machine"
  exit 0
fi
echo "build-machine: building machine $key ($(wc -l <"$cache/debs.tmp") packages, kernel $kdeb)" >&2

step "download packages"
apt-get install -y -q --download-only "${ROOT_PKGS[@]}" >"$cache/download.log" 2>&1 ||
  { cat "$cache/download.log" >&2; false; }
# The kernel is only unpacked for its image and modules, never installed on the host.
[ -f "$aptd/kernel/$kdeb" ] || (cd "$aptd/kernel" && apt-get download -q "$kpkg" >/dev/null)

work=$cache/work
rm -rf "$work" "$machine.tmp"
mkdir -p "$work/root" "$work/kernel" "$work/initrd" "$machine.tmp"

step "unpack packages"
while read -r deb; do
  dpkg-deb -x "$aptd/archives/$deb" "$work/root" || { echo "build-machine: cannot unpack $deb" >&2; false; }
done <"$cache/debs.tmp"
dpkg-deb -x "$aptd/kernel/$kdeb" "$work/kernel"

step "configure the root filesystem"
# Maintainer scripts never ran; these are the parts of them the guest needs.
root=$work/root
printf '%s\n' 'root:x:0:0:root:/root:/bin/bash' 'nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin' >"$root/etc/passwd"
printf '%s\n' 'root:x:0:' 'tty:x:5:' 'nogroup:x:65534:' >"$root/etc/group"
echo vm >"$root/etc/hostname"
# Wine resolves the host name at start-up; the guest has no network, only loopback.
printf '%s\n' '127.0.0.1 localhost vm' '::1 localhost ip6-localhost' >"$root/etc/hosts"
[ -f "$root/etc/ld.so.conf" ] || echo 'include /etc/ld.so.conf.d/*.conf' >"$root/etc/ld.so.conf"
ldconfig -r "$root"
mkdir -p "$root/root" "$root/io" "$root/tmp" "$root/usr/local/bin"
chmod 1777 "$root/tmp"
# update-alternatives normally points wine, wineserver, ... at the *-stable launchers.
for f in "$root"/usr/bin/*-stable; do
  n=$(basename "$f" -stable)
  [ -e "$root/usr/bin/$n" ] || ln -s "$(basename "$f")" "$root/usr/bin/$n"
done
[ -e "$root/bin/sh" ] || ln -s dash "$root/bin/sh"
# libwine's postinst: MinGW's zlib1.dll, marked as a Wine builtin DLL, in each *-windows folder
# (without it wineboot fails with "zlib1.dll not found").
for libdir in "$root"/usr/lib/*-linux-gnu/wine; do
  for mingw in i686 x86_64; do
    warch=$mingw
    [ "$mingw" = i686 ] && warch=i386
    in=$root/usr/$mingw-w64-mingw32/lib/zlib1.dll
    out=$libdir/$warch-windows/zlib1.dll
    if [ ! -f "$in" ] || [ ! -d "$libdir/$warch-windows" ]; then continue; fi
    { head -c 64 "$in"; printf 'Wine builtin DLL'; printf '\0%.0s' {1..16}; tail -c +97 "$in"; } >"$out"
  done
done
test -x "$root/usr/lib/wine/wine" # the 32-bit loader from wine32:i386
test -f "$root/usr/lib/locale/C.utf8/LC_CTYPE" # the locale Wine takes its file name encoding from

step "build initrd"
kver=$(basename "$(ls -d "$work/kernel/lib/modules/"*)")
moddir=$work/kernel/lib/modules/$kver
cp "$work/kernel/boot/vmlinuz-$kver" "$machine.tmp/vmlinuz"
mkdir -p "$work/initrd/bin" "$work/initrd/modules"
cp "$root/bin/busybox" "$work/initrd/bin/busybox"
cp "$here/guest/init.sh" "$work/initrd/init"
chmod +x "$work/initrd/init"
# No depmod on the host: order the modules by hand from each module's depends= field (post-order walk).
declare -A seen=()
modpath() { find "$moddir" -name "$1.ko" -o -name "$1.ko.xz" | head -n1; }
addmod() {
  local m=${1//-/_} p d
  [ -n "${seen[$m]:-}" ] && return 0
  seen[$m]=1
  p=$(modpath "$m")
  [ -n "$p" ] || p=$(modpath "${1//_/-}")
  [ -n "$p" ] || { echo "build-machine: module $1 not found" >&2; return 1; }
  for d in $(modinfo -F depends "$p" | tr ',' ' '); do addmod "$d"; done
  case $p in
    *.xz) xz -dc "$p" >"$work/initrd/modules/$m.ko" ;;
    *) cp "$p" "$work/initrd/modules/$m.ko" ;;
  esac
  echo "$m" >>"$work/initrd/modules/order"
}
for m in "${MODULES[@]}"; do addmod "$m"; done
(cd "$work/initrd" && find . | cpio -o -H newc --quiet | gzip -9) >"$machine.tmp/initrd.img"

step "build disk image"
rm -rf "${root:?}/boot" "$root/usr/share/doc" "$root/usr/share/man"
mke2fs -q -t ext4 -L vmroot -E root_owner=0:0 -d "$root" "$machine.tmp/disk.img" "$DISK_SIZE" >&2
rm -rf "$work"

step "create the wine prefix (one boot, 2 to 16 minutes)"
share=$cache/prefix-share
rm -rf "$share"
mkdir -p "$share"
cp "$here/guest/common.sh" "$share/common.sh"
cp "$here/guest/prefix.sh" "$share/guest.sh"
# About 100 s on an idle host; 520 s was seen with the host loaded by compilers (load average 7) and
# 850-950 s at load average 12, so the limit leaves room for a host loaded still more.
if ! "$here/boot.sh" "$machine.tmp" "$share" 3600 "$share/serial.log" writable || [ ! -f "$share/prefix-ok" ]; then
  echo "build-machine: the prefix boot did not finish; serial log and wineboot log:" >&2
  tail -n 30 "$share/serial.log" "$share/prefix.log" >&2 || true
  false
fi

step "store the machine in the cache"
cp "$cache/debs.tmp" "$machine.tmp/packages.txt"
echo "$kdeb" >>"$machine.tmp/packages.txt"
cp "$share/prefix.log" "$machine.tmp/prefix.log"
rm -rf "$share" "$machine"
touch "$machine.tmp/READY"
mv "$machine.tmp" "$machine"
ln -sfn "machines/$key" "$cache/current"
# Keep only the ready machine: each one holds a multi-gigabyte image.
for old in "$cache"/machines/*; do
  [ "$old" = "$machine" ] || rm -rf "$old"
done
rm -f "$cache/debs.tmp"
echo "build-machine: [$SECONDS s] ready" >&2
echo "$machine"

#!/usr/bin/env bash
# Boots the cached machine once: boot.sh MACHINE_DIR SHARE_DIR TIMEOUT_SECONDS SERIAL_LOG [writable]
# The share's guest.sh runs inside (see guest/init.sh). Exit: qemu's code, 124 when the time limit hit.
# Without "writable" the disk is in snapshot mode, so every boot starts from the pristine cached image.
set -euo pipefail
machine=$1 share=$2 limit=$3 log=$4 mode=${5:-snapshot}

snapshot=on
[ "$mode" = writable ] && snapshot=off
for f in vmlinuz initrd.img disk.img; do
  [ -f "$machine/$f" ] || { echo "boot: $machine/$f missing" >&2; exit 1; }
done

# One emulator at a time per cache: software emulation is CPU-bound and the machine is shared.
# The wait for the lock is outside the time limit. Two vCPUs (VM_CPUS) made Wine ready in 16 s instead
# of 21 s on a quiet host even though it has only two cores; VM_CPUS=1 leaves a core free.
exec 7>"$machine/../../qemu.lock"
if ! flock -n 7; then
  echo "boot: another machine runs on this cache; waiting for it" >&2
  flock 7
fi
# When the emulator really started, for callers that report boot times without the wait.
date +%s >"$log.started"
# -cpu max,-smap: with SMAP the emulator's 32-bit iret path makes the guest kernel oops on Wine's first 32-bit process.
exec timeout --kill-after=10 "$limit" \
  qemu-system-x86_64 -machine pc,accel=tcg -cpu max,-smap -m "${VM_MEMORY:-2048}" -smp "${VM_CPUS:-2}" \
  -nodefaults -display none -monitor none -no-reboot -nic none \
  -serial "file:$log" \
  -kernel "$machine/vmlinuz" -initrd "$machine/initrd.img" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 rdinit=/init" \
  -drive "file=$machine/disk.img,format=raw,if=virtio,snapshot=$snapshot,cache=unsafe" \
  -fsdev "local,id=io,path=$share,security_model=none" \
  -device virtio-9p-pci,fsdev=io,mount_tag=io

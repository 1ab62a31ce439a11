#!/bin/busybox sh
# First process of the emulated machine (baked into the initrd): mounts the disk and the 9p share, runs the share's script, powers off.
# The initrd holds only a static busybox and the kernel modules for virtio disk, ext4 and 9p,
# so everything else comes from the disk image and from the share the host passes in.

/bin/busybox mkdir -p /proc /sys /dev /newroot
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

fail() {
  echo "vm-init: $*"
  # -f: there is no init system to ask; the kernel powers the emulator off directly.
  poweroff -f
  sleep 10
}

# /modules/order lists the modules with every module after the ones it depends on.
while read -r m; do
  insmod "/modules/$m.ko" || fail "cannot load the module $m"
done < /modules/order

# The virtio disk appears asynchronously after its driver is loaded.
i=0
while [ ! -b /dev/vda ]; do
  i=$((i + 1))
  [ "$i" -gt 300 ] && fail "no disk /dev/vda after 30 s"
  sleep 0.1
done

mount -t ext4 /dev/vda /newroot || fail "cannot mount the root disk"
mkdir -p /newroot/io
# cache=none: the host reads the results right after power-off, nothing may linger in a guest cache.
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=none io /newroot/io || fail "cannot mount the 9p share"
mount -t proc proc /newroot/proc
mount -t sysfs sysfs /newroot/sys
mount -t devtmpfs devtmpfs /newroot/dev
mkdir -p /newroot/dev/pts /newroot/dev/shm
mount -t devpts devpts /newroot/dev/pts
mount -t tmpfs -o mode=1777 tmpfs /newroot/dev/shm
mount -t tmpfs -o mode=1777 tmpfs /newroot/tmp

# No network card, but programs may talk to themselves over 127.0.0.1 (and Wine looks up the host name).
ip link set lo up
hostname vm

if [ -f /newroot/io/guest.sh ]; then
  chroot /newroot /bin/bash /io/guest.sh
  echo "vm-init: guest script exited $?"
else
  echo "vm-init: no guest.sh on the share"
fi

# Whatever the guest script left running (Xvfb, wineserver) would keep the mounts busy.
kill -KILL -1 2>/dev/null
sleep 0.2
sync
umount /newroot/io
# Unmount (or at least remount read-only) so the image stays clean when it is written for real.
umount -l /newroot/dev/pts /newroot/dev/shm /newroot/dev /newroot/proc /newroot/sys /newroot/tmp 2>/dev/null
mount -o remount,ro /newroot 2>/dev/null
umount /newroot 2>/dev/null
sync
poweroff -f
sleep 10

#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and checks that it installs
# like a Linux program: the programs, the udev rule, valid desktop entries and
# metadata, the man pages, the skins and the language pack, and a program that runs
# from there on the virtual frame with its files in the per-user folders.
set -euo pipefail
build=${1:?usage: package_test.sh BUILD_DIR}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cd "$build"
cpack -G DEB -B "$scratch/out" >/dev/null
deb=$(ls "$scratch"/out/vireto_*.deb)
dpkg -x "$deb" "$scratch/root"
root=$scratch/root/usr

for f in bin/vireto bin/vireto-cli bin/vireto-framesim \
         lib/udev/rules.d/70-vireto.rules \
         share/applications/org.vireto.Vireto.desktop \
         share/applications/org.vireto.Vireto.Calibration.desktop \
         share/applications/org.vireto.Vireto.Calibration16.desktop \
         share/metainfo/org.vireto.Vireto.metainfo.xml \
         share/icons/hicolor/256x256/apps/org.vireto.Vireto.png \
         share/man/man1/vireto.1.gz share/man/man1/vireto-cli.1.gz \
         share/vireto/Vireto_language.lrp share/vireto/skin/1920/back_pixmap.png; do
    [ -e "$root/$f" ] || { echo "missing from the package: $f" >&2; exit 1; }
done
desktop-file-validate "$root"/share/applications/*.desktop
appstreamcli validate --no-net "$root/share/metainfo/org.vireto.Vireto.metainfo.xml" >/dev/null
zcat "$root/share/man/man1/vireto-cli.1.gz" | grep -q '^\.SH SUBCOMMANDS'

# Every product ID of the frame, application and boot loader, is tagged for the seat.
for pid in cb11 cb12 cb13 cb14 cb15; do
    grep -q "ATTRS{idProduct}==\"$pid\".*TAG+=\"uaccess\"" "$root/lib/udev/rules.d/70-vireto.rules" ||
        { echo "the udev rule misses product $pid" >&2; exit 1; }
done

# The installed program runs from anywhere and keeps its files in the per-user folders.
export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_STATE_HOME=$scratch/state
unset VIRETO_HOME VIRETO_DEVICE
cd "$scratch"
"$root/bin/vireto-cli" --device=sim status >/dev/null
[ -f "$scratch/data/vireto/VirtualFrame.flash" ] || { echo "no virtual flash in the data folder" >&2; exit 1; }
[ -d "$scratch/state/vireto/log" ] || { echo "no log in the state folder" >&2; exit 1; }
echo "package ok: $(basename "$deb")"

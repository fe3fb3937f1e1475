#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a temporary root, and checks
# that an installed tool has everything it needs and runs: the programs, the demo satellite and
# list, the desktop entry (validated), the icons, the manual pages, the copyright and changelog,
# the computed dependencies, lintian's verdict, and the user's data folder.
#   check.sh BUILD_DIR
set -euo pipefail
build="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! (cd "$build" && cpack -G DEB -B "$work/pkg") > "$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
deb=$(ls "$work"/pkg/kolvex7_*.deb)
dpkg-deb -x "$deb" "$work/root"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6serialport6 libc6 libstdc++6 qt6-qpa-plugins; do
    grep -q "$d" <<< "$depends" || { echo "not in Depends: $d ($depends)"; exit 1; }
done
for f in usr/bin/kolvex7 usr/bin/kolvex7-sim usr/bin/kolvex7-ctl \
         usr/share/kolvex7/demo-ku.sat usr/share/kolvex7/13.00E.csv \
         usr/share/applications/kolvex7.desktop \
         usr/share/icons/hicolor/scalable/apps/kolvex7.svg \
         usr/share/icons/hicolor/48x48/apps/kolvex7.png \
         usr/share/man/man1/kolvex7.1.gz usr/share/man/man1/kolvex7-sim.1.gz \
         usr/share/man/man1/kolvex7-ctl.1.gz \
         usr/share/doc/kolvex7/copyright usr/share/doc/kolvex7/changelog.gz \
         usr/share/kolvex7/prometheus/kolvex7.rules.yml \
         usr/lib/systemd/system/kolvex7-watch@.service etc/kolvex7/watch-example.conf; do
    [ -f "$work/root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
bin="$work/root/usr/bin"
"$bin/kolvex7-sim" --help | grep -q -- '--satellite'
"$bin/kolvex7" --version | grep -q '^kolvex7 [0-9]'
"$bin/kolvex7-ctl" --version | grep -q '^kolvex7-ctl [0-9]'
desktop-file-validate "$work/root/usr/share/applications/kolvex7.desktop"
promtool check rules "$work/root/usr/share/kolvex7/prometheus/kolvex7.rules.yml" > /dev/null
# The watch's unit: systemd's own verifier has nothing to say of an instance of it (the program
# it starts taken from the package), and its exposure is in the "OK" band or better.
unit="$work/root/usr/lib/systemd/system/kolvex7-watch@.service"
grep -qx 'ExecStart=/usr/bin/kolvex7-ctl watch $KOLVEX7_WATCH' "$unit"
grep -qx 'EnvironmentFile=/etc/kolvex7/watch-%i.conf' "$unit"
dpkg-deb -e "$deb" "$work/control"
grep -qx /etc/kolvex7/watch-example.conf "$work/control/conffiles"
mkdir -p "$work/units"
sed "s|/usr/bin/kolvex7-ctl|$work/root/usr/bin/kolvex7-ctl|" "$unit" > "$work/units/kolvex7-watch@site.service"
said=$(systemd-analyze verify --man=no "$work/units/kolvex7-watch@site.service" 2>&1) && [ -z "$said" ] ||
    { echo "systemd-analyze verify: $said"; exit 1; }
systemd-analyze security --offline=true "$work/units/kolvex7-watch@site.service" > "$work/security" 2>&1 || true
# Not root, no new privileges, the system read-only, no homes, a private /tmp: each as systemd
# judges it.
for item in User=/DynamicUser= NoNewPrivileges= ProtectSystem= ProtectHome= PrivateTmp=; do
    grep -q "^✓ $item " "$work/security" || { echo "the unit fails $item"; exit 1; }
done
exposure=$(sed -n 's/.*Overall exposure level for .*: \([0-9.]*\) \([A-Z]*\).*/\1 \2/p' "$work/security")
case "$exposure" in
    *" SAFE" | *" OK") echo "systemd-analyze security: $exposure" ;;
    *) echo "the unit's exposure is too high: $exposure"; exit 1 ;;
esac
# Debian's own checker finds no error in the package (warnings are shown, not fatal).
lintian --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 || true
if grep -q '^E:' "$work/lintian.log"; then
    cat "$work/lintian.log"
    exit 1
fi
# Installed, the tool keeps its lists in the user's data folder, made on first use.
XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" "$bin/kolvex7-ctl" lists \
    | grep -qx "folder: $work/data/Halvorn Software/KOLVEX7/data"
[ -d "$work/data/Halvorn Software/KOLVEX7" ]
echo "package ok: $(basename "$deb")"

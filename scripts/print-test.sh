#!/usr/bin/env bash
# The installed program's real print path, through CUPS into PDF files.
#
# Installs cups and printer-driver-cups-pdf when missing, starts cupsd when no scheduler runs
# (and stops it again at the end), adds the cups-pdf queue ZenloPDF and makes it the system's
# default printer. The receipt printer setting "printer_mode=system" (in ~/.config/tessvale/pos.ini,
# also what a user without the setting gets) sends receipts to that default printer through Qt's
# CUPS plugin. Then, with scripts/drive-installed.py under Xvfb, one settlement with 打印POS小票 and
# 打印送货单 ticked: the receipt must come out as exactly one job whose PDF holds the receipt's texts,
# and the delivery note, printed from its preview, as exactly one more, an A4 page.
#
# Called by scripts/package-test.sh after its sale, with HOME and the XDG folders of its fresh
# user, the package installed and one sale in that user's database. The queue is removed at the
# end and the previous default printer, if any, made the default again.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
printer=ZenloPDF

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
missing=()
for p in cups printer-driver-cups-pdf poppler-utils xvfb xauth openbox xdotool x11-utils imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update >/dev/null
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "print-test: packages ready ($((SECONDS - started)) s)"

cupsd_pid=""
previous_default=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p' || true)
cleanup() {
  lpadmin -x "$printer" 2>/dev/null || true
  if [ -n "$previous_default" ] && [ "$previous_default" != "$printer" ]; then
    lpadmin -d "$previous_default" 2>/dev/null || true
  fi
  if [ -n "$cupsd_pid" ]; then
    kill "$cupsd_pid" 2>/dev/null || true
    wait "$cupsd_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

scheduler_runs() { lpstat -r 2>/dev/null | grep -q "is running"; }
if ! scheduler_runs; then
  $SUDO /usr/sbin/cupsd -f &
  cupsd_pid=$!
  for _ in $(seq 100); do
    scheduler_runs && break
    kill -0 "$cupsd_pid" 2>/dev/null || { echo "print-test: cupsd ended at start" >&2; exit 1; }
    sleep 0.1
  done
  scheduler_runs || { echo "print-test: cupsd did not start" >&2; exit 1; }
fi
lpadmin -x "$printer" 2>/dev/null || true
lpadmin -p "$printer" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>&1 | grep -v "deprecated" || true
lpadmin -d "$printer"
lpoptions -d "$printer" >/dev/null
lpstat -d

# Where cups-pdf writes: its Out setting, ${HOME} being the home of the job's user.
job_user=$(id -un)
job_home=$(getent passwd "$job_user" | cut -d: -f6)
out=$(sed -n 's/^Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf | tail -1)
out=${out:-/var/spool/cups-pdf/\$\{USER\}}
out=${out//\$\{HOME\}/$job_home}
out=${out//\$\{USER\}/$job_user}
echo "print-test: cups-pdf writes into $out"

# The receipt printer: the system's default printer.
python3 - "$HOME/.config/tessvale/pos.ini" <<'EOF'
import configparser, os, sys
path = sys.argv[1]
ini = configparser.ConfigParser(interpolation=None)
ini.optionxform = str
ini.read(path, encoding="utf-8")
if not ini.has_section("General"):
    ini.add_section("General")
ini.set("General", "printer_mode", "system")
os.makedirs(os.path.dirname(path), exist_ok=True)
with open(path, "w", encoding="utf-8") as f:
    ini.write(f, space_around_delimiters=False)
EOF

jobs() { lpstat -W all -o "$printer" | awk 'NF { print $1 }'; }
before=$(jobs | tr '\n' ' ')
echo "print-test: queue ready ($((SECONDS - started)) s)"

export ZENLO_PRINTER="$printer" ZENLO_JOBS_BEFORE="$before" ZENLO_PDF_OUT="$out"
tests/x11/run-under-x.sh python3 scripts/drive-installed.py print
for _ in $(seq 600); do
  [ -z "$(lpstat -o "$printer")" ] && break
  sleep 0.1
done
[ -z "$(lpstat -o "$printer")" ] || { echo "print-test: jobs still pending: $(lpstat -o "$printer")" >&2; exit 1; }
python3 scripts/drive-installed.py print-check
echo "print-test: ok ($((SECONDS - started)) s)"

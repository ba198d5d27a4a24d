#!/usr/bin/env bash
# Starts the services the tests talk to: a CUPS server with the virtual PDF printer "PDF"
# (cups-pdf) as the default destination. Works as root on a fresh machine without systemd, and
# with sudo elsewhere; safe to run again. Exits non-zero when no default printer could be set up.
set -uo pipefail
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
CUPSD=$(command -v cupsd || echo /usr/sbin/cupsd)
PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

if [ ! -x "$CUPSD" ]; then
  echo "vexlo: cupsd is not installed (run scripts/deps.sh)" >&2
  exit 1
fi

running() { LC_ALL=C lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

if ! running; then
  # Without systemd nothing creates the run-time folders that cupsd expects.
  $SUDO mkdir -p /run/cups /var/spool/cups/tmp /var/cache/cups /var/log/cups
  $SUDO "$CUPSD" 2>/dev/null || true  # forks into the background
  for _ in $(seq 1 100); do running && break; sleep 0.1; done
  if ! running; then
    echo "vexlo: the CUPS server did not start" >&2
    exit 1
  fi
fi

if ! LC_ALL=C lpstat -p PDF >/dev/null 2>&1; then
  if [ -f "$PPD" ]; then
    $SUDO lpadmin -p PDF -E -v cups-pdf:/ -P "$PPD"
  else
    $SUDO lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
  fi
fi
$SUDO cupsenable PDF 2>/dev/null
$SUDO cupsaccept PDF 2>/dev/null
$SUDO lpadmin -d PDF

if ! LC_ALL=C lpstat -d 2>/dev/null | grep -q 'system default destination: PDF'; then
  echo "vexlo: could not make the virtual PDF printer the default destination" >&2
  exit 1
fi
exit 0

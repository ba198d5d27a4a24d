#!/usr/bin/env bash
# Starts the services the tests talk to: a CUPS server with the virtual PDF printer as default.
set -uo pipefail
if command -v cupsd >/dev/null; then
  if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    (cupsd || /usr/sbin/cupsd) 2>/dev/null
    for _ in $(seq 1 50); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.1; done
  fi
  if ! lpstat -p PDF >/dev/null 2>&1; then
    lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null \
      || lpadmin -p PDF -E -v cups-pdf:/ -m everywhere 2>/dev/null || true
  fi
  lpadmin -d PDF 2>/dev/null || true
fi
exit 0

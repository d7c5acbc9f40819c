#!/usr/bin/env bash
# Prints the Windows preset whose programs wine can run here: "windows" (32-bit)
# when the kernel runs 32-bit processes, otherwise "windows64".
if /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then echo windows; else echo windows64; fi

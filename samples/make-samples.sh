#!/usr/bin/env bash
# Makes the sample site files again from scratch:
#   office.png           the floor plan, drawn by pellorin-samplegen
#   office.hss           a new site file made from it by pellorin-site create
#   office-surveyed.hss  office.hss with a small recorded survey and a signature
# Usage: samples/make-samples.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build/release}"
export SOURCE_DATE_EPOCH=1735689600  # 2025-01-01 00:00:00 UTC, for identical files on every run

"$build/tools/samplegen/pellorin-samplegen" plan -o "$here/office.png"
"$build/tools/sitetool/pellorin-site" create "$here/office.png" -o "$here/office.hss" --force
"$build/tools/samplegen/pellorin-samplegen" survey "$here/office.hss" -o "$here/office-surveyed.hss"
"$build/tools/sitetool/pellorin-site" info "$here/office-surveyed.hss"

#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every command of the README's velmora-cli section with two builds of
# velmora-cli and compares what they write: standard output, standard
# error, exit status and every output file, byte for byte.
#
#   tools/clicompare/compare.sh OLD-CLI NEW-CLI [SAMPLE-PICTURE] [--help]
#
# SAMPLE-PICTURE defaults to the build's sample picture 1; it stands in for
# the README's town.jpg. With --help the commands' help texts are compared
# too. Prints the differences and exits 1 when there are any.
set -eu

old=$(realpath "$1")
new=$(realpath "$2")
here=$(cd "$(dirname "$0")/../.." && pwd)
picture=$(realpath "${3:-$here/build/default/resources/samples/gen/sample1.png}")
withHelp=${4:-}
data=$here/tests/data/gnss
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

examples() {
    cli=$1
    cp "$picture" town.png
    run "$cli" trace town.png --altitudes 589,134 --north 30 --click 150,113 --click -11,120 \
        -o town.dat
    run "$cli" trace2 town.png --altitudes 589,134 --click 150,113 -o other.dat
    run "$cli" report town.dat other.dat --json
    run "$cli" report-text town.dat other.dat
    run "$cli" export town.dat --origin 35.6812,139.7671 --format kml -o town.kml
    run "$cli" export-geojson town.dat --origin 35.6812,139.7671 -o town.geojson
    run "$cli" skymask town.dat --at -20,-22 -o mask.txt --plot sky.png \
        --date 2024-06-21 --origin 35.6812,139.7671 --utc-offset 9
    run "$cli" skymask-svg town.dat --at -20,-22 --plot sky.svg
    run "$cli" gnss town.dat --at -20,-22 --origin 35.6812,139.7671 --height 40 \
        --nav "$data/brdc3050.12n" --nav "$data/brdc3050.12g" \
        --nav "$data/brdc3050.12q" --start 2012-10-31T21:00:00Z --hours 3 \
        --step 30 --systems G,R,J -o gnss.txt --plot gnss-sky.png --chart gnss-dop.png
    run "$cli" gnss-json town.dat --at -20,-22 --origin 35.6812,139.7671 --height 40 \
        --nav "$data/brdc3050.12n" --start 2012-10-31T21:00:00Z --hours 1 --step 60 --json
    run "$cli" gnss-tle town.dat --at -20,-22 --origin 35.6812,139.7671 \
        --tle "$data/TLE_GNSS_20121101.txt" --start 2012-11-01T00:00:00Z --hours 1 --step 300
    run "$cli" shadow town.dat --origin 35.6812,139.7671 --date 2025-12-22 \
        --solar-time --plane-height 4 --hourly --json hours.json --png map.png \
        --geojson lines.geojson
    run "$cli" shadow-summary town.dat --origin 35.6812,139.7671 --date 2025-12-22 --utc-offset 9
    run "$cli" shadow-svg town.dat --origin 35.6812,139.7671 --date 2025-12-22 --solar-time \
        --svg map.svg
    if [ -n "$withHelp" ]; then
        run "$cli" help --help
        for c in trace report export skymask gnss shadow; do
            run "$cli" "help-$c" "$c" --help
        done
    fi
}

# One command: its streams and status go to NAME.out, NAME.err, NAME.rc.
# The command word is the name up to its first "-" (trace2 is a second
# trace; help runs name their own words).
run() {
    cli=$1 name=$2
    shift 2
    case $name in
    help) word= ;;
    help-*) word= ;;
    trace2) word=trace ;;
    *) word=${name%%-*} ;;
    esac
    set +e
    if [ -n "$word" ]; then
        QT_QPA_PLATFORM=offscreen "$cli" "$word" "$@" >"$name.out" 2>"$name.err"
    else
        QT_QPA_PLATFORM=offscreen "$cli" "$@" >"$name.out" 2>"$name.err"
    fi
    echo $? >"$name.rc"
    set -e
}

for side in old new; do
    mkdir "$work/$side"
    (
        cd "$work/$side"
        if [ "$side" = old ]; then examples "$old"; else examples "$new"; fi
        rm -f town.png
    )
done
# The programs' own names differ between the builds.
sed -i "s|$old|velmora-cli|g" "$work"/old/*.out "$work"/old/*.err
sed -i "s|$new|velmora-cli|g" "$work"/new/*.out "$work"/new/*.err

echo "files compared: $(ls "$work/old" | wc -l)"
if diff -r "$work/old" "$work/new" >"$work/diff.txt"; then
    echo "no differences"
else
    cat "$work/diff.txt"
    exit 1
fi

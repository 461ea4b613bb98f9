#!/usr/bin/env bash
# A person's tour of the administration demo's Procedures, Options, Print
# and Help menus in a terminal, keys only, at 120x35 and at 80x24: every
# entry opened from F10, its report, question, chooser or form shown and
# left back to the main window; then Esc and y end the program with exit
# code 0.
set -u
kx_test=tour_administration_reports
. "$3/tests/e2e/lib/tour.bash"
tour_setup administration "$2" "$3"

tour_listed <<'TOUR'
Procedures>Invoice draft|invoice draft|Escape
Procedures>Sales by customer|sales by customer|Escape
Procedures>Progress window|Number another batch?|n
Procedures>Calculations>Choose a calculation|Target File|Escape
Print>Print invoice|Report Limits Capture|Escape
Print>Invoice 5|Invoice 5 was written to invoice.txt|Enter
Print>Invoice 5 to PDF|Invoice 5 was written to invoice.pdf|Enter
TOUR
exit $fail

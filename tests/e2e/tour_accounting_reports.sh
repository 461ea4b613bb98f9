#!/usr/bin/env bash
# A person's tour of the accounting demo's Procedures, Options, Print and
# Help menus in a terminal, keys only, at 120x35 and at 80x24: every entry
# opened from F10, its report, question, chooser or form shown and left
# back to the main window (a report window with Esc, a chooser with Esc, a
# font picked with Enter, a message with Enter); then Esc and y end the
# program with exit code 0.
set -u
kx_test=tour_accounting_reports
. "$3/tests/e2e/lib/tour.bash"
tour_setup accounting "$1" "$3"

tour_listed <<'TOUR'
Procedures>Loan schedule|Month     Payment|Escape
Procedures>Totals by group|totals by group|Escape
Procedures>Balances|saldos al 31/12/2025|C-End =Written to balances.txt. Escape
Procedures>Account ledger|ReportWin|Escape
Procedures>Progress window|Count again?|n
Procedures>Calculations>Choose a calculation|Interest on a deposit|Escape
Print>Trial balance|Report Limits Capture|Escape
Print>Trial balance to file|written to trial.txt|Enter
Print>Trial balance to PDF|written to trial.pdf|Enter
TOUR
exit $fail

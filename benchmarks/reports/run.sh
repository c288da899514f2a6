#!/usr/bin/env bash
# The contact information report of 100,000 contacts to PDF, timed with its peak memory, beside
# the same rows converted from CSV to PDF by LibreOffice (when soffice is installed), in one run.
# Usage: benchmarks/reports/run.sh BUILD_DIR [CONTACTS]
set -euo pipefail
build=${1:?build directory}
count=${2:-100000}
pelmora="$build/pelmora"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$pelmora" --home "$work" db info >/dev/null
sqlite3 "$work/data/database.sqlite" "
  DELETE FROM Contacts;
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $count)
  INSERT INTO Contacts (LName, FName, Company, EMail, JobTitle, Department, Phone1, Fax, Address1, City,
                        Zip, State, Country, URL, SiteTitle, CategoryA, CategoryB, CategoryC)
  SELECT printf('Last%06d', i), 'First' || i, 'Company ' || (i % 997), 'person' || i || '@example.test',
         'Manager', 'Sales', '(312) 555-' || printf('%04d', i % 10000), '(312) 555-0100',
         i || ' Harbor Plaza', 'Chicago', '60601', 'IL', 'USA', 'https://example.test/' || i,
         'Site ' || i, 'Client', 'Business', 'Friend' FROM n;"

measure() { # label, command...
    local label=$1
    shift
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; return 1; }
    read -r seconds user system kb <"$work/time"
    printf "%-28s %8.1f s wall %8.1f s CPU %6d MB\n" "$label" "$seconds" "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" "$((kb / 1024))"
}

measure "pelmora report contacts" "$pelmora" --home "$work" report contacts --pdf "$work/contacts.pdf"
echo "pages: $(pdfinfo "$work/contacts.pdf" | awk '/^Pages:/ {print $2}')"

if command -v soffice >/dev/null; then
    sqlite3 -csv -header "$work/data/database.sqlite" "SELECT LName, FName, Company, EMail, JobTitle, Department,
        Phone1, Fax, Address1, City, Zip, State, Country, URL, SiteTitle, CategoryA, CategoryB, CategoryC
        FROM Contacts ORDER BY LName, FName" >"$work/contacts.csv"
    measure "soffice --convert-to pdf" soffice --headless -env:UserInstallation=file://"$work/lo" \
        --convert-to pdf --outdir "$work/lo-out" "$work/contacts.csv"
    echo "pages: $(pdfinfo "$work/lo-out/contacts.pdf" | awk '/^Pages:/ {print $2}')"
else
    echo "soffice is not installed: no peer figure"
fi

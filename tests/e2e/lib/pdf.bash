# What a PDF holds, as text: a short summary (pages, page size, fonts,
# pictures), a line "----", then its text laid out (pdftotext -layout).
# Sourced by the whole-program tests that compare PDFs.
pdf_summary() {
  pdfinfo "$1" | sed -n 's/^Pages: *\(.*\)/pages: \1/p; s/^Page size: *\(.*\)/page size: \1/p'
  echo "fonts: $(pdffonts "$1" | tail -n +3 | awk '{print $1}' | sort -u | paste -sd' ')"
  echo "pictures: $(pdfimages -list "$1" | tail -n +3 | wc -l)"
  echo "----"
  pdftotext -layout "$1" -
}

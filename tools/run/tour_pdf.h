// `tour DIR pdf`: the contact sheet as a PDF on the sheet's paper, drawn
// by Qt's PDF writer (tour_pdf_qt.cpp), or refused in builds without Qt
// (tour_pdf_none.cpp).
#pragma once

#include <string>
#include <vector>

namespace geigerrun {

// A paper as the sheet names it, its size in millimetres, and the margin
// and the gap between two figures side by side that the sheet and the PDF
// both keep.
struct SheetPaper {
    const char* name;  // "A4"
    const char* css;   // its @page size: "A4", "letter"
    double width, height;
};
inline constexpr double kSheetMarginMm = 12;
inline constexpr double kSheetGapMm = 3;

// One stop's caption under its picture.
struct PdfRoute {
    int number = 0;
    std::string title, name, keys;
    int sameAs = 0;  // the stop whose commands it repeats (its keys are not shown again), or 0
};

struct PdfFigure {
    const std::string* png = nullptr;  // the picture's PNG bytes
    std::vector<PdfRoute> routes;
};

struct PdfSection {
    std::string heading;
    std::vector<PdfFigure> figures;
};

struct PdfSheet {
    SheetPaper paper{};
    std::string title;         // plain text
    std::string headHtml;      // how it was made, as the HTML sheet's head says it
    std::string contentsNote;  // plain text under "Contents"
    std::vector<PdfSection> sections;
    // The resolution the pictures state, so they print at that size; 0 to
    // fit a column with every pixel the same whole number of PDF units.
    int dpi = 0;
    std::string creator;  // the program and its version
};

// The PDF's bytes: a title page with the head and the contents (each
// section's page), then the sections in order, two figures a row where
// they fit, no figure split across pages; text is text, pictures are
// drawn unsmoothed and losslessly. False with `error` where it cannot.
bool WriteSheetPdf(const PdfSheet& sheet, std::string& bytes, std::string& error);

}  // namespace geigerrun

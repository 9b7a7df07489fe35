// Builds without Qt (GEIGERSIM_GUI=OFF) have no PDF writer; `tour ... pdf`
// is refused when the commands are read, and here as well.
#include "tools/run/tour_pdf.h"

namespace geigerrun {

bool WriteSheetPdf(const PdfSheet&, std::string&, std::string& error) {
    error = "this geigersim-run was built without Qt, which writes the PDF";
    return false;
}

}  // namespace geigerrun

// Printing PDF files on the default CUPS destination (the one lpstat -d names, or $PRINTER).
// Synchronous: hands the file to the CUPS server, which spools its own copy. UI thread.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_OUTPUT_CUPS_PRINTER_H_
#define VEXLO_OFFICE_ENGINE_OUTPUT_CUPS_PRINTER_H_

#include <string>

namespace vexlo::engine {

// The default destination's name, or "" when there is none (no printer set up, or no CUPS
// server reachable).
std::string DefaultPrinter();

// Raises app::RuntimeError::Output when there is no default destination.
void RequirePrinter();

// Submits `pdf` with `copies` copies, titled `title`, to the default destination. Returns the
// job id. Raises app::RuntimeError::Output when there is no printer or CUPS refuses the job.
int PrintPdf(const std::string& pdf, int copies, const std::string& title);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_OUTPUT_CUPS_PRINTER_H_

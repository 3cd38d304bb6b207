#pragma once

#include <QString>
#include <functional>

#include "felcora/felcora_export.h"

class QPainter;
class QPagedPaintDevice;

namespace felcora::report {

struct PageModel;
struct ReportDefinition;
class ReportDocument;

// Paints a page onto the painter's device, the paper's top-left corner at
// the device's origin, at the device's resolution.
FELCORA_TESTS_EXPORT void paintPage(const ReportDefinition &definition, const PageModel &page, QPainter &painter);

// Called after each page with the pages done and the pages to do; false stops.
using PageProgress = std::function<bool(int done, int total)>;

// Paints pages first..last (from 0) of a complete document (an incomplete
// one is refused) onto a device set up for the report's paper with no
// margins (a QPdfWriter, a QPrinter at full page), all printed at the moment
// this starts. False when progress stopped it.
bool paintPages(const ReportDocument &document, QPagedPaintDevice &device, int first, int last,
                const PageProgress &progress = {});

// Writes the whole report (a complete document) to a PDF file, which replaces a file of that name
// only once it is complete. False, and the old file left as it was, when
// progress stopped it; a file that cannot be written (a full disk) fails.
FELCORA_TESTS_EXPORT bool writePdf(const ReportDocument &document, const QString &path,
                                   const PageProgress &progress = {});

} // namespace felcora::report

// What every page of the HTML report shares: the document head with its inline
// style sheet, the banner, and the small inline script that sorts tables (and
// moves between the lines of a source). Pages
// load nothing from anywhere: no network, no other file.
#pragma once

#include <QString>
#include <cstdio>
#include <ctime>

#include "support/host_services.h"

/// Writes the doctype, the head (title, style) and the banner up to the opening
/// of <main>: `title` and `subtitle` (may be empty) are escaped, `backLink` (may
/// be null) is the page the banner links back to.
void writePageStart(std::FILE *out, ReportLanguage language, const QString &title,
                    const QString &subtitle, std::time_t runTime, const char *backLink);

/// The scripts at the end of a page.
enum class PageScripts {
  None,
  /// Every table of class "sortable" sorted by a click on (or Enter in) a heading.
  Sort,
  /// That, and the keys n and p going to the next and the previous line of the
  /// source that is not wholly hit.
  SortAndLineKeys,
};

/// Closes <main> and the document, with one inline script holding `scripts`.
void writePageEnd(std::FILE *out, PageScripts scripts);

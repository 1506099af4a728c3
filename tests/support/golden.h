// Golden files: a printout dumped as text and compared with the file committed under
// tests/golden. Run with ZENLO_UPDATE_GOLDEN=1 to write the files anew, then review the diff.
#pragma once

#include <QString>
#include <vector>

#include "core/report.h"

// Every page of a laid-out report: each band with its kind and place, each item with its box,
// font and text (fields with the text of their row).
QString dumpReport(const ReportDefinition& report, const std::vector<ReportPage>& pages, const ReportRows& rows);

// Empty when `actual` matches tests/golden/<name>; otherwise what differs first. With
// ZENLO_UPDATE_GOLDEN set the file is rewritten and the comparison passes.
QString compareWithGolden(const QString& name, const QString& actual);

#pragma once
// The export dialog: a save dialog whose file types are the formats and the PDF's page sizes
// (EPUB 3; PDF on A4, Letter, A5 or a 6-inch e-reader's pages), with the "Paragraph shades"
// option for an EPUB. It does not ask before replacing a file: the session does.
#include "core/port/ViewPort.h"

#include <optional>
#include <string>

class QWidget;

namespace qm {

std::optional<ViewPort::ExportChoice> askExportFile(QWidget* parent,
                                                    const std::string& suggestedPath);

} // namespace qm

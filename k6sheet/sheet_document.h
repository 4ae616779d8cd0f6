#pragma once
// The configuration sheet laid out on paper: a title, the head (customer, model, version, date),
// every page's values as a table of caption and value, the Contact ID tables, page numbers, and
// the model's wiring drawing on a page of its own, drawn as vectors. The same painting goes to a
// PDF file and to a printer.

#include "k6config/config_file.h"
#include "k6text/sheet_content.h"

#include <QCoreApplication>
#include <QPageSize>
#include <QString>
#include <memory>

class QPagedPaintDevice;

namespace dalvex::k6sheet {

enum class Paper { A4, Letter };
// Letter where the system's locale measures in US units, A4 elsewhere.
Paper DefaultPaper();
QPageSize PageSizeOf(Paper paper);
// "a4", "letter"; nullopt for anything else.
std::optional<Paper> PaperOfName(const QString& name);

// Paints the sheet on `device` page by page; false when the device cannot be painted on.
bool PaintSheet(QPagedPaintDevice& device, const k6text::SheetContent& content);

// Writes the sheet as a PDF file, atomically.
k6config::FileResult WriteSheetPdf(const QString& path, const k6text::SheetContent& content, Paper paper);

// The application a program needs to lay out a sheet (fonts): a QGuiApplication on the offscreen
// platform unless another one is chosen, so that no display is needed.
std::unique_ptr<QCoreApplication> MakeSheetApplication(int& argc, char** argv);

} // namespace dalvex::k6sheet

#pragma once
// The index of the design's names (docs/controls.md): every named control of every window, read
// off the windows themselves once they are built, with the page it sits on, its caption as the
// Hungarian and the English language pass leave it, its row of the control tables and its place in
// the configuration image.

#include <QString>
#include <QStringList>
#include <vector>

namespace dalvex::controls_doc {

struct IndexRow {
    QString name;         // objectName: the design's component name
    QString page;         // the pages (tabs) or menus it sits in, outermost first; empty when none
    QString kind;         // from its control table row, else from its widget
    QString hungarian;    // caption shown in Hungarian
    QString english;      // caption shown in English
    QString captionLabel; // the label that captions it, when the caption is not its own text
    QString purpose;
    QString image; // places in the configuration image; empty when it has none
};

struct WindowIndex {
    QString className;  // named by purpose: "ConfigWindow"
    QString designName; // "TK6Form1"
    QString objectName; // "K6Form1"
    QString header;     // "ui/config_window.h"
    QString titleHungarian;
    QString titleEnglish;
    std::vector<IndexRow> rows; // in name order
};

struct Index {
    std::vector<WindowIndex> windows; // in class name order
    // Problems that make the index incomplete (a window without its design name, a design name
    // without its window); the generator refuses to write an index that has any.
    QStringList problems;
};

// Builds every window (CreateForms), reads them in Hungarian and in English, and destroys them
// again. `sourceRoot` is where the window headers with their "Design name:" lines are. Needs a
// QApplication.
Index BuildIndex(const QString& sourceRoot);

// The Markdown page: an overview of the windows, then a table per window.
QString RenderMarkdown(const Index& index);

} // namespace dalvex::controls_doc

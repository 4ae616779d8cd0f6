#include "sheet_document.h"

#include "i18n/picture_words.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <QTextDocument>

namespace dalvex::k6sheet {

namespace {

constexpr double kFontPoints = 9;

QString Escaped(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

QString TableOf(const std::vector<k6text::SheetRow>& rows) {
    QString html = QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" border=\"0\">");
    bool odd = false;
    for (const k6text::SheetRow& r : rows) {
        html += QStringLiteral("<tr%1><td width=\"45%\">%2</td><td><b>%3</b></td></tr>")
                    .arg(odd ? QStringLiteral(" bgcolor=\"#eeeeee\"") : QString(), Escaped(r.caption), Escaped(r.value));
        odd = !odd;
    }
    return html + QStringLiteral("</table>");
}

QString GridOf(const k6text::SheetTable& t) {
    QString html = QStringLiteral("<p><i>%1</i></p><table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" "
                                  "border=\"1\" style=\"border-collapse: collapse;\"><tr>")
                       .arg(Escaped(t.title));
    for (const QString& c : t.columns)
        html += QStringLiteral("<th align=\"left\">%1</th>").arg(Escaped(c));
    html += QStringLiteral("</tr>");
    for (const QStringList& row : t.rows) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row)
            html += QStringLiteral("<td>%1</td>").arg(Escaped(cell));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString Html(const k6text::SheetContent& c) {
    QString html = QStringLiteral("<html><body><h1>%1</h1>").arg(Escaped(c.title));
    html += TableOf(c.head);
    if (!c.note.isEmpty()) html += QStringLiteral("<p><i>%1</i></p>").arg(Escaped(c.note));
    for (const k6text::SheetSection& s : c.pages) {
        html += QStringLiteral("<h2>%1</h2>").arg(Escaped(s.title));
        if (!s.rows.empty()) html += TableOf(s.rows);
        for (const k6text::SheetTable& t : s.tables)
            html += GridOf(t);
    }
    return html + QStringLiteral("</body></html>");
}

QByteArray WiringDrawing(int model, int language) {
    QFile f(QStringLiteral(":/sheet/wiring_%1.svg").arg(model));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return i18n::LocalisePictureWords(f.readAll(), language);
}

} // namespace

Paper DefaultPaper() {
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? Paper::Letter : Paper::A4;
}

QPageSize PageSizeOf(Paper paper) {
    return QPageSize(paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4);
}

std::optional<Paper> PaperOfName(const QString& name) {
    if (name.compare(QLatin1String("a4"), Qt::CaseInsensitive) == 0) return Paper::A4;
    if (name.compare(QLatin1String("letter"), Qt::CaseInsensitive) == 0) return Paper::Letter;
    return std::nullopt;
}

bool PaintSheet(QPagedPaintDevice& device, const k6text::SheetContent& content) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    const QRectF page(QPointF(0, 0), device.pageLayout().paintRectPixels(device.logicalDpiX()).size());
    QFont font = painter.font();
    font.setPointSizeF(kFontPoints);

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device);
    doc.setDefaultFont(font);
    doc.setDocumentMargin(0);
    doc.setHtml(Html(content));
    const QFontMetricsF metrics(font, &device);
    const double footer = metrics.height() * 2;
    doc.setPageSize(QSizeF(page.width(), page.height() - footer));
    const int pages = doc.pageCount() + 1; // the wiring drawing's page
    const double body = page.height() - footer;

    const auto pageNumber = [&](int n) {
        painter.setFont(font);
        painter.drawText(QRectF(page.left(), page.bottom() - metrics.height(), page.width(), metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 / %2").arg(n).arg(pages));
    };
    for (int i = 0; i < doc.pageCount(); ++i) {
        if (i > 0) device.newPage();
        painter.save();
        painter.translate(0, -i * body);
        doc.drawContents(&painter, QRectF(0, i * body, page.width(), body));
        painter.restore();
        pageNumber(i + 1);
    }

    device.newPage();
    QFont title = font;
    title.setPointSizeF(kFontPoints * 1.6);
    title.setBold(true);
    painter.setFont(title);
    const double titleHeight = QFontMetricsF(title, &device).height() * 1.5;
    painter.drawText(QRectF(0, 0, page.width(), titleHeight), Qt::AlignLeft | Qt::AlignTop, content.wiringTitle);
    QSvgRenderer drawing(WiringDrawing(content.wiringModel, content.language));
    if (drawing.isValid()) {
        QSizeF size = drawing.defaultSize();
        size.scale(page.width(), body - titleHeight, Qt::KeepAspectRatio);
        drawing.render(&painter, QRectF(QPointF(0, titleHeight), size));
    }
    pageNumber(pages);
    return painter.end();
}

k6config::FileResult WriteSheetPdf(const QString& path, const k6text::SheetContent& content, Paper paper) {
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(PageSizeOf(paper));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(content.title);
        writer.setCreator(QStringLiteral("Dalvex"));
        if (!PaintSheet(writer, content)) return {k6config::FileError::Io, QStringLiteral("PDF")};
    }
    return k6config::WriteFileAtomically(path, pdf);
}

std::unique_ptr<QCoreApplication> MakeSheetApplication(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace dalvex::k6sheet

#include "sheet_document.h"

#include "i18n/picture_words.h"


#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <array>
#include <vector>

namespace dalvex::k6sheet {

namespace {

constexpr double kFontPoints = 9;

enum Font { Body, Bold, Heading, Title, FontCount };

// One thing drawn on one page: a text in a box, a shaded or a framed box.
struct Draw {
    int page;
    QRectF box;
    QString text;
    Font font = Body;
    bool shade = false;
    bool frame = false;
};

struct Columns {
    std::vector<double> widths; // shares of the page's width
    std::vector<Font> fonts;
};

// Lays the contents out top to bottom, page after page: a row is never split between pages, a
// heading stays with the row after it, and a table's column titles come again on each page.
class Flow {
public:
    Flow(const std::array<QFont, FontCount>& fonts, QPaintDevice& device, QSizeF body)
        : body_(body) {
        for (const QFont& f : fonts)
            metrics_.emplace_back(f, &device);
        gap_ = metrics_[Body].height() * 0.6;
    }

    std::vector<Draw> draws;
    int pages() const { return page_ + 1; }

    void line(const QString& text, Font font, double after) {
        const double h = height(text, font, body_.width());
        fit(h);
        draws.push_back({page_, QRectF(0, y_, body_.width(), h), text, font});
        y_ += h + after;
    }
    double gap() const { return gap_; }

    void heading(const QString& text, double keepWith) {
        if (y_ > 0) y_ += gap_;
        const double h = height(text, Heading, body_.width()) + gap_ / 2;
        fit(h + keepWith);
        draws.push_back({page_, QRectF(0, y_, body_.width(), h), text, Heading});
        y_ += h;
    }

    void rows(const std::vector<k6text::SheetRow>& rows) {
        bool shade = false;
        for (const k6text::SheetRow& r : rows) {
            row({r.caption, r.value}, kPairs, shade, false);
            shade = !shade;
        }
    }
    double firstRowHeight(const k6text::SheetSection& s) const {
        if (!s.rows.empty()) return rowHeight({s.rows[0].caption, s.rows[0].value}, kPairs);
        return metrics_[Body].height() * 3;
    }

    void table(const k6text::SheetTable& t) {
        // The row number and the codes are short; the names take the room.
        Columns columns;
        for (int i = 0; i < t.columns.size(); ++i) {
            const bool wide = i > 0 && i + 1 == t.columns.size() - (t.columns.size() > 3 ? 1 : 0);
            columns.widths.push_back(i == 0 ? 1 : wide ? 5 : 2);
            columns.fonts.push_back(Body);
        }
        double sum = 0;
        for (double w : columns.widths)
            sum += w;
        for (double& w : columns.widths)
            w /= sum;
        Columns titles = columns;
        std::fill(titles.fonts.begin(), titles.fonts.end(), Bold);
        line(t.title, Bold, gap_ / 3);
        header_ = t.columns;
        headerColumns_ = titles;
        row(t.columns, titles, true, true);
        for (const QStringList& r : t.rows)
            row(r, columns, false, true);
        header_.clear();
    }

private:
    inline static const Columns kPairs{{0.45, 0.55}, {Body, Bold}};

    double pad() const { return metrics_[Body].height() * 0.15; }

    double height(const QString& text, Font font, double width) const {
        const QFontMetricsF& m = metrics_[static_cast<std::size_t>(font)];
        if (text.isEmpty()) return m.height();
        return m.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
    }

    double rowHeight(const QStringList& cells, const Columns& c) const {
        double h = 0;
        for (int i = 0; i < cells.size() && i < int(c.widths.size()); ++i)
            h = std::max(h, height(cells[i], c.fonts[static_cast<std::size_t>(i)],
                                   c.widths[static_cast<std::size_t>(i)] * body_.width() - 2 * pad()));
        return h + 2 * pad();
    }

    // Room for `h` on this page, else a new page (unless this one is still empty).
    bool fit(double h) {
        if (y_ == 0 || y_ + h <= body_.height()) return false;
        ++page_;
        y_ = 0;
        return true;
    }

    void row(const QStringList& cells, const Columns& c, bool shade, bool frame) {
        const double h = rowHeight(cells, c);
        if (fit(h) && !header_.isEmpty() && cells != header_)
            place(header_, headerColumns_, rowHeight(header_, headerColumns_), true, true);
        place(cells, c, h, shade, frame);
    }

    void place(const QStringList& cells, const Columns& c, double h, bool shade, bool frame) {
        double x = 0;
        for (int i = 0; i < cells.size() && i < int(c.widths.size()); ++i) {
            const double w = c.widths[static_cast<std::size_t>(i)] * body_.width();
            const QRectF cell(x, y_, w, h);
            if (shade || frame) draws.push_back({page_, cell, QString(), Body, shade, frame});
            draws.push_back({page_, cell.adjusted(pad(), pad(), -pad(), -pad()), cells[i],
                             c.fonts[static_cast<std::size_t>(i)]});
            x += w;
        }
        y_ += h;
    }

    QSizeF body_;
    std::vector<QFontMetricsF> metrics_;
    double gap_ = 0;
    double y_ = 0;
    int page_ = 0;
    QStringList header_;
    Columns headerColumns_;
};

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
    std::array<QFont, FontCount> fonts;
    const std::array<double, FontCount> sizes = {kFontPoints, kFontPoints, kFontPoints * 1.35, kFontPoints * 1.8};
    for (int i = 0; i < FontCount; ++i) {
        QFont& f = fonts[static_cast<std::size_t>(i)];
        f = painter.font();
        f.setPointSizeF(sizes[static_cast<std::size_t>(i)]);
        f.setBold(i != Body);
    }
    const QFontMetricsF metrics(fonts[Body], &device);
    const double footer = metrics.height() * 2;

    Flow flow(fonts, device, QSizeF(page.width(), page.height() - footer));
    flow.line(content.title, Title, flow.gap());
    flow.rows(content.head);
    if (!content.note.isEmpty()) flow.line(content.note, Body, 0);
    for (const k6text::SheetSection& s : content.pages) {
        flow.heading(s.title, flow.firstRowHeight(s));
        flow.rows(s.rows);
        for (const k6text::SheetTable& t : s.tables)
            flow.table(t);
    }
    const int pages = flow.pages() + 1; // the wiring drawing's page

    const auto pageNumber = [&](int n) {
        painter.setFont(fonts[Body]);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(page.left(), page.bottom() - metrics.height(), page.width(), metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 / %2").arg(n).arg(pages));
    };
    int current = 0;
    for (const Draw& d : flow.draws) {
        for (; current < d.page; ++current) {
            pageNumber(current + 1);
            device.newPage();
        }
        if (d.shade) painter.fillRect(d.box, QColor(0xee, 0xee, 0xee));
        if (d.frame) {
            painter.setPen(QPen(Qt::gray, 0));
            painter.drawRect(d.box);
        }
        if (!d.text.isEmpty()) {
            painter.setPen(Qt::black);
            painter.setFont(fonts[static_cast<std::size_t>(d.font)]);
            painter.drawText(d.box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, d.text);
        }
    }
    pageNumber(current + 1);

    device.newPage();
    painter.setFont(fonts[Title]);
    const double titleHeight = QFontMetricsF(fonts[Title], &device).height() * 1.5;
    painter.drawText(QRectF(0, 0, page.width(), titleHeight), Qt::AlignLeft | Qt::AlignTop, content.wiringTitle);
    QSvgRenderer drawing(WiringDrawing(content.wiringModel, content.language));
    if (drawing.isValid()) {
        QSizeF size = drawing.defaultSize();
        size.scale(page.width(), page.height() - footer - titleHeight, Qt::KeepAspectRatio);
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

#include "picture_words.h"

#include "catalogue.h"

#include <QRegularExpression>
#include <QString>

namespace dalvex::i18n {

namespace {

QString Unescaped(QString text) {
    return text.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&apos;"), QLatin1String("'"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
}

} // namespace

QByteArray LocalisePictureWords(const QByteArray& svg, int language) {
    static const QRegularExpression text(QStringLiteral("(<text[^>]*>)([^<]*)(</text>)"));
    const Catalogue& catalogue = Catalogue::Builtin();
    const QString in = QString::fromUtf8(svg);
    QString out;
    out.reserve(in.size());
    qsizetype done = 0;
    for (auto it = text.globalMatch(in); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const std::optional<QString> word = catalogue.Picture(Unescaped(m.captured(2)), language);
        if (!word) continue;
        out += QStringView(in).mid(done, m.capturedStart(2) - done);
        out += word->toHtmlEscaped();
        done = m.capturedEnd(2);
    }
    out += QStringView(in).mid(done);
    return out.toUtf8();
}

} // namespace dalvex::i18n

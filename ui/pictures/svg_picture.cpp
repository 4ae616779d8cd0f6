#include "svg_picture.h"

#include "i18n/catalogue.h"
#include "i18n/picture_words.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPixmap>

// The resources sit in a static library: nothing would pull them into the program unless they are
// registered by hand.
static void initPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace dalvex {

namespace {

int pictureLanguage = i18n::English;

QByteArray ReadResource(const QString& resource) {
    QFile f(resource);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Picture(const char* kind, int moduleType) {
    const int type = moduleType == 73 || moduleType == 74 ? moduleType : 72;
    return QStringLiteral(":/pictures/%1_%2.svg").arg(QLatin1String(kind)).arg(type);
}
} // namespace

QByteArray LocaliseSvg(const QByteArray& svg, int language) {
    return i18n::LocalisePictureWords(svg, language);
}

QPixmap LocalisedPixmap(const QString& resource, const QSize& size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QSvgRenderer svg(LocaliseSvg(ReadResource(resource), pictureLanguage));
    if (svg.isValid()) {
        QPainter p(&pm);
        svg.render(&p);
    }
    return pm;
}

void SetPictureLanguage(int language) {
    if (language == pictureLanguage) return;
    pictureLanguage = language;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* picture = qobject_cast<SvgPicture*>(w)) picture->Reload();
}

int PictureLanguage() {
    return pictureLanguage;
}

QString WiringPicture(int moduleType) {
    return Picture("wiring", moduleType);
}

QString HeaderPicture(int moduleType) {
    return Picture("header", moduleType);
}

SvgPicture::SvgPicture(const QString& objectName, QWidget* parent, double lines)
    : QWidget(parent)
    , lines_(lines) {
    static const bool registered = (initPictures(), true);
    (void)registered;
    setObjectName(objectName);
    renderer_.setAspectRatioMode(Qt::KeepAspectRatio);
    setSizePolicy(QSizePolicy::Preferred, lines > 0 ? QSizePolicy::Fixed : QSizePolicy::Expanding);
}

void SvgPicture::SetSource(const QString& source) {
    if (source == source_) return;
    source_ = source;
    Reload();
}

void SvgPicture::Reload() {
    const QByteArray svg = source_.isEmpty() ? QByteArray() : ReadResource(source_);
    if (svg.isEmpty() || !renderer_.load(LocaliseSvg(svg, pictureLanguage))) renderer_.load(QByteArray());
    updateGeometry();
    update();
}

QSize SvgPicture::sizeHint() const {
    const QSize own = renderer_.isValid() ? renderer_.defaultSize() : QSize(0, 0);
    if (lines_ <= 0 || own.isEmpty()) return own;
    const int h = qRound(lines_ * fontMetrics().height());
    return {qRound(double(own.width()) * h / own.height()), h};
}

QSize SvgPicture::minimumSizeHint() const {
    // A drawing may shrink with its window; a header keeps its height so its text stays legible.
    if (lines_ > 0) return sizeHint();
    return sizeHint() / 3;
}

void SvgPicture::paintEvent(QPaintEvent*) {
    if (!renderer_.isValid()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    renderer_.render(&p, rect());
}

} // namespace dalvex

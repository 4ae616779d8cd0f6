#pragma once
// A picture drawn from one of our SVG resources, kept in proportion inside the space it gets. Its
// size follows the font when it is given in text lines, so the pictures grow and shrink with the
// window's scaling like everything else.

#include <QSvgRenderer>
#include <QWidget>

namespace dalvex {

class SvgPicture : public QWidget {
    Q_OBJECT
public:
    // `lines` > 0: the picture is that many text lines high; 0: its drawing's own size.
    explicit SvgPicture(const QString& objectName, QWidget* parent = nullptr, double lines = 0);

    // ":/pictures/wiring_72.svg"; an empty or unreadable source shows nothing.
    void SetSource(const QString& source);
    QString Source() const { return source_; }
    bool HasPicture() const { return renderer_.isValid(); }

    // Draws the source again in the pictures' language.
    void Reload();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer renderer_;
    QString source_;
    double lines_;
};

// The words of our drawings follow the language: each <text> whose content is a picture key of the
// catalogue is drawn in the language's words.
QByteArray LocaliseSvg(const QByteArray& svg, int language);
// A drawing resource, localised and rendered at `size`.
QPixmap LocalisedPixmap(const QString& resource, const QSize& size);
// The language the pictures speak (English until a language pass sets it); setting another one
// redraws every SvgPicture.
void SetPictureLanguage(int language);
int PictureLanguage();

// The drawings this program carries.
QString WiringPicture(int moduleType); // terminal-block diagram of model 72, 73 or 74
QString HeaderPicture(int moduleType); // the model's header banner

} // namespace dalvex

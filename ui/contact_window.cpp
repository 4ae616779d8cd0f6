#include "contact_window.h"

#include "forms.h"
#include "i18n/product_variant.h"
#include "k6config/cp1250.h"
#include "serial/settings.h"
#include "start_window.h"
#include "config_window.h"
#include "own_activation.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace dalvex {

namespace {
// A contact block is a few lines; anything this large is not one, and is not loaded whole.
constexpr qint64 kMaxContactFile = 256 * 1024;
} // namespace

ContactWindow::ContactWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TK6Form8"));
    setWindowTitle(QStringLiteral("Kapcsolat"));
    auto* layout = new QVBoxLayout(this);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Image1);
    Memo1 = new QPlainTextEdit(QStringLiteral("Not contact"), this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    layout->addWidget(Memo1, 1);
    BitBtn3 = new QPushButton(QStringLiteral("Kilépés"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    connect(BitBtn3, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(BitBtn3, 0, Qt::AlignRight);
    setWindowModality(Qt::ApplicationModal);
    resize(480, 360);
}

void ContactWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        FormActivate();
}

QString ContactWindow::DecodeContactFile(const QByteArray& bytes) {
    QString text;
    if (const auto marked = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decode(*marked); // skips the mark
        text = decode(bytes);
    } else {
        QStringDecoder utf8(QStringConverter::Utf8);
        text = utf8(bytes);
        if (utf8.hasError()) text = k6config::FromCp1250(bytes);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::optional<QString> ContactWindow::LoadContactFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxContactFile) return std::nullopt;
    const QByteArray bytes = f.read(kMaxContactFile + 1);
    if (bytes.size() > kMaxContactFile || f.error() != QFileDevice::NoError) return std::nullopt;
    return DecodeContactFile(bytes);
}

void ContactWindow::FormActivate() {
    Memo1->clear();
    const QString startDir = Form1 ? Form1->StartDirectory : QDir::currentPath();
    if (const auto text = LoadContactFile(startDir + QStringLiteral("/contact.txt"))) {
        Memo1->setPlainText(*text);
    } else {
        const QString key = K6Form1 ? K6Form1->RegKey : MakeRegKey(MakeBrandFields());
        const bool hungarian = ReadSetting(key, QStringLiteral("Language")) == QLatin1String("0");
        const QString builtIn = K6Form1 ? K6Form1->ContactText : MakeBrandFields().ContactText;
        Memo1->setPlainText(hungarian ? builtIn : EnglishContactText());
    }
    if (K6Form1)
        if (const auto* logo = K6Form1->findChild<QLabel*>(QStringLiteral("Image2")))
            Image1->setPixmap(logo->pixmap());
}

} // namespace dalvex

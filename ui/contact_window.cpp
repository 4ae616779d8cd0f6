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
    Logo = new QLabel(this);
    Logo->setObjectName(QStringLiteral("Image1"));
    Logo->setAlignment(Qt::AlignCenter);
    layout->addWidget(Logo);
    TextView = new QPlainTextEdit(QStringLiteral("Not contact"), this);
    TextView->setObjectName(QStringLiteral("Memo1"));
    TextView->setReadOnly(true);
    layout->addWidget(TextView, 1);
    ExitButton = new QPushButton(QStringLiteral("Kilépés"), this);
    ExitButton->setObjectName(QStringLiteral("BitBtn3"));
    connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(ExitButton, 0, Qt::AlignRight);
    setWindowModality(Qt::ApplicationModal);
    resize(480, 360);
}

void ContactWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        Activate();
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

void ContactWindow::Activate() {
    TextView->clear();
    const QString startDir = startWindow ? startWindow->StartDirectory : QDir::currentPath();
    if (const auto text = LoadContactFile(startDir + QStringLiteral("/contact.txt"))) {
        TextView->setPlainText(*text);
    } else {
        const QString key = configWindow ? configWindow->RegKey : MakeRegKey(MakeBrandFields());
        const bool hungarian = ReadSetting(key, QStringLiteral("Language")) == QLatin1String("0");
        const QString builtIn = configWindow ? configWindow->ContactText : MakeBrandFields().ContactText;
        TextView->setPlainText(hungarian ? builtIn : EnglishContactText());
    }
    if (configWindow)
        if (const auto* logo = configWindow->findChild<QLabel*>(QStringLiteral("Image2")))
            Logo->setPixmap(logo->pixmap());
}

} // namespace dalvex

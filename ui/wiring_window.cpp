#include "wiring_window.h"

#include "pictures/svg_picture.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace dalvex {

WiringWindow::WiringWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TK6Form4"));
    setWindowTitle(QStringLiteral("Bekötési rajz"));

    auto* layout = new QVBoxLayout(this);
    PageTabs = new QTabWidget(this);
    PageTabs->setObjectName(QStringLiteral("PageControl1"));
    auto* page = new QWidget(PageTabs);
    page->setObjectName(QStringLiteral("TabSheet1"));
    auto* pictures = new QVBoxLayout(page);
    Drawing = new SvgPicture(QStringLiteral("Image1"), page);
    Drawing->SetSource(WiringPicture(72));
    MiniDrawing = new SvgPicture(QStringLiteral("Image2"), page);
    MiniDrawing->SetSource(WiringPicture(73));
    MiniDrawing->hide();
    pictures->addWidget(Drawing);
    pictures->addWidget(MiniDrawing);
    PageTabs->addTab(page, QStringLiteral("Bekötési rajz"));
    layout->addWidget(PageTabs, 1);

    auto* buttons = new QHBoxLayout;
    PrintButton = new QPushButton(QStringLiteral("Nyomtatás"), this);
    PrintButton->setObjectName(QStringLiteral("BitBtn1"));
    PrintButton->setEnabled(false);
    ExitButton = new QPushButton(QStringLiteral("Kilépés"), this);
    ExitButton->setObjectName(QStringLiteral("BitBtn3"));
    connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(PrintButton);
    buttons->addStretch(1);
    buttons->addWidget(ExitButton);
    layout->addLayout(buttons);
    resize(800, 620);
}

} // namespace dalvex

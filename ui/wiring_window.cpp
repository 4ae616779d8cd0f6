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
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* page = new QWidget(PageControl1);
    page->setObjectName(QStringLiteral("TabSheet1"));
    auto* pictures = new QVBoxLayout(page);
    Image1 = new SvgPicture(QStringLiteral("Image1"), page);
    Image1->SetSource(WiringPicture(72));
    Image2 = new SvgPicture(QStringLiteral("Image2"), page);
    Image2->SetSource(WiringPicture(73));
    Image2->hide();
    pictures->addWidget(Image1);
    pictures->addWidget(Image2);
    PageControl1->addTab(page, QStringLiteral("Bekötési rajz"));
    layout->addWidget(PageControl1, 1);

    auto* buttons = new QHBoxLayout;
    BitBtn1 = new QPushButton(QStringLiteral("Nyomtatás"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setEnabled(false);
    BitBtn3 = new QPushButton(QStringLiteral("Kilépés"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    connect(BitBtn3, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(BitBtn1);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn3);
    layout->addLayout(buttons);
    resize(800, 620);
}

} // namespace dalvex

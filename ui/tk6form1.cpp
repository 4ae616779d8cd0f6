#include "tk6form1.h"

#include "forms.h"
#include "k6config/controls.h"
#include "k6config/page_values.h"
#include "k6pages/k6pages.h"
#include "placeholder_form.h"
#include "tform1.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace dalvex {

TK6Form1::TK6Form1(QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("K6Form1"));
    resize(900, 640);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    Values = new k6config::PageValues(k6config::K6Controls(), this);
    LocalValues = new k6config::PageValues(k6config::K6LocalControls(), this);
    DoorPhoneValues = new k6config::PageValues(k6config::DoorPhoneControls(), this);
    Pages = new k6pages::K6Pages(this, PageControl1, *Values, *LocalValues);
    setCentralWidget(PageControl1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    static constexpr int kPanelWidths[] = {80, 110, 70, 300, 120};
    for (int i = 0; i < 5; ++i) {
        panels_[i] = new QLabel(StatusBar1);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panels_[i]->setMinimumWidth(kPanelWidths[i]);
        StatusBar1->addWidget(panels_[i], i == 3 ? 1 : 0);
    }
    setStatusBar(StatusBar1);

    Language = new QTimer(this);
    Language->setObjectName(QStringLiteral("Language"));
    Language->setInterval(300);
    connect(Language, &QTimer::timeout, this, &TK6Form1::LanguageTimer);

    FormCreate();
}

void TK6Form1::FormCreate() {
    const BrandFields b = MakeBrandFields();
    ProModelName = b.ProModelName;
    MiniModelName = b.MiniModelName;
    LineModelName = b.LineModelName;
    DoorModelName = b.DoorModelName;
    ToolName = b.ToolName;
    DefaultLanguage = b.DefaultLanguage;
    ContactText = b.ContactText;
    RegKey = MakeRegKey(b);
    setWindowTitle(ToolName + QStringLiteral(" Firmware: ") + QString::fromLatin1(BuildDate));
    PageControl1->setCurrentIndex(0);
}

void TK6Form1::LanguageTimer() {
    Language->stop();
    // Until the language catalogue is in place, the start window's search word is the design-time
    // Hungarian one.
    if (Form1) Form1->SetSearchWord(QStringLiteral("Keresés"));
}

void TK6Form1::SetPageVisible(const QString& name, bool visible) {
    if (QWidget* page = Page(name)) PageControl1->setTabVisible(PageControl1->indexOf(page), visible);
}

bool TK6Form1::IsPageVisible(const QString& name) const {
    QWidget* page = Page(name);
    return page && PageControl1->isTabVisible(PageControl1->indexOf(page));
}

QWidget* TK6Form1::Page(const QString& name) const {
    return PageControl1->findChild<QWidget*>(name);
}

void TK6Form1::SetStatusPanel(int panel, const QString& text) {
    if (panel >= 0 && panel < 5) panels_[panel]->setText(text);
}

QString TK6Form1::StatusPanel(int panel) const {
    return panel >= 0 && panel < 5 ? panels_[panel]->text() : QString();
}

void TK6Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    if (Form1) Form1->close();
}

} // namespace dalvex
